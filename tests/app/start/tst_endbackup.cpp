#include "Fixture.h"
#include "Resources.h"
#include "app/Application.h"
#include "app/Login.h"
#include "app/MainWindow.h"
#include "widgets/PictureButton.h"
#include "data/DataModule.h"
#include "forms/base/FormPanel.h"
#include "platform/Fonts.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <memory>

// The end of a run as the program ends it: the main window is freed, then the copy is written.
// A run that only looks at every page leaves no copy; a run that writes leaves one, and
// nothing the forms held open stands in the copy's way.
class TestEndBackup : public QObject {
    Q_OBJECT

    std::unique_ptr<TTestLedger> FLedger;

    // Logs in as the default member and opens every working page in turn.
    void RunThroughEveryPage() {
        FLedger = std::make_unique<TTestLedger>();
        FLedger->ReleaseServices();
        frmMain = new TfrmMain;
        QTimer::singleShot(0, frmMain, [] {
            auto* login = qobject_cast<TfrmLogin*>(QApplication::activeModalWidget());
            QVERIFY(login);
            login->edtAccount->clear();
            login->edtLogonPassword->clear();
            QTest::keyClicks(login->edtAccount, QStringLiteral("admin"));
            QTest::keyClicks(login->edtLogonPassword, QStringLiteral("admin"));
            QTest::mouseClick(login->sbOK, Qt::LeftButton);
        });
        frmMain->show();
        QVERIFY(QTest::qWaitForWindowExposed(frmMain));
        QVERIFY(frmPanel); // logged in
        frmMain->fcsb01Click();
        frmMain->fcsb02Click();
        frmMain->fcsb03Click();
        frmMain->fcsb04Click();
        frmMain->fcsb05Click();
        frmMain->fcsb06Click();
        frmMain->fcsb07Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static void EndRun() {
        delete frmMain;
        frmMain = nullptr;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private Q_SLOTS:
    void initTestCase() {
        InitPennyvaleResources();
        InstallFontSubstitutions();
        TApplication::SetTerminateAction([] {});
    }

    void cleanup() {
        delete frmMain;
        frmMain = nullptr;
        FLedger.reset();
        TApplication::ResetTerminated();
    }

    void cleanupTestCase() { TApplication::SetTerminateAction({}); }

    void runThatOnlyLooksLeavesNoCopy() {
        RunThroughEveryPage();
        QVERIFY(!TApplication::Terminated());
        EndRun();
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
        QCOMPARE(dmMain->BackupAtEnd(), QString());
        QVERIFY(!QDir(QStringLiteral("DataBase/Backup")).exists());
    }

    void runThatWritesLeavesACopy() {
        RunThroughEveryPage();
        FLedger->AddPayout(1, 7, "午饭", 25, QVariant(), QDate(2026, 12, 7), "家长", "支出");
        EndRun();
        QCOMPARE(dmMain->BackupAtEnd(),
                 QStringLiteral("DataBase/Backup/Hearthbook-20261207-1030.mdb"));
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
    }
};

QTEST_MAIN(TestEndBackup)
#include "tst_endbackup.moc"
