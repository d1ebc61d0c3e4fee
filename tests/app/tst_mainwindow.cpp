#include "Files.h"
#include "Fixture.h"
#include "Resources.h"
#include "app/Application.h"
#include "app/start/LedgerRecovery.h"
#include "app/Login.h"
#include "app/MainWindow.h"
#include "data/ComboPub.h"
#include "data/Common.h"
#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/ledgerfile/backup/LedgerBackup.h"
#include "data/Schema.h"
#include "forms/FamilyMember.h"
#include "forms/FinanceAns.h"
#include "forms/ItemType.h"
#include "forms/PayQuery.h"
#include "forms/PayoutBase.h"
#include "forms/Relatively.h"
#include "forms/base/FormPanel.h"
#include "platform/DateText.h"
#include "platform/Exception.h"
#include "platform/Fonts.h"
#include "settings/IniSetting.h"
#include "widgets/Image.h"
#include "widgets/Panel.h"
#include "widgets/PictureButton.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStringEncoder>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

// The global variable that holds the latest form of navigation button 1 to 7.
QObject* FormVariable(int button) {
    switch (button) {
    case 1:
        return frmFamilyMember;
    case 2:
        return frmItemType;
    case 3:
        return frmIncome;
    case 4:
        return frmPayout;
    case 5:
        return frmPayQuery;
    case 6:
        return frmFinanceAns;
    case 7:
        return frmRelatively;
    }
    return nullptr;
}

// Records the kind of every entry form at the moment it is shown.
class TShowRecorder : public QObject {
public:
    QStringList Kinds;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            if (auto* form = qobject_cast<TfrmPayoutBase*>(watched)) Kinds << form->FItemType;
        return false;
    }
};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<TTestLedger> FLedger;
    QPointer<TfrmLogin> FSeenLogin; // the login form the last start showed
    bool FLoginShown = false;

    static QString SettingsPath() { return TCommon::GetAppPath() + QStringLiteral("fClient.ini"); }

    // A ledger for the run; the main window makes the services itself.
    void NewLedger(TTestLedger::TContent content = TTestLedger::WithInitialContent) {
        FLedger = std::make_unique<TTestLedger>(content);
        FLedger->ReleaseServices();
    }

    // Shows the main window; its first showing runs the login modally, and steps act on that
    // login. Whatever the steps leave open is cancelled so that the start always ends.
    void Start(const std::function<void(TfrmLogin*)>& steps) {
        frmMain = new TfrmMain;
        FSeenLogin = nullptr;
        FLoginShown = false;
        QTimer::singleShot(0, frmMain, [this, steps] {
            auto* login = qobject_cast<TfrmLogin*>(QApplication::activeModalWidget());
            FSeenLogin = login;
            if (!login) return;
            FLoginShown = true;
            steps(login);
            if (FSeenLogin && FSeenLogin->isVisible()) {
                qWarning("the login was still open; cancelled");
                FSeenLogin->reject();
            }
        });
        frmMain->show();
        QVERIFY2(FLoginShown, "no login was shown");
        QVERIFY(!frmLogin); // freed when the modal display ended
        QVERIFY(QTest::qWaitForWindowExposed(frmMain));
    }

    static void LogIn(TfrmLogin* login, const QString& account, const QString& password) {
        login->edtAccount->clear();
        login->edtLogonPassword->clear();
        QTest::keyClicks(login->edtAccount, account);
        QTest::keyClicks(login->edtLogonPassword, password);
        QTest::mouseClick(login->sbOK, Qt::LeftButton);
    }

    void StartLoggedIn() {
        Start([](TfrmLogin* login) {
            LogIn(login, QStringLiteral("admin"), QStringLiteral("admin"));
        });
        QVERIFY(!TApplication::Terminated());
        QVERIFY(frmPanel);
    }

    static QList<TfrmBase*> WorkForms() {
        QList<TfrmBase*> forms;
        for (QObject* child : frmPanel->children())
            if (auto* form = qobject_cast<TfrmBase*>(child)) forms << form;
        return forms;
    }

    // What the event loop does after a handler: frees the forms handed to deleteLater.
    static void FreePending() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // A ledger with a backup, damaged for a page from offset on (DiaryPage: the diary's page),
    // opened again and its check started, as the program's start does.
    void NewDamagedLedger(qint64 offset) {
        NewLedger();
        LedgerBackup::Write(FLedger->Connection(), Schema::DatabasePath, FLedger->Now());
        if (offset == DiaryPage)
            offset = 4096 * (FLedger->Scalar(QStringLiteral("select rootpage from sqlite_master "
                                                             "where name = 'fDiary'"))
                                 .toLongLong() -
                             1);
        delete dmMain;
        Scribble(Schema::DatabasePath, offset, 4096);
        dmMain = new TdmMain;
        dmMain->DataModuleCreate();
        LedgerRecovery::StartCheck();
    }

    // The diary's page, which neither the open nor the login reads.
    static constexpr qint64 DiaryPage = -1;

private slots:
    void initTestCase() {
        InitPennyvaleResources();
        InstallFontSubstitutions();
        TApplication::SetTerminateAction([] {}); // keep the test's event loop running
    }

    void init() { TApplication::ResetTerminated(); }

    void cleanup() {
        delete frmMain;
        frmMain = nullptr;
        FLedger.reset();
        TApplication::ResetTerminated();
    }

    void cleanupTestCase() { TApplication::SetTerminateAction({}); }

    // -- creation ------------------------------------------------------------------------------

    void frame() {
        NewLedger();
        frmMain = new TfrmMain;
        QCOMPARE(frmMain->windowTitle(), QStringLiteral("Pennyvale"));
        QCOMPARE(frmMain->size(), QSize(792, 573));
        QCOMPARE(frmMain->minimumSize(), QSize(792, 573));
        QCOMPARE(frmMain->maximumSize(), QSize(792, 573));
        const Qt::WindowFlags flags = frmMain->windowFlags();
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(flags & Qt::WindowSystemMenuHint);
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QCOMPARE(frmMain->pnlMain->size(), QSize(668, 479));
        QCOMPARE(frmMain->Panel3->width(), 124);
        QCOMPARE(frmMain->Image1->height(), 65);
        QCOMPARE(frmMain->Panel1->height(), 29);
        QVERIFY(frmMain->Panel4->isHidden());
        // The design texts of the status bar until the main window is shown.
        QCOMPARE(frmMain->lbName->text(), QStringLiteral("人员"));
        QCOMPARE(frmMain->lbDate->text(), QStringLiteral("时间"));
        // Nothing is asked before the main window is shown.
        QVERIFY(!frmLogin);
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
    }

    void buttons() {
        NewLedger();
        frmMain = new TfrmMain;
        const int tops[] = {33, 67, 133, 166, 240, 274, 308, 424};
        for (int i = 0; i < TfrmMain::ButtonCount; ++i) {
            TPictureButton* button = frmMain->fcsb[i];
            QCOMPARE(button->objectName(), QStringLiteral("fcsb%1").arg(i + 1, 2, 10, QChar('0')));
            QCOMPARE(button->parentWidget(), frmMain->Panel3);
            QCOMPARE(button->geometry(), QRect(6, tops[i], 113, 23));
            QCOMPARE(button->Picture().toImage(), frmMain->fcibNormal[i]->Picture().toImage());
            QVERIFY(!frmMain->fcibNormal[i]->Picture().isNull());
        }
    }

    void serviceObjectsAndSettings() {
        NewLedger();
        QVERIFY(!Common && !CommonDB && !ComboPub && !IniSetting);
        frmMain = new TfrmMain;
        QVERIFY(Common && CommonDB && ComboPub && IniSetting);
        QCOMPARE(IniSetting->FileName(), SettingsPath());
        delete frmMain;
        frmMain = nullptr;
        QVERIFY(!Common && !CommonDB && !ComboPub && !IniSetting);
        QVERIFY(!QFileInfo::exists(SettingsPath())); // nothing changed, nothing written
    }

    void monthBounds_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QDate>("last");
        QTest::newRow("7 December 2026")
            << QDate(2026, 12, 7) << QDate(2026, 12, 1) << QDate(2026, 12, 31);
        QTest::newRow("April has 30 days")
            << QDate(2026, 4, 30) << QDate(2026, 4, 1) << QDate(2026, 4, 30);
        QTest::newRow("January 31")
            << QDate(2027, 1, 31) << QDate(2027, 1, 1) << QDate(2027, 1, 31);
        QTest::newRow("February") << QDate(2027, 2, 14) << QDate(2027, 2, 1) << QDate(2027, 2, 28);
        QTest::newRow("February of a leap year")
            << QDate(2028, 2, 1) << QDate(2028, 2, 1) << QDate(2028, 2, 29);
    }

    void monthBounds() {
        QFETCH(QDate, today);
        QFETCH(QDate, first);
        QFETCH(QDate, last);
        NewLedger();
        TCommonDB::SetClock([today] { return QDateTime(today, QTime(10, 30)); });
        SetStartDates(QDate(1999, 6, 15)); // something else, so the window must set them
        frmMain = new TfrmMain;
        QCOMPARE(int(CurYear), today.year());
        QCOMPARE(int(CurMonth), today.month());
        QCOMPARE(int(CurDay), today.day());
        QCOMPARE(MonthFirstDay, QDateTime(first, QTime(0, 0)));
        QCOMPARE(MonthLastDay, QDateTime(last, QTime(0, 0)));
    }

    // -- showing -------------------------------------------------------------------------------

    void loginThenStatusBar() {
        NewLedger();
        Start([](TfrmLogin* login) {
            QVERIFY(login->isModal());
            QVERIFY(!frmPanel); // the host panel comes after the login
            LogIn(login, QStringLiteral("admin"), QStringLiteral("admin"));
        });
        QVERIFY(FSeenLogin.isNull()); // freed
        QVERIFY(!TApplication::Terminated());
        QCOMPARE(ComboPub->CurPersonName, QStringLiteral("家长"));
        QCOMPARE(ComboPub->CurPersonID, QStringLiteral("1"));
        QCOMPARE(frmMain->lbName->text(), QStringLiteral("登录成员：家长"));

        const QString prefix = QStringLiteral("登录时间：");
        const QString date = frmMain->lbDate->text();
        QVERIFY2(date.startsWith(prefix), qPrintable(date));
        const QString day = date.mid(prefix.size());
        QVERIFY2(day.contains(QStringLiteral("2026")), qPrintable(day)); // four-digit year
        QVERIFY2(day.contains(u'7'), qPrintable(day));
        QVERIFY2(!day.contains(u':') && !day.contains(QStringLiteral("10")), qPrintable(day));

        // The host panel fills the working area.
        QCOMPARE(frmPanel->parentWidget(), frmMain->pnlMain);
        QVERIFY(frmPanel->isVisible());
        QCOMPARE(frmPanel->geometry(), frmMain->pnlMain->rect());
        QVERIFY(WorkForms().isEmpty());
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
    }

    // The ledger's check runs behind the login: a damaged ledger is offered for restoring once
    // the member has logged in, before the working area is placed.
    void damagedLedgerIsOfferedAfterTheLogin() {
        NewDamagedLedger(DiaryPage);
        FLedger->Messages.ConfirmAnswers = {false};
        Start([this](TfrmLogin* login) {
            QVERIFY(FLedger->Messages.Boxes.isEmpty());
            LogIn(login, QStringLiteral("admin"), QStringLiteral("admin"));
        });
        QVERIFY(frmPanel);
        QCOMPARE(FLedger->Messages.Boxes.size(), 2);
        QCOMPARE(FLedger->Messages.Boxes[0].Kind, TMessageKind::Confirm);
        QVERIFY2(FLedger->Messages.Boxes[0].Text.contains(QStringLiteral("检查发现账本文件")),
                 qPrintable(FLedger->Messages.Boxes[0].Text));
    }

    // A ledger replaced by its backup after the login: the member logs in again on it before
    // the working area is placed.
    void restoredAfterTheLoginAsksForTheLoginAgain() {
        NewDamagedLedger(DiaryPage);
        FLedger->Messages.ConfirmAnswers = {true};
        int logins = 0;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&logins] {
            auto* login = qobject_cast<TfrmLogin*>(QApplication::activeModalWidget());
            if (!login || login->property("answered").toBool()) return;
            login->setProperty("answered", true);
            ++logins;
            if (logins > 2) return login->reject();
            QVERIFY(!frmPanel);
            LogIn(login, QStringLiteral("admin"), QStringLiteral("admin"));
        });
        poll.start(10);
        frmMain = new TfrmMain;
        frmMain->show();
        QCOMPARE(logins, 2);
        QVERIFY(frmPanel);
        QCOMPARE(FLedger->Messages.Boxes.size(), 2);
        QVERIFY2(FLedger->Messages.Boxes[1].Text.contains(QStringLiteral("的备份恢复了账本")),
                 qPrintable(FLedger->Messages.Boxes[1].Text));
    }

    // Damaged members keep the login from finding the account: the check's offer comes then,
    // and the login goes on in the restored ledger.
    void damagedMembersAreOfferedAtTheLogin() {
        NewDamagedLedger(4096); // the second page, the members' table
        FLedger->Messages.ConfirmAnswers = {true};
        Start([](TfrmLogin* login) {
            LogIn(login, QStringLiteral("admin"), QStringLiteral("admin"));
        });
        QVERIFY(!TApplication::Terminated());
        QVERIFY(frmPanel);
        QCOMPARE(ComboPub->CurPersonName, QStringLiteral("家长"));
        QCOMPARE(FLedger->Messages.Boxes.size(), 2);
        QCOMPARE(FLedger->Messages.Boxes[0].Kind, TMessageKind::Confirm);
        QCOMPARE(FLedger->Messages.Boxes[1].Kind, TMessageKind::Warning);
    }

    void statusBarOfAnotherMember() {
        NewLedger();
        FLedger->AddPerson(5, QStringLiteral("王小明"), QStringLiteral("xm"), QStringLiteral("1"));
        Start([](TfrmLogin* login) { LogIn(login, QStringLiteral("xm"), QStringLiteral("1")); });
        QCOMPARE(frmMain->lbName->text(), QStringLiteral("登录成员：王小明"));
        QCOMPARE(ComboPub->CurPersonID, QStringLiteral("5"));
    }

    void showingAgainDoesNotLogInAgain() {
        NewLedger();
        StartLoggedIn();
        TfrmPanel* panel = frmPanel;
        frmMain->hide();
        frmMain->show();
        QVERIFY(!frmLogin);
        QCOMPARE(frmPanel, panel);
    }

    void cancelledLoginEndsTheProgram() {
        NewLedger();
        Start([](TfrmLogin* login) {
            LogIn(login, QStringLiteral("admin"), QStringLiteral("wrong"));
            QVERIFY(login->isVisible());
            QTest::mouseClick(login->sbCancel, Qt::LeftButton);
        });
        QVERIFY(TApplication::Terminated());
        QCOMPARE(FLedger->Messages.Texts(), QStringList{QStringLiteral("密码不正确，请核对！")});
        // The show handler goes on; the program ends once control is back in the event loop.
        QVERIFY(frmPanel);
        QCOMPARE(frmMain->lbName->text(), QStringLiteral("登录成员："));
        delete frmMain;
        frmMain = nullptr;
        QVERIFY(!QFileInfo::exists(SettingsPath()));
    }

    void noDatabase() {
        NewLedger(TTestLedger::NoDatabase);
        // The data module reported the failure when it was created.
        QCOMPARE(FLedger->Messages.Boxes.size(), 1);
        QCOMPARE(FLedger->Messages.Boxes.first().Kind, TMessageKind::Error);
        QVERIFY2(FLedger->Messages.LastText().contains(QStringLiteral("Hearthbook.mdb")),
                 qPrintable(FLedger->Messages.LastText()));

        Start([this](TfrmLogin* login) {
            LogIn(login, QStringLiteral("admin"), QStringLiteral("admin"));
            // The look-up fails; the general error report shows it and the form stays open.
            QCOMPARE(FLedger->Messages.Boxes.size(), 2);
            QCOMPARE(FLedger->Messages.Boxes.last().Kind, TMessageKind::Error);
            QVERIFY(!FLedger->Messages.LastText().isEmpty());
            QVERIFY(login->isVisible());
            QVERIFY(!login->LoginOK());
            QVERIFY(!TApplication::Terminated());
            QTest::keyClick(login->edtLogonPassword, Qt::Key_Return); // and again
            QCOMPARE(FLedger->Messages.Boxes.size(), 3);
            QVERIFY(login->isVisible());
            QVERIFY(login->close());
        });
        QVERIFY(TApplication::Terminated());
        QVERIFY(ComboPub->CurPersonName.isEmpty());
    }

    // -- faults at start and at the end ------------------------------------------------------

    // An unreadable "fClient.ini" (here a folder of that name) is reported with its name; the
    // login works, no account is offered, and the file is left as it was.
    void unreadableSettingsDoNotAbortTheStart() {
        NewLedger();
        QVERIFY(QDir().mkpath(SettingsPath()));
        QString offered = QStringLiteral("unset");
        Start([&](TfrmLogin* login) {
            offered = login->edtAccount->text();
            LogIn(login, QStringLiteral("admin"), QStringLiteral("admin"));
        });
        QVERIFY(offered.isEmpty());
        QVERIFY(!TApplication::Terminated());
        QCOMPARE(frmMain->lbName->text(), QStringLiteral("登录成员：家长"));
        QCOMPARE(FLedger->Messages.Boxes.size(), 1);
        QCOMPARE(FLedger->Messages.Boxes[0].Kind, TMessageKind::Error);
        QVERIFY2(FLedger->Messages.LastText().contains(QStringLiteral("fClient.ini")),
                 qPrintable(FLedger->Messages.LastText()));
        delete frmMain;
        frmMain = nullptr;
        QVERIFY(QFileInfo(SettingsPath()).isDir());
        QCOMPARE(FLedger->Messages.Boxes.size(), 1);
    }

    // A clock that fails makes FormCreate and FormShow fail: each is reported and the program
    // goes on to the login and the host panel.
    void failingCreateAndShowAreReported() {
        NewLedger();
        TCommonDB::SetClock([]() -> QDateTime { throw Exception(QStringLiteral("时钟出错")); });
        Start([](TfrmLogin* login) {
            LogIn(login, QStringLiteral("admin"), QStringLiteral("admin"));
        });
        QCOMPARE(FLedger->Messages.Texts(),
                 (QStringList{QStringLiteral("时钟出错"), QStringLiteral("时钟出错")}));
        QVERIFY(frmPanel);
        QCOMPARE(frmMain->lbName->text(), QStringLiteral("登录成员：家长"));
        QVERIFY(Common && CommonDB && ComboPub && IniSetting);
    }

    // The write-back at the end fails (a folder now stands where the file goes): reported with
    // the file's name, nothing thrown, every service freed.
    void failingWriteBackAtTheEndIsReported() {
        NewLedger();
        StartLoggedIn();
        QVERIFY(QDir().mkpath(SettingsPath()));
        delete frmMain;
        frmMain = nullptr;
        QCOMPARE(FLedger->Messages.Boxes.size(), 1);
        QVERIFY2(FLedger->Messages.LastText().contains(QStringLiteral("fClient.ini")),
                 qPrintable(FLedger->Messages.LastText()));
        QVERIFY(!Common && !CommonDB && !ComboPub && !IniSetting && !frmPanel);
    }

    // -- Chinese throughout -----------------------------------------------------------------

    void statusBarDateInChinese() {
        NewLedger();
        StartLoggedIn();
        QCOMPARE(frmMain->lbDate->text(), QStringLiteral("登录时间：2026/12/7"));
        QCOMPARE(ShortDateText(QDate(2026, 12, 8)), QStringLiteral("2026/12/8"));
        QCOMPARE(QLocale().toString(1234.5, 'f', 2), QStringLiteral("1,234.50"));
        QCOMPARE(QLocale().language(), QLocale::Chinese);
    }

    void standardButtonsInChinese() {
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QCOMPARE(box.button(QDialogButtonBox::Ok)->text(), QStringLiteral("确定"));
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    }

    // -- navigation ----------------------------------------------------------------------------

    void navigation_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("kind");
        QTest::newRow("家庭成员") << 1 << "TfrmFamilyMember" << QString();
        QTest::newRow("收支分类项目") << 2 << "TfrmItemType" << QString();
        QTest::newRow("日常收入管理") << 3 << "TfrmIncome" << QStringLiteral("收入");
        QTest::newRow("日常支出管理") << 4 << "TfrmPayout" << QStringLiteral("支出");
        QTest::newRow("收支查询分析") << 5 << "TfrmPayQuery" << QString();
        QTest::newRow("财务统计分析") << 6 << "TfrmFinanceAns" << QString();
        QTest::newRow("家庭理财相关") << 7 << "TfrmRelatively" << QString();
    }

    void navigation() {
        QFETCH(int, button);
        QFETCH(QString, className);
        QFETCH(QString, kind);
        NewLedger();
        StartLoggedIn();
        TShowRecorder shows;
        qApp->installEventFilter(&shows);

        QTest::mouseClick(frmMain->fcsb[button - 1], Qt::LeftButton);
        QPointer<QObject> first = FormVariable(button);
        QVERIFY(first);
        QCOMPARE(QString::fromLatin1(first->metaObject()->className()), className);
        auto* form = qobject_cast<TfrmBase*>(first.data());
        QVERIFY(form);
        QCOMPARE(form->parent(), frmPanel);
        QVERIFY(!form->isWindow()); // embedded without border or title bar
        QVERIFY(form->isVisible());
        QCOMPARE(WorkForms(), QList<TfrmBase*>{form});
        frmPanel->layout()->activate();
        QCOMPARE(form->geometry(), frmPanel->rect());
        // The keyboard goes with the form just opened, not with the button that opened it.
        QVERIFY(QTest::qWaitForWindowActive(frmMain));
        QWidget* focus = QApplication::focusWidget();
        QVERIFY2(focus == form || form->isAncestorOf(focus),
                 qPrintable(focus ? focus->objectName() : QStringLiteral("nothing")));
        if (auto* entry = qobject_cast<TfrmPayoutBase*>(form)) {
            QCOMPARE(entry->FItemType, kind);
            QCOMPARE(shows.Kinds.value(0), kind); // already set when the form was shown
            // so its Ctrl+N works at once
            QTest::keyClick(focus, Qt::Key_N, Qt::ControlModifier);
            QCOMPARE(entry->qryPayout->State(), TDataSetState::Insert);
            entry->qryPayout->Cancel();
        } else {
            QVERIFY(kind.isEmpty());
        }

        // The same button again: a fresh instance, the old one out of sight at once and freed
        // when control is back in the event loop.
        QTest::mouseClick(frmMain->fcsb[button - 1], Qt::LeftButton);
        QVERIFY(first);
        QVERIFY(!form->isVisible());
        QCOMPARE(frmPanel->layout()->indexOf(form), -1);
        QVERIFY(TfrmMain::IsFreed(form));
        QVERIFY(!TfrmMain::IsFreed(qobject_cast<QWidget*>(FormVariable(button))));
        FreePending();
        QVERIFY(first.isNull());
        QVERIFY(FormVariable(button));
        QCOMPARE(WorkForms().size(), 1);
        QCOMPARE(WorkForms().first(), FormVariable(button));
        QVERIFY(qobject_cast<TfrmBase*>(FormVariable(button))->isVisible());
        qApp->removeEventFilter(&shows);
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
    }

    void eachButtonReplacesTheWorkingForm() {
        NewLedger();
        StartLoggedIn();
        QPointer<QObject> previous;
        for (int button = 1; button <= 7; ++button) {
            QTest::mouseClick(frmMain->fcsb[button - 1], Qt::LeftButton);
            FreePending();
            QVERIFY(previous.isNull());
            QCOMPARE(WorkForms().size(), 1);
            QCOMPARE(WorkForms().first(), FormVariable(button));
            for (int other = 1; other <= 7; ++other)
                if (other != button)
                    QVERIFY2(!FormVariable(other), qPrintable(QString::number(other)));
            previous = FormVariable(button);
        }
    }

    void closeWorkForms() {
        NewLedger();
        StartLoggedIn();
        QTest::mouseClick(frmMain->fcsb[6], Qt::LeftButton);
        QPointer<TfrmRelatively> page = frmRelatively;
        QPointer<TfrmBase> dialog = new TfrmBase(frmPanel); // a dialog owned by the host panel
        dialog->show();
        QPointer<TfrmBase> hidden = new TfrmBase(frmPanel); // a form closed by its own button
        QVERIFY(page && dialog && hidden);
        QCOMPARE(WorkForms().size(), 3);

        frmMain->CloseWorkForms();
        QVERIFY(page && dialog && hidden); // freed later, but gone from the screen now
        QVERIFY(!page->isVisible() && !dialog->isVisible());
        QCOMPARE(frmPanel->layout()->indexOf(page), -1);
        FreePending();
        QVERIFY(page.isNull());
        QVERIFY(dialog.isNull());
        QVERIFY(hidden.isNull());
        QVERIFY(!frmRelatively);
        QVERIFY(WorkForms().isEmpty());
        QVERIFY(frmPanel->imgMain); // the panel's own parts stay
        QCOMPARE(frmPanel->imgMain->parent(), frmPanel);
        QVERIFY(FLedger->Messages.Boxes.isEmpty());

        frmMain->CloseWorkForms(); // nothing left: nothing happens
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
    }

    // A form that closes the working forms from its own handler, as the diary does when it ends
    // itself, goes on running that handler on a live object.
    void formClosesItselfFromItsHandler() {
        NewLedger();
        StartLoggedIn();
        QTest::mouseClick(frmMain->fcsb[6], Qt::LeftButton);
        QPointer<TfrmRelatively> page = frmRelatively;
        auto* own = new QPushButton(QStringLiteral("关闭"), page);
        bool aliveAfterClosing = false;
        connect(own, &QPushButton::clicked, page, [&, self = page.data(), own] {
            frmMain->CloseWorkForms();
            // the handler still uses its form and its button
            aliveAfterClosing = page && self->isHidden() && own->parentWidget() == self;
        });
        own->show();
        QTest::mouseClick(own, Qt::LeftButton);
        QVERIFY(aliveAfterClosing);
        FreePending();
        QVERIFY(page.isNull());
        QVERIFY(WorkForms().isEmpty());
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
    }

    // The navigation buttons take the focus like any button, and F1 is the help key whatever has
    // the focus in the main window, the working form itself included; shown once per press.
    void helpKeyAndFocusableButtons() {
        NewLedger();
        StartLoggedIn();
        for (TPictureButton* button : frmMain->fcsb)
            QCOMPARE(button->focusPolicy(), Qt::StrongFocus);
        QTest::mouseClick(frmMain->fcsb[6], Qt::LeftButton);
        QVERIFY(frmRelatively);
        QApplication::setActiveWindow(frmMain);
        const QString missing = QStringLiteral("帮助文件不存在，请检查！");
        frmMain->fcsb[1]->setFocus();
        QTest::keyClick(frmMain->fcsb[1], Qt::Key_F1);
        QCOMPARE(FLedger->Messages.Texts(), QStringList{missing});
        frmRelatively->setFocus();
        QTest::keyClick(frmRelatively, Qt::Key_F1);
        QCOMPARE(FLedger->Messages.Texts(), (QStringList{missing, missing}));
        // Ctrl+F1 and Shift+F1 are the help key too, on a button as in the form.
        FLedger->Messages.Boxes.clear();
        for (QWidget* target :
             {static_cast<QWidget*>(frmMain->fcsb[1]), static_cast<QWidget*>(frmRelatively.data())})
            for (Qt::KeyboardModifier modifier : {Qt::ControlModifier, Qt::ShiftModifier}) {
                target->setFocus();
                QTest::keyClick(target, Qt::Key_F1, modifier);
            }
        QCOMPARE(FLedger->Messages.Texts(), QStringList(4, missing));
    }

    // A navigation button reached by Tab is pressed by Enter as by Space, like every other
    // button of the program.
    void navigationButtonsTakeEnter() {
        NewLedger();
        StartLoggedIn();
        QApplication::setActiveWindow(frmMain);
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
            for (int button = 1; button <= 7; ++button) {
                frmMain->fcsb[button - 1]->setFocus();
                QTest::keyClick(frmMain->fcsb[button - 1], key);
                FreePending();
                QVERIFY2(FormVariable(button), qPrintable(QStringLiteral("button %1, key %2")
                                                              .arg(button)
                                                              .arg(QKeySequence(key).toString())));
                QCOMPARE(WorkForms().size(), 1);
            }
        }
    }

    void hoverPictures_data() {
        QTest::addColumn<int>("button");
        for (int i = 1; i <= TfrmMain::ButtonCount; ++i)
            QTest::addRow("fcsb%02d", i) << i;
    }

    void hoverPictures() {
        QFETCH(int, button);
        NewLedger();
        frmMain = new TfrmMain;
        TPictureButton* target = frmMain->fcsb[button - 1];
        const QImage normal = frmMain->fcibNormal[button - 1]->Picture().toImage();
        const QImage hover = frmMain->fcibHover[button - 1]->Picture().toImage();
        QVERIFY(!normal.isNull() && !hover.isNull());
        QVERIFY(normal != hover);
        QCOMPARE(target->Picture().toImage(), normal);

        const QPointF inside(10, 10);
        QEnterEvent enter(inside, inside, target->mapToGlobal(inside));
        QApplication::sendEvent(target, &enter);
        QCOMPARE(target->Picture().toImage(), hover);
        QMouseEvent move(QEvent::MouseMove, QPointF(20, 12), target->mapToGlobal(QPointF(20, 12)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        QCOMPARE(target->Picture().toImage(), hover);

        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(target, &leave);
        QCOMPARE(target->Picture().toImage(), normal);

        // A move without an enter (the mouse was already there) shows the hover picture too.
        QApplication::sendEvent(target, &move);
        QCOMPARE(target->Picture().toImage(), hover);
        QApplication::sendEvent(target, &leave);
        QCOMPARE(target->Picture().toImage(), normal);
        // The other buttons were not touched.
        for (int i = 0; i < TfrmMain::ButtonCount; ++i)
            QCOMPARE(frmMain->fcsb[i]->Picture().toImage(),
                     frmMain->fcibNormal[i]->Picture().toImage());
    }

    void exitButtonClosesTheMainWindow() {
        NewLedger();
        StartLoggedIn();
        QTest::mouseClick(frmMain->fcsb[1], Qt::LeftButton);
        QVERIFY(frmItemType);
        QTest::mouseClick(frmMain->fcsb[7], Qt::LeftButton);
        QVERIFY(!frmMain->isVisible());
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
    }

    // -- the end -------------------------------------------------------------------------------

    void formDestroyWritesSettings() {
        NewLedger();
        StartLoggedIn();
        QTest::mouseClick(frmMain->fcsb[0], Qt::LeftButton);
        QPointer<TfrmFamilyMember> form = frmFamilyMember;
        QVERIFY(!QFileInfo::exists(SettingsPath()));

        delete frmMain;
        frmMain = nullptr;
        QVERIFY(form.isNull());
        QVERIFY(!frmPanel);
        QVERIFY(!Common && !CommonDB && !ComboPub && !IniSetting);
        QStringEncoder gbk("GBK");
        QCOMPARE(ReadAll(SettingsPath()),
                 QByteArray(gbk.encode(QStringLiteral("[系统]\r\n默认帐户=\"admin\"\r\n\r\n"))));

        // The next start offers the account.
        Start([](TfrmLogin* login) {
            QCOMPARE(login->edtAccount->text(), QStringLiteral("admin"));
            QTest::keyClicks(login->edtLogonPassword, QStringLiteral("admin"));
            QTest::keyClick(login->edtLogonPassword, Qt::Key_Return);
        });
        QCOMPARE(frmMain->lbName->text(), QStringLiteral("登录成员：家长"));
    }

    // The skin reaches the working forms in the host panel, not the main window or the login.
    void skinStaysInTheHostPanel() {
        NewLedger();
        QString loginSheet = QStringLiteral("unset");
        QString loginStyle;
        Start([&](TfrmLogin* login) {
            loginSheet = login->styleSheet();
            loginStyle = QString::fromLatin1(login->style()->metaObject()->className());
            LogIn(login, QStringLiteral("admin"), QStringLiteral("admin"));
        });
        QVERIFY(loginSheet.isEmpty());
        QVERIFY(loginStyle != QStringLiteral("QStyleSheetStyle"));
        QTest::mouseClick(frmMain->fcsb[2], Qt::LeftButton);
        QVERIFY(!frmPanel->styleSheet().isEmpty());
        QCOMPARE(QString::fromLatin1(frmIncome->style()->metaObject()->className()),
                 QStringLiteral("QStyleSheetStyle"));
        QVERIFY(frmMain->styleSheet().isEmpty());
        QVERIFY(qApp->styleSheet().isEmpty());
        QVERIFY(QString::fromLatin1(frmMain->fcsb[0]->style()->metaObject()->className()) !=
                QStringLiteral("QStyleSheetStyle"));
        QVERIFY(!frmMain->Panel3->HasColor()); // the skin's face colour stays off the main window
    }
};

int main(int argc, char* argv[]) {
    TApplication app(argc, argv);
    TestMainWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
