#include "Fixture.h"

#include "data/ComboPub.h"
#include "data/Common.h"
#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/Query.h"
#include "data/Schema.h"
#include "platform/Exception.h"
#include "platform/GbkCodec.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QMessageBox>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestCommon : public QObject {
    Q_OBJECT

    static QStringList Items(const QComboBox& combo) {
        QStringList items;
        for (int i = 0; i < combo.count(); ++i)
            items << combo.itemText(i);
        return items;
    }

private Q_SLOTS:
    void encodeText_data() {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("stored");
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("abc") << "abc"
                             << "a`_";
        QTest::newRow("admin") << "admin"
                               << "lgkb_";
        QTest::newRow("mm123") << "mm123"
                               << "10/kk";
        QTest::newRow("blank inside") << "a b" << QString("`\x1E_");
        // A zero byte after shifting ends the stored text: byte 02 at the start is lost.
        QTest::newRow("byte 02") << QString("\x02"
                                            "abc")
                                 << "a`_";
    }
    void encodeText() {
        QFETCH(QString, plain);
        QFETCH(QString, stored);
        QCOMPARE(TCommon::EncodeText(plain), stored);
    }

    void decodeUndoesEncode_data() {
        QTest::addColumn<QString>("plain");
        QTest::newRow("ascii") << "Secret-42";
        QTest::newRow("chinese") << "密码";
        QTest::newRow("mixed") << "家2026年";
        QTest::newRow("symbols") << "~!@#$%^&*()";
    }
    void decodeUndoesEncode() {
        QFETCH(QString, plain);
        QCOMPARE(TCommon::DecodeText(TCommon::EncodeText(plain)), plain);
    }

    // A Chinese password's shifted bytes are not valid GBK; the stored value still comes back
    // from the file byte for byte, so the login can match it and the member form can show it.
    void chinesePasswordSurvivesTheFile() {
        TTestLedger ledger;
        const QString stored = TCommon::EncodeText("密码");
        // 密 码 is C3 DC C2 EB in GBK: lowered by 2 and reversed, E9 C0 DA C1.
        QCOMPARE(Gbk::FromUnicode(stored), QByteArray("\xE9\xC0\xDA\xC1"));
        ledger.AddPerson(2, "妈妈", "mama", "密码");
        const QString back =
            ledger.Scalar("select LoginPassword from bPerson where PersonID = 2").toString();
        QCOMPARE(Gbk::FromUnicode(back), Gbk::FromUnicode(stored));
        QCOMPARE(back, TCommon::EncodeText("密码"));
        QCOMPARE(TCommon::DecodeText(back), QString("密码"));
    }

    void filterDigitKey_data() {
        QTest::addColumn<QChar>("key");
        QTest::addColumn<bool>("passes");
        for (char c : QByteArray("0123456789"))
            QTest::addRow("digit %c", c) << QChar(c) << true;
        QTest::newRow("backspace") << QChar(8) << true;
        QTest::newRow("carriage return") << QChar(13) << true;
        QTest::newRow("line feed") << QChar(10) << true;
        QTest::newRow("point") << QChar('.') << false;
        QTest::newRow("minus") << QChar('-') << false;
        QTest::newRow("plus") << QChar('+') << false;
        QTest::newRow("space") << QChar(' ') << false;
        QTest::newRow("comma") << QChar(',') << false;
        QTest::newRow("letter") << QChar('a') << false;
        QTest::newRow("full-width digit") << QChar(u'１') << false;
        QTest::newRow("tab") << QChar(9) << false;
    }
    void filterDigitKey() {
        QFETCH(QChar, key);
        QFETCH(bool, passes);
        QChar typed = key;
        TCommon::FilterDigitKey(typed);
        QCOMPARE(typed, passes ? key : QChar(0));
    }

    void messageBoxesGoThroughThePresenter() {
        TScriptedPresenter boxes;
        boxes.ConfirmAnswers = {false, true};
        TCommon::ShowWarning("w");
        TCommon::ShowError("e");
        QVERIFY(!TCommon::ShowConfirm("c1"));
        QVERIFY(TCommon::ShowConfirm("c2"));
        QCOMPARE(boxes.Texts(), (QStringList{"w", "e", "c1", "c2"}));
        QCOMPARE(boxes.Boxes[0].Kind, TMessageKind::Warning);
        QCOMPARE(boxes.Boxes[1].Kind, TMessageKind::Error);
        QCOMPARE(boxes.Boxes[2].Kind, TMessageKind::Confirm);
    }

    // The real box: caption, buttons, and Escape answers Cancel.
    void realConfirmBoxEscapeIsCancel() {
        QString caption;
        int buttons = 0;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            caption = box->windowTitle();
            buttons = box->buttons().size();
            QTest::keyClick(box, Qt::Key_Escape);
        });
        QVERIFY(!TCommon::ShowConfirm("删除吗？"));
        QCOMPARE(caption, QString("系统提示："));
        QCOMPARE(buttons, 2);
    }

    void realConfirmBoxOkIsTrue() {
        QTimer::singleShot(0, [] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            QTest::keyClick(box, Qt::Key_Return);
        });
        QVERIFY(TCommon::ShowConfirm("删除吗？"));
    }

    void getMaxID() {
        TTestLedger ledger(TTestLedger::EmptyTables);
        QCOMPARE(TCommonDB::GetMaxID("fPayout", "PayoutID"), qint64(0));
        ledger.AddPayout(7, 1, "a", 1, {}, QDate(2026, 12, 1), "x", "支出");
        ledger.AddPayout(3, 1, "b", 1, {}, QDate(2026, 12, 1), "x", "支出");
        QCOMPARE(TCommonDB::GetMaxID("fPayout", "PayoutID"), qint64(7));
        QCOMPARE(dmMain->qryCommon->SQL.join(" "), QString("select max(PayoutID) from fPayout"));
        QVERIFY(dmMain->qryCommon->Active());
    }

    void getMaxIDWithEmptyNameRunsNothing() {
        TTestLedger ledger;
        TCommonDB::OpenSQL("select * from bPerson", *dmMain->qryCommon);
        QCOMPARE(TCommonDB::GetMaxID("", "PayoutID"), qint64(0));
        QCOMPARE(TCommonDB::GetMaxID("fPayout", ""), qint64(0));
        QCOMPARE(dmMain->qryCommon->SQL.join(" "), QString("select * from bPerson"));
        QVERIFY(dmMain->qryCommon->Active());
    }

    void getMaxIDOfARejectedStatementThrows() {
        TTestLedger ledger;
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, TCommonDB::GetMaxID("NoSuchTable", "ID"));
    }

    void openSqlReplacesTheStatement() {
        TTestLedger ledger;
        TQuery& query = *dmMain->qryCommon;
        query.SQL << "select 1";
        TCommonDB::OpenSQL("select PersonName from bPerson", query);
        QCOMPARE(query.SQL, QStringList{"select PersonName from bPerson"});
        QCOMPARE(query.FieldByName("PersonName").AsString(), Schema::DefaultPersonName);
    }

    void fillComboSkipsBlankNamesKeepingIdsInStep() {
        TTestLedger ledger(TTestLedger::EmptyTables);
        ledger.AddCategory(1, "工资", "收入");
        ledger.AddCategory(2, "   ", "收入");
        ledger.AddCategory(3, "", "收入");
        ledger.AddCategory(4, " 奖金 ", "收入");
        ledger.AddCategory(5, "餐饮", "支出");
        QComboBox combo;
        combo.addItem("旧");
        QStringList ids{"old"};
        ComboPub->FillCombo("select ItemProjectID, ItemProject, ItemType from bItemProject where "
                            "ItemType = '收入'",
                            *dmMain->qryCommon, "ItemProject", &combo, "ItemProjectID", &ids);
        QCOMPARE(Items(combo), (QStringList{"工资", " 奖金 "}));
        QCOMPARE(ids, (QStringList{"1", "4"}));
        QCOMPARE(combo.currentIndex(), -1);
        QVERIFY(dmMain->qryCommon->Eof());
    }

    void fillComboWithBlankIdColumnEmptiesIds() {
        TTestLedger ledger;
        QComboBox combo;
        QStringList ids{"stale"};
        ComboPub->FillCombo("select * from bPerson", *dmMain->qryCommon, "PersonName", &combo, "  ",
                            &ids);
        QCOMPARE(Items(combo), QStringList{Schema::DefaultPersonName});
        QVERIFY(ids.isEmpty());
    }

    void fillComboWithNone() {
        TTestLedger ledger(TTestLedger::EmptyTables);
        QComboBox combo;
        ComboPub->FillComboWithNone("select * from bPerson", *dmMain->qryCommon, "PersonName",
                                    &combo, "", nullptr);
        QCOMPARE(Items(combo), QStringList{"无"});
        QCOMPARE(combo.currentIndex(), -1);
        ledger.AddPerson(1, "爸爸", "a", "");
        ledger.AddPerson(2, "妈妈", "b", "");
        QStringList ids;
        ComboPub->FillComboWithNone("select * from bPerson", *dmMain->qryCommon, "PersonName",
                                    &combo, "PersonID", &ids);
        QCOMPARE(Items(combo), (QStringList{"无", "爸爸", "妈妈"}));
        QCOMPARE(ids, (QStringList{"1", "2"}));
    }

    void failedFillKeepsTheLists() {
        TTestLedger ledger;
        QComboBox combo;
        combo.addItems({"a", "b"});
        QStringList ids{"1", "2"};
        QVERIFY_THROWS_EXCEPTION(EDatabaseError,
                                 ComboPub->FillCombo("select * from Missing", *dmMain->qryCommon,
                                                     "x", &combo, "id", &ids));
        QCOMPARE(Items(combo), (QStringList{"a", "b"}));
        QCOMPARE(ids, (QStringList{"1", "2"}));
    }

    void monthBounds_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QDate>("last");
        QTest::newRow("December") << QDate(2026, 12, 7) << QDate(2026, 12, 1)
                                  << QDate(2026, 12, 31);
        QTest::newRow("April") << QDate(2026, 4, 15) << QDate(2026, 4, 1) << QDate(2026, 4, 30);
        QTest::newRow("February") << QDate(2027, 2, 3) << QDate(2027, 2, 1) << QDate(2027, 2, 28);
        QTest::newRow("leap February")
            << QDate(2028, 2, 29) << QDate(2028, 2, 1) << QDate(2028, 2, 29);
    }
    void monthBounds() {
        QFETCH(QDate, today);
        QFETCH(QDate, first);
        QFETCH(QDate, last);
        SetStartDates(today);
        QCOMPARE(CurYear, today.year());
        QCOMPARE(CurMonth, today.month());
        QCOMPARE(CurDay, today.day());
        QCOMPARE(MonthFirstDay, QDateTime(first, QTime(0, 0)));
        QCOMPARE(MonthLastDay, QDateTime(last, QTime(0, 0)));
    }

    void clockIsFixedInTests() {
        TTestLedger ledger;
        QCOMPARE(TCommonDB::GetSysDateTime(), TTestLedger::Now());
    }

    // In the build tree the program's files and "fClient.ini" sit beside the program; a folder
    // set in their place (as the tests set one) serves both.
    void programFolderInTheBuildTree() {
        TCommon::SetAppPath(QString());
        const QString program = QCoreApplication::applicationDirPath() + u'/';
        QCOMPARE(TCommon::GetAppPath(), program);
        QVERIFY(QFileInfo(program).isWritable());
        QCOMPARE(TCommon::GetSettingsPath(), program);
    }
    void programFolderSetInPlace() {
        QTemporaryDir folder;
        TCommon::SetAppPath(folder.path());
        QCOMPARE(TCommon::GetAppPath(), folder.path() + u'/');
        QCOMPARE(TCommon::GetSettingsPath(), folder.path() + u'/');
        TCommon::SetAppPath(QString());
        QCOMPARE(TCommon::GetAppPath(), QCoreApplication::applicationDirPath() + u'/');
    }
};

QTEST_MAIN(TestCommon)
#include "tst_common.moc"
