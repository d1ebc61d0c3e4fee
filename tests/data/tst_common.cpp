#include "Fixture.h"

#include "data/ComboPub.h"
#include "data/Common.h"
#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/query/Query.h"
#include "data/Schema.h"
#include "data/Services.h"
#include "platform/Exception.h"
#include "platform/GbkCodec.h"
#include "settings/IniSetting.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QSignalSpy>
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

    // A character that GBK lacks has no stored form: no "?" in its place, which would make any
    // two such passwords alike.
    void encodeRefusesWhatGbkLacks_data() {
        QTest::addColumn<QString>("plain");
        QTest::newRow("emoji") << QString::fromUtf8("a😀");
        QTest::newRow("two emoji") << QString::fromUtf8("😀😁");
        QTest::newRow("Korean") << QString::fromUtf8("비밀");
        QTest::newRow("lone surrogate") << QString(QChar(0xD800));
    }
    void encodeRefusesWhatGbkLacks() {
        QFETCH(QString, plain);
        QVERIFY(!Gbk::CanEncode(plain));
        QVERIFY_THROWS_EXCEPTION(Exception, TCommon::EncodeText(plain));
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

    // Filling is silent and selects nothing, with and without "无", into a drop-down that held a
    // selection before.
    void fillComboIsSilentAndSelectsNothing_data() {
        QTest::addColumn<bool>("withNone");
        QTest::newRow("FillCombo") << false;
        QTest::newRow("FillComboWithNone") << true;
    }
    void fillComboIsSilentAndSelectsNothing() {
        QFETCH(bool, withNone);
        TTestLedger ledger;
        QComboBox combo;
        combo.addItems({"旧一", "旧二"});
        combo.setCurrentIndex(1);
        QSignalSpy changed(&combo, &QComboBox::currentIndexChanged);
        QSignalSpy textChanged(&combo, &QComboBox::currentTextChanged);
        QStringList ids;
        const QString sql = "select * from bItemProject where ItemType = '支出'";
        if (withNone)
            ComboPub->FillComboWithNone(sql, *dmMain->qryCommon, "ItemProject", &combo,
                                        "ItemProjectID", &ids);
        else
            ComboPub->FillCombo(sql, *dmMain->qryCommon, "ItemProject", &combo, "ItemProjectID",
                                &ids);
        QCOMPARE(combo.count(), ids.size() + (withNone ? 1 : 0));
        QVERIFY(ids.size() > 1);
        QCOMPARE(combo.currentIndex(), -1);
        QVERIFY(combo.currentText().isEmpty());
        QCOMPARE(changed.count(), 0);
        QCOMPARE(textChanged.count(), 0);
        QVERIFY(!combo.signalsBlocked()); // the blocker is gone with the fill
    }

    // One owner sets the global names of the services and clears them again; a name that meanwhile
    // points to another object is left alone.
    void servicesOwnerSetsAndClearsTheNames() {
        TTestLedger ledger;
        ledger.ReleaseServices();
        QVERIFY(!Common && !CommonDB && !ComboPub && !IniSetting);
        {
            TServices services(ledger.Folder() + "/fClient.ini");
            QVERIFY(Common && CommonDB && ComboPub && IniSetting);
            QCOMPARE(IniSetting->FileName(), ledger.Folder() + "/fClient.ini");
        }
        QVERIFY(!Common && !CommonDB && !ComboPub && !IniSetting);
        {
            TServices services; // without settings
            QVERIFY(Common && CommonDB && ComboPub);
            QVERIFY(!IniSetting);
            TComboPub other;
            ComboPub = &other;
        }
        QVERIFY(!Common && !CommonDB);
        QVERIFY(ComboPub); // not the owner's
        ComboPub = nullptr;
        QVERIFY(ledger.Messages.Boxes.isEmpty());
    }

    // A settings file that cannot be read is reported with its name; the run goes on with empty
    // settings in memory, and the file is never written over.
    void unreadableSettingsAreReportedAndLeftAlone() {
        TTestLedger ledger;
        ledger.ReleaseServices();
        const QString path = ledger.Folder() + "/fClient.ini";
        QVERIFY(QDir().mkpath(path)); // a folder of that name cannot be read as a file
        {
            TServices services(path);
            QCOMPARE(ledger.Messages.Boxes.size(), 1);
            QCOMPARE(ledger.Messages.Boxes[0].Kind, TMessageKind::Error);
            QVERIFY2(ledger.Messages.LastText().contains("fClient.ini"),
                     qPrintable(ledger.Messages.LastText()));
            QVERIFY(Common && CommonDB && ComboPub && IniSetting);
            IniSetting->OpenKey("系统", true);
            QVERIFY(IniSetting->ReadValue("默认帐户").isEmpty());
            IniSetting->WriteValue("默认帐户", "admin");
        }
        QCOMPARE(ledger.Messages.Boxes.size(), 1); // nothing written, nothing more to report
        QVERIFY(QFileInfo(path).isDir());
        QVERIFY(!IniSetting);
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
