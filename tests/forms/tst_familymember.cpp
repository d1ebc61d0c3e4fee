#include "FormUnderTest.h"
#include "Typing.h"
#include "data/ComboPub.h"
#include "data/Common.h"
#include "forms/FamilyMember.h"
#include "platform/GbkCodec.h"
#include "widgets/Memo.h"
#include "widgets/grid/DBGrid.h"
#include "widgets/grid/GridModel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <memory>

class TestFamilyMember : public QObject, TFormUnderTest<TfrmFamilyMember> {
    Q_OBJECT

    void Open(TTestLedger::TContent content = TTestLedger::WithInitialContent,
              const std::function<void(TTestLedger&)>& rows = {}) {
        OpenForm(content, rows);
    }
    int Rows() { return Value(QStringLiteral("select count(*) from bPerson")).toInt(); }
    void ClickRow(int row) { TFormUnderTest::ClickRow(FForm->dbgPerson, row); }
    void AddMember(const QString& name, const QString& password) {
        Click(FForm->sbAppend);
        Type(FForm->edtPersonName, name);
        Type(FForm->edtLoginAccount, QStringLiteral("acc"));
        Type(FForm->edtLoginPassword, password);
        Click(FForm->sbSave);
    }

private slots:
    void cleanup() { CloseForm(); }

    void layout() {
        Open();
        QCOMPARE(FForm->windowTitle(), QStringLiteral("家庭成员"));
        QCOMPARE(FForm->dbgPerson->width(), 300);
        TGridModel* model = FForm->dbgPerson->Model();
        QVERIFY(model->HasIndicator());
        QStringList captions;
        for (int column = 1; column < model->columnCount(); ++column) {
            captions << model->headerData(column, Qt::Horizontal).toString();
            QCOMPARE(model->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
                     int(Qt::AlignCenter));
        }
        QCOMPARE(captions, (QStringList{QStringLiteral("成员"), QStringLiteral("帐户"), QStringLiteral("角色")}));
        QCOMPARE(FForm->lblLoginAccount->text(), QStringLiteral("帐    户"));
        QCOMPARE(FForm->lblLoginPassword->text(), QStringLiteral("密    码"));
        QCOMPARE(FForm->lblLoginPassword->buddy(), FForm->edtLoginPassword);
        QCOMPARE(FForm->edtLoginPassword->echoMode(), QLineEdit::Password);
        QCOMPARE(FForm->edtPersonName->maxLength(), 50);
        QCOMPARE(FForm->edtLoginAccount->maxLength(), 20);
        QCOMPARE(FForm->edtLoginPassword->maxLength(), 20);
        QCOMPARE(FForm->mmMemos->MaxLength(), 200);
        // the default member, its password decoded
        QCOMPARE(FForm->edtPersonName->text(), QStringLiteral("家长"));
        QCOMPARE(FForm->edtLoginPassword->text(), QStringLiteral("admin"));
    }

    // A member changed since keeps its place in the list: the members come in the order of
    // their keys (on a server a changed row would otherwise move to the end of its table).
    void aChangedMemberKeepsItsPlace() {
        Open(TTestLedger::WithInitialContent, [](TTestLedger& ledger) {
            ledger.AddPerson(2, QStringLiteral("妈妈"), QStringLiteral("mama"), QString());
            ledger.Exec(QStringLiteral("update bPerson set Memos = '改过' where PersonID = 1"));
        });
        QCOMPARE(FForm->edtPersonName->text(), QStringLiteral("家长"));
    }

    void firstMemberGetsIdOne() {
        Open(TTestLedger::EmptyTables);
        AddMember(QStringLiteral(" 小明 "), QString());
        QCOMPARE(Value("select PersonID || PersonName from bPerson"), QVariant(QStringLiteral("1小明")));
        QCOMPARE(FForm->edtPersonName->text(), QStringLiteral(" 小明 ")); // not refilled
    }

    void saveOnAnEmptyListAddsAMember() {
        Open(TTestLedger::EmptyTables);
        Type(FForm->edtPersonName, QStringLiteral("小红"));
        Click(FForm->sbSave);
        QCOMPARE(Value("select PersonID || PersonName from bPerson"), QVariant(QStringLiteral("1小红")));
    }

    void newKeyNeverSeesAnOldDiary() {
        Open(TTestLedger::WithInitialContent, [](TTestLedger& ledger) {
            ledger.AddPerson(2, QStringLiteral("妈妈"), QStringLiteral("mom"), QString());
            ledger.AddDiary(1, QStringLiteral("旧日志"), QDate(2020, 1, 1), 3); // a member gone
        });
        ClickRow(1);
        Click(FForm->sbDelete);
        QCOMPARE(FLedger->Messages.Texts(), QStringList{QStringLiteral("是否确定删除当前成员？")});
        QCOMPARE(Rows(), 1);
        AddMember(QStringLiteral("爸爸"), QStringLiteral("dad"));
        QCOMPARE(Value("select PersonID from bPerson where PersonName = '爸爸'").toInt(), 4);
    }

    void passwordStoredEncodedFromTrimmedText() {
        Open();
        AddMember(QStringLiteral("小明"), QStringLiteral(" abc "));
        const QString stored =
            Value("select LoginPassword from bPerson where PersonName = '小明'").toString();
        QCOMPARE(Gbk::FromUnicode(stored), QByteArray("a`_"));
        QCOMPARE(stored, TCommon::EncodeText(QStringLiteral("abc")));
    }

    void chinesePasswordSurvives() {
        Open();
        AddMember(QStringLiteral("奶奶"), QStringLiteral("芝麻开门"));
        const QString stored =
            Value("select LoginPassword from bPerson where PersonName = '奶奶'").toString();
        // the login compares the encoded typed password with the stored one
        QCOMPARE(stored, TCommon::EncodeText(QStringLiteral("芝麻开门")));
    }

    void chinesePasswordShownDecoded() {
        Open(TTestLedger::WithInitialContent, [](TTestLedger& ledger) {
            ledger.AddPerson(2, QStringLiteral("奶奶"), QStringLiteral("nai"), QStringLiteral("芝麻开门"));
        });
        ClickRow(1);
        QCOMPARE(FForm->edtLoginPassword->text(), QStringLiteral("芝麻开门"));
        Click(FForm->sbSave); // saved untouched: the same stored value
        QCOMPARE(Value("select LoginPassword from bPerson where PersonID = 2").toString(),
                 TCommon::EncodeText(QStringLiteral("芝麻开门")));
    }

    void passwordGbkCannotWriteRefused() {
        Open();
        const int before = Rows();
        Click(FForm->sbAppend);
        Type(FForm->edtPersonName, QStringLiteral("小明"));
        FForm->edtLoginPassword->setText(QStringLiteral("pass😀")); // pasted: GBK has no emoji
        Click(FForm->sbSave);
        QCOMPARE(FLedger->Messages.Texts(),
                 QStringList{QStringLiteral("对不起，密码中有无法保存的字符，请换用其他字符！")});
        QCOMPARE(Rows(), before);
        QCOMPARE(QApplication::focusWidget(), FForm->edtLoginPassword);
    }

    void blankNameRefusedWithFocusBack() {
        Open();
        const int before = Rows();
        Click(FForm->sbAppend);
        Type(FForm->edtPersonName, QStringLiteral("  "));
        FForm->edtRoleName->setFocus();
        Click(FForm->sbSave);
        QCOMPARE(FLedger->Messages.Texts(), QStringList{QStringLiteral("对不起，请输入成员名称！")});
        QCOMPARE(FLedger->Messages.Boxes.first().Kind, TMessageKind::Warning);
        QCOMPARE(QApplication::focusWidget(), FForm->edtPersonName);
        QCOMPARE(Rows(), before);
    }

    void defaultAccountProtectedWhateverItsName() {
        Open(TTestLedger::WithInitialContent, [](TTestLedger& ledger) {
            ledger.Exec(QStringLiteral("update bPerson set PersonName = '张三' where PersonID = 1"));
        });
        Click(FForm->sbDelete);
        QCOMPARE(FLedger->Messages.Texts(), QStringList{QStringLiteral("对不起，默认帐户不能删除！")});
        QCOMPARE(Rows(), 1);
    }

    void deleteOnEmptyListAsksAndDoesNothing() {
        Open(TTestLedger::EmptyTables);
        Click(FForm->sbDelete);
        QCOMPARE(FLedger->Messages.Texts(), QStringList{QStringLiteral("是否确定删除当前成员？")});
        QCOMPARE(FLedger->Messages.Boxes.size(), 1); // the failing deletion is swallowed
    }

    void cancelAfterAppendShowsTheCurrentRow() {
        Open(TTestLedger::WithInitialContent, [](TTestLedger& ledger) {
            ledger.AddPerson(2, QStringLiteral("妈妈"), QStringLiteral("mom"), QString());
        });
        ClickRow(1);
        Click(FForm->sbAppend);
        QVERIFY(FForm->edtPersonName->text().isEmpty());
        QVERIFY(!FForm->dbgPerson->isEnabled());
        Click(FForm->sbCancel);
        QCOMPARE(Rows(), 2);
        QCOMPARE(FForm->edtPersonName->text(),
                 FForm->qryPerson.FieldByName(QStringLiteral("PersonName")).AsString());
        QVERIFY(FForm->dbgPerson->isEnabled());
    }

    void renamedMemberStaysCurrentUnderTheOldName() {
        Open();
        ComboPub->CurPersonName = QStringLiteral("家长");
        Type(FForm->edtPersonName, QStringLiteral("爸爸"));
        Click(FForm->sbSave);
        QCOMPARE(Value("select PersonName from bPerson where PersonID = 1"), QVariant(QStringLiteral("爸爸")));
        QCOMPARE(ComboPub->CurPersonName, QStringLiteral("家长"));
    }

    void longStoredAccountShownWholeAndWarned() {
        const QString account(30, QLatin1Char('a'));
        Open(TTestLedger::WithInitialContent, [&](TTestLedger& ledger) {
            ledger.Exec(QStringLiteral("update bPerson set LoginAccount = ? where PersonID = 1"), {account});
        });
        QCOMPARE(FForm->edtLoginAccount->text(), account);
        Click(FForm->sbSave);
        QCOMPARE(FLedger->Messages.Texts(), QStringList{QStringLiteral("对不起，帐户不能超过20个字符！")});
        QCOMPARE(QApplication::focusWidget(), FForm->edtLoginAccount);
    }
};

QTEST_MAIN(TestFamilyMember)
#include "tst_familymember.moc"
