#include "Files.h"
#include "FormUnderTest.h"
#include "Resources.h"
#include "app/Application.h"
#include "app/Login.h"
#include "data/ComboPub.h"
#include "data/Common.h"
#include "data/DataModule.h"
#include "data/Schema.h"
#include "platform/Fonts.h"
#include "settings/IniSetting.h"
#include "widgets/PictureButton.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QStringEncoder>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const QString UnknownAccount = QStringLiteral("帐号不存在，请重新输入！");
const QString WrongPassword = QStringLiteral("密码不正确，请核对！");

// "fClient.ini" as the settings object writes it for one remembered account.
QByteArray SettingsFile(const QString& account) {
    QStringEncoder gbk("GBK");
    return QByteArray(gbk.encode(QStringLiteral("[系统]\r\n默认帐户=\"") + account +
                                 QStringLiteral("\"\r\n\r\n")));
}

} // namespace

class TestLogin : public QObject, TFormUnderTest<TfrmLogin> {
    Q_OBJECT

    static QString SettingsPath() { return TCommon::GetAppPath() + QStringLiteral("fClient.ini"); }

    // A new start: the settings object reads "fClient.ini" and the login form is shown.
    TfrmLogin* Start() {
        FForm.reset();
        if (!IniSetting) IniSetting = new TIniSetting(SettingsPath());
        return ShowForm();
    }

    // The end of the run: the settings object writes the file back if it changed.
    void End() {
        FForm.reset();
        delete IniSetting;
        IniSetting = nullptr;
    }

    // Types the account and the password into the empty fields, as a user would.
    static void Type(TfrmLogin* form, const QString& account, const QString& password) {
        form->edtAccount->clear();
        form->edtLogonPassword->clear();
        TypeThroughInputMethod(form->edtAccount, account);
        TypeThroughInputMethod(form->edtLogonPassword, password);
    }

    void VerifyLoggedIn(TfrmLogin* form, const QString& name, const QString& id) {
        QVERIFY2(FLedger->Messages.Boxes.isEmpty(), qPrintable(FLedger->Messages.LastText()));
        QCOMPARE(ComboPub->CurPersonName, name);
        QCOMPARE(ComboPub->CurPersonID, id);
        QVERIFY(form->LoginOK());
        QVERIFY(!form->isVisible());
        QVERIFY(!TApplication::Terminated());
    }

    void VerifyRefused(TfrmLogin* form, const QString& message) {
        QCOMPARE(FLedger->Messages.Texts(), QStringList{message});
        QCOMPARE(FLedger->Messages.Boxes.first().Kind, TMessageKind::Warning);
        QVERIFY(form->isVisible());
        QVERIFY(!form->LoginOK());
        QVERIFY(!TApplication::Terminated());
        QVERIFY(ComboPub->CurPersonName.isEmpty());
        QVERIFY(ComboPub->CurPersonID.isEmpty());
    }

private slots:
    void initTestCase() {
        InitPennyvaleResources();
        InstallFontSubstitutions();
        TApplication::SetTerminateAction([] {}); // keep the test's event loop running
    }

    void init() {
        OpenLedger();
        TApplication::ResetTerminated();
    }

    void cleanup() {
        End();
        CloseForm();
        TApplication::ResetTerminated();
    }

    void cleanupTestCase() { TApplication::SetTerminateAction({}); }

    // -- the form ----------------------------------------------------------------------------

    void formLayout() {
        TfrmLogin* form = Start();
        QCOMPARE(form->windowTitle(), QStringLiteral("系统登录"));
        QCOMPARE(form->size(), QSize(320, 200));
        QVERIFY(form->windowFlags() & Qt::FramelessWindowHint);

        QCOMPARE(form->findChild<QLineEdit*>(QStringLiteral("edtAccount")), form->edtAccount);
        QCOMPARE(form->findChild<QLineEdit*>(QStringLiteral("edtLogonPassword")),
                 form->edtLogonPassword);
        QCOMPARE(form->findChild<TPictureButton*>(QStringLiteral("sbOK")), form->sbOK);
        QCOMPARE(form->findChild<TPictureButton*>(QStringLiteral("sbCancel")), form->sbCancel);
        QCOMPARE(form->sbOK->size(), QSize(60, 25));
        QCOMPARE(form->sbCancel->size(), QSize(60, 25));

        QCOMPARE(form->edtAccount->maxLength(), 20);
        QCOMPARE(form->edtLogonPassword->maxLength(), 20);
        QCOMPARE(form->edtAccount->echoMode(), QLineEdit::Normal);
        QCOMPARE(form->edtLogonPassword->echoMode(), QLineEdit::Password);
        QVERIFY(form->edtLogonPassword->displayText() != QStringLiteral("secret"));
        QTest::keyClicks(form->edtLogonPassword, QStringLiteral("secret"));
        QCOMPARE(form->edtLogonPassword->text(), QStringLiteral("secret"));
        QVERIFY(!form->edtLogonPassword->displayText().contains(QStringLiteral("secret")));

        // Twenty characters at most; the rest of the typing is dropped.
        QTest::keyClicks(form->edtAccount, QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
        QCOMPARE(form->edtAccount->text(), QStringLiteral("abcdefghijklmnopqrst"));
    }

    void tabOrder() {
        TfrmLogin* form = Start();
        const QList<QWidget*> expected = {form->sbOK, form->sbCancel, form->edtAccount,
                                          form->edtLogonPassword};
        for (qsizetype i = 0; i < expected.size(); ++i) {
            QWidget* next = expected[i]->nextInFocusChain();
            while (!(next->focusPolicy() & Qt::TabFocus))
                next = next->nextInFocusChain();
            QCOMPARE(next, expected[(i + 1) % expected.size()]);
        }
        // Tab from the button walks the same way.
        form->sbOK->setFocus();
        QTest::keyClick(form->sbOK, Qt::Key_Tab);
        QCOMPARE(form->focusWidget(), form->sbCancel);
        QTest::keyClick(form->sbCancel, Qt::Key_Tab);
        QCOMPARE(form->focusWidget(), form->edtAccount);
        QTest::keyClick(form->edtAccount, Qt::Key_Tab);
        QCOMPARE(form->focusWidget(), form->edtLogonPassword);
    }

    // -- logging in --------------------------------------------------------------------------

    void logsIn_data() {
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("remembered"); // the value written into fClient.ini
        QTest::newRow("default account") << "admin"
                                         << "admin"
                                         << "admin";
        QTest::newRow("blanks around both, remembered as typed") << "  admin "
                                                                 << " admin  "
                                                                 << "  admin ";
        QTest::newRow("account case follows the database") << "ADMIN"
                                                           << "admin"
                                                           << "ADMIN";
    }

    void logsIn() {
        QFETCH(QString, account);
        QFETCH(QString, password);
        QFETCH(QString, remembered);
        TfrmLogin* form = Start();
        Type(form, account, password);
        QTest::mouseClick(form->sbOK, Qt::LeftButton);
        VerifyLoggedIn(form, QStringLiteral("家长"), QStringLiteral("1"));

        QVERIFY(!QFileInfo::exists(SettingsPath())); // written back at the end of the run
        End();
        QCOMPARE(ReadAll(SettingsPath()), SettingsFile(remembered));
    }

    void refused_data() {
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown account") << "nobody"
                                         << "admin" << UnknownAccount;
        QTest::newRow("empty account, no member without one") << ""
                                                              << "admin" << UnknownAccount;
        QTest::newRow("blank account") << "   "
                                       << "admin" << UnknownAccount;
        QTest::newRow("wrong password") << "admin"
                                        << "wrong" << WrongPassword;
        QTest::newRow("password case differs") << "admin"
                                               << "ADMIN" << WrongPassword;
        QTest::newRow("empty password") << "admin"
                                        << "" << WrongPassword;
        QTest::newRow("apostrophe in the account") << "ad'min"
                                                   << "admin" << UnknownAccount;
        QTest::newRow("account that would widen the lookup") << "x' or '1'='1"
                                                             << "admin" << UnknownAccount;
    }

    void refused() {
        QFETCH(QString, account);
        QFETCH(QString, password);
        QFETCH(QString, message);
        TfrmLogin* form = Start();
        Type(form, account, password);
        QTest::mouseClick(form->sbOK, Qt::LeftButton);
        VerifyRefused(form, message);
        QCOMPARE(form->edtAccount->text(), account);
        QCOMPARE(form->edtLogonPassword->text(), password);

        // A second try with the same text is refused again: no limit, no lock.
        QTest::mouseClick(form->sbOK, Qt::LeftButton);
        QCOMPARE(FLedger->Messages.Texts(), (QStringList{message, message}));
        QVERIFY(form->isVisible());
    }

    void emptyAccountFindsMemberWithoutAccount() {
        FLedger->AddPerson(2, QStringLiteral("孩子"), QStringLiteral(""), QStringLiteral("pw"));
        QCOMPARE(FLedger->Scalar("select count(*) from bPerson where LoginAccount = ''").toInt(),
                 1);
        TfrmLogin* form = Start();
        Type(form, QString(), QStringLiteral("pw"));
        QTest::mouseClick(form->sbOK, Qt::LeftButton);
        VerifyLoggedIn(form, QStringLiteral("孩子"), QStringLiteral("2"));
    }

    void chineseNameAndPassword() {
        FLedger->AddPerson(7, QStringLiteral("妈妈"), QStringLiteral("妈妈"),
                           QStringLiteral("密码12"));
        TfrmLogin* form = Start();
        Type(form, QStringLiteral("妈妈"), QStringLiteral("密码12"));
        QTest::mouseClick(form->sbOK, Qt::LeftButton);
        VerifyLoggedIn(form, QStringLiteral("妈妈"), QStringLiteral("7"));
    }

    void sharedAccountFirstRowCounts_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("first member's password") << "first" << true;
        QTest::newRow("second member's password") << "second" << false;
    }

    void sharedAccountFirstRowCounts() {
        QFETCH(QString, password);
        QFETCH(bool, accepted);
        FLedger->AddPerson(2, QStringLiteral("爸爸"), QStringLiteral("home"),
                           QStringLiteral("first"));
        FLedger->AddPerson(3, QStringLiteral("妈妈"), QStringLiteral("home"),
                           QStringLiteral("second"));
        TfrmLogin* form = Start();
        Type(form, QStringLiteral("home"), password);
        QTest::mouseClick(form->sbOK, Qt::LeftButton);
        if (accepted)
            VerifyLoggedIn(form, QStringLiteral("爸爸"), QStringLiteral("2"));
        else
            VerifyRefused(form, WrongPassword);
    }

    // -- keyboard ----------------------------------------------------------------------------

    void enterInAccountMovesToPassword_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
    }

    void enterInAccountMovesToPassword() {
        QFETCH(int, key);
        TfrmLogin* form = Start();
        form->edtAccount->setFocus();
        QTest::keyClicks(form->edtAccount, QStringLiteral("admin"));
        QTest::keyClick(form->edtAccount, Qt::Key(key));
        QCOMPARE(form->focusWidget(), form->edtLogonPassword);
        QVERIFY(form->isVisible());
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
        QVERIFY(ComboPub->CurPersonName.isEmpty());

        // Typing goes on in the password field.
        QTest::keyClicks(form->edtLogonPassword, QStringLiteral("admin"));
        QCOMPARE(form->edtAccount->text(), QStringLiteral("admin"));
        QCOMPARE(form->edtLogonPassword->text(), QStringLiteral("admin"));
    }

    void enterInPasswordLogsIn() {
        TfrmLogin* form = Start();
        Type(form, QStringLiteral("admin"), QStringLiteral("admin"));
        form->edtLogonPassword->setFocus();
        QTest::keyClick(form->edtLogonPassword, Qt::Key_Return);
        VerifyLoggedIn(form, QStringLiteral("家长"), QStringLiteral("1"));
    }

    // The buttons reached by Tab take Enter as Space: the login on one, leaving it on the other.
    void enterOnAFocusedButtonPressesIt() {
        TfrmLogin* form = Start();
        Type(form, QStringLiteral("admin"), QStringLiteral("admin"));
        form->sbOK->setFocus();
        QTest::keyClick(form->sbOK, Qt::Key_Return);
        VerifyLoggedIn(form, QStringLiteral("家长"), QStringLiteral("1"));

        TfrmLogin* again = Start();
        again->sbCancel->setFocus();
        QTest::keyClick(again->sbCancel, Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(!again->isVisible());
        QVERIFY(!again->LoginOK());
    }

    void otherKeysTypeAsUsual() {
        TfrmLogin* form = Start();
        QTest::keyClicks(form->edtAccount, QStringLiteral("adminx"));
        QTest::keyClick(form->edtAccount, Qt::Key_Backspace);
        QTest::keyClick(form->edtAccount, Qt::Key_Home);
        QTest::keyClick(form->edtAccount, Qt::Key_Delete);
        QCOMPARE(form->edtAccount->text(), QStringLiteral("dmin"));
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
        QVERIFY(form->isVisible());
    }

    void enterAfterWrongPasswordTriesAgain() {
        TfrmLogin* form = Start();
        Type(form, QStringLiteral("admin"), QStringLiteral("nimda"));
        form->edtLogonPassword->setFocus();
        QTest::keyClick(form->edtLogonPassword, Qt::Key_Return);
        VerifyRefused(form, WrongPassword);

        form->edtLogonPassword->clear();
        QTest::keyClicks(form->edtLogonPassword, QStringLiteral("admin"));
        QTest::keyClick(form->edtLogonPassword, Qt::Key_Return);
        QCOMPARE(FLedger->Messages.Boxes.size(), 1);
        QCOMPARE(ComboPub->CurPersonName, QStringLiteral("家长"));
        QVERIFY(form->LoginOK());
        QVERIFY(!form->isVisible());
    }

    // -- leaving without logging in ------------------------------------------------------------

    void leavingEndsTheProgram_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("afterFailure");
        QTest::newRow("取消") << "cancel" << false;
        QTest::newRow("close command") << "close" << false;
        QTest::newRow("Escape") << "escape" << false;
        QTest::newRow("取消 after a wrong password") << "cancel" << true;
        QTest::newRow("close command after a wrong password") << "close" << true;
    }

    void leavingEndsTheProgram() {
        QFETCH(QString, how);
        QFETCH(bool, afterFailure);
        WriteAll(SettingsPath(), SettingsFile(QStringLiteral("old")));
        TfrmLogin* form = Start();
        QCOMPARE(form->edtAccount->text(), QStringLiteral("old"));
        if (afterFailure) {
            Type(form, QStringLiteral("admin"), QStringLiteral("wrong"));
            QTest::mouseClick(form->sbOK, Qt::LeftButton);
            QCOMPARE(FLedger->Messages.LastText(), WrongPassword);
            QVERIFY(!TApplication::Terminated());
        }

        if (how == QStringLiteral("cancel"))
            QTest::mouseClick(form->sbCancel, Qt::LeftButton);
        else if (how == QStringLiteral("close"))
            QVERIFY(form->close());
        else
            QTest::keyClick(form->edtAccount, Qt::Key_Escape);

        QVERIFY(!form->isVisible());
        QVERIFY(!form->LoginOK());
        QVERIFY(TApplication::Terminated());
        QVERIFY(ComboPub->CurPersonName.isEmpty());

        // The remembered account is unchanged.
        End();
        QCOMPARE(ReadAll(SettingsPath()), SettingsFile(QStringLiteral("old")));
    }

    void cancelInsideExecEndsTheModalDisplay() {
        if (!IniSetting) IniSetting = new TIniSetting(SettingsPath());
        TfrmLogin form;
        QTimer::singleShot(0, &form, [&form] { QTest::mouseClick(form.sbCancel, Qt::LeftButton); });
        QCOMPARE(form.exec(), int(QDialog::Rejected));
        QVERIFY(TApplication::Terminated());
    }

    // -- the remembered account ----------------------------------------------------------------

    // A character that GBK lacks never matches, not even a stored "?" in its place.
    void passwordWithCharactersGbkLacksNeverMatches_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::newRow("emoji against a?") << "a?" << QString::fromUtf8("a😀");
        QTest::newRow("two emoji against ??") << "??" << QString::fromUtf8("😀😁");
        QTest::newRow("Korean against ??") << "??" << QString::fromUtf8("비밀");
    }
    void passwordWithCharactersGbkLacksNeverMatches() {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        FLedger->AddPerson(7, QStringLiteral("小红"), QStringLiteral("xh"), stored);
        TfrmLogin* form = Start();
        form->edtAccount->setText(QStringLiteral("xh"));
        form->edtLogonPassword->setText(typed);
        QTest::mouseClick(form->sbOK, Qt::LeftButton);
        VerifyRefused(form, QStringLiteral("密码不正确，请核对！"));
        // the stored password itself still works
        FLedger->Messages.Boxes.clear();
        form->edtLogonPassword->setText(stored);
        QTest::mouseClick(form->sbOK, Qt::LeftButton);
        VerifyLoggedIn(form, QStringLiteral("小红"), QStringLiteral("7"));
    }

    // The account is remembered only once the login has succeeded: a login that fails after the
    // password matched (the member's row cannot be read) leaves the settings as they were.
    void failureAfterThePasswordRemembersNothing() {
        FLedger->Exec(QStringLiteral("alter table bPerson drop column PersonName"));
        TfrmLogin* form = Start();
        Type(form, QStringLiteral("admin"), QStringLiteral("admin"));
        QTest::mouseClick(form->sbOK, Qt::LeftButton);
        QCOMPARE(FLedger->Messages.Boxes.size(), 1);
        QCOMPARE(FLedger->Messages.Boxes[0].Kind, TMessageKind::Error);
        QVERIFY(form->isVisible());
        QVERIFY(!form->LoginOK());
        QVERIFY(ComboPub->CurPersonName.isEmpty() && ComboPub->CurPersonID.isEmpty());
        IniSetting->OpenKey(QStringLiteral("系统"), true);
        QVERIFY(IniSetting->ReadValue(QStringLiteral("默认帐户")).isEmpty());
        IniSetting->CloseKey();
        End();
        QVERIFY(!QFileInfo::exists(SettingsPath()));
    }

    // A ledger locked by another program at start is tried again by the login; the message says
    // that another program uses it, and once the lock is gone the login works.
    void busyLedgerAtStartIsTriedAgain() {
        if (TTestLedger::OnServer()) QSKIP("the lock of a ledger file; a server book is shared");
        delete dmMain;
        dmMain = nullptr;
        const int timeout = TdmMain::BusyTimeoutMs;
        TdmMain::BusyTimeoutMs = 50;
        auto other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(Schema::DatabasePath);
        QVERIFY(other.open());
        auto lock = std::make_unique<QSqlQuery>(other);
        QVERIFY(lock->exec(QStringLiteral("begin exclusive")));
        dmMain = new TdmMain;
        dmMain->DataModuleCreate();
        QCOMPARE(FLedger->Messages.Boxes.size(), 1);

        TfrmLogin* form = Start();
        Type(form, QStringLiteral("admin"), QStringLiteral("admin"));
        QTest::mouseClick(form->sbOK, Qt::LeftButton);
        QCOMPARE(FLedger->Messages.Boxes.size(), 2);
        const QString text = FLedger->Messages.LastText();
        QVERIFY2(text.contains(QStringLiteral("正被另一个程序使用")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Hearthbook.mdb")), qPrintable(text));
        QVERIFY2(!text.contains(QStringLiteral("mode=rw")), qPrintable(text));
        QVERIFY(form->isVisible());

        QVERIFY(lock->exec(QStringLiteral("rollback")));
        lock.reset();
        other.close();
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        TdmMain::BusyTimeoutMs = timeout;
        FLedger->Messages.Boxes.clear();
        QTest::mouseClick(form->sbOK, Qt::LeftButton);
        VerifyLoggedIn(form, QStringLiteral("家长"), QStringLiteral("1"));
    }

    void rememberedAccountAcrossTwoStarts_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown"); // in the account field at the next start
        QTest::newRow("plain") << "admin"
                               << "admin";
        QTest::newRow("with blanks, shown trimmed") << "  admin  "
                                                    << "admin";
    }

    void rememberedAccountAcrossTwoStarts() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        TfrmLogin* form = Start();
        QVERIFY(form->edtAccount->text().isEmpty());
        QVERIFY(form->edtLogonPassword->text().isEmpty());
        Type(form, typed, QStringLiteral("admin"));
        QTest::mouseClick(form->sbOK, Qt::LeftButton);
        QVERIFY(form->LoginOK());
        End();
        QCOMPARE(ReadAll(SettingsPath()), SettingsFile(typed));

        form = Start();
        QCOMPARE(form->edtAccount->text(), shown);
        QVERIFY(form->edtLogonPassword->text().isEmpty());
    }

    void settingsFileBytes() {
        TfrmLogin* form = Start();
        Type(form, QStringLiteral("admin"), QStringLiteral("admin"));
        QTest::mouseClick(form->sbOK, Qt::LeftButton);
        End();
        QCOMPARE(
            ReadAll(SettingsPath()),
            QByteArray("[\xcf\xb5\xcd\xb3]\r\n\xc4\xac\xc8\xcf\xd5\xca\xbb\xa7=\"admin\"\r\n\r\n"));
    }

    // Logging in again with the account typed the same way leaves the file alone; any other
    // typing rewrites it.
    void sameAccountDoesNotRewrite_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("rewritten");
        QTest::newRow("same account, same typing") << "admin" << false;
        QTest::newRow("same account with a blank") << "admin " << true;
        QTest::newRow("same account in capitals") << "ADMIN" << true;
    }

    void sameAccountDoesNotRewrite() {
        QFETCH(QString, typed);
        QFETCH(bool, rewritten);
        // The file as a hand left it: the program would write it without the comment.
        const QByteArray byHand = "; kept by hand\r\n" + SettingsFile(QStringLiteral("admin"));
        WriteAll(SettingsPath(), byHand);
        const QDateTime past(QDate(2020, 1, 2), QTime(3, 4, 5));
        {
            QFile file(SettingsPath());
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(past, QFileDevice::FileModificationTime));
        }

        TfrmLogin* form = Start();
        QCOMPARE(form->edtAccount->text(), QStringLiteral("admin"));
        Type(form, typed, QStringLiteral("admin"));
        QTest::mouseClick(form->sbOK, Qt::LeftButton);
        QVERIFY(form->LoginOK());
        End();

        const QFileInfo info(SettingsPath());
        if (rewritten) {
            QVERIFY(info.lastModified() != past);
            QVERIFY(ReadAll(SettingsPath()).contains(QByteArray("\"") + typed.toUtf8() + '"'));
        } else {
            QCOMPARE(info.lastModified(), past);
            QCOMPARE(ReadAll(SettingsPath()), byHand);
        }
    }
};

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
