#include "FormUnderTest.h"
#include "Files.h"
#include "Resources.h"
#include "app/Application.h"
#include "app/Login.h"
#include "app/MainWindow.h"
#include "data/ComboPub.h"
#include "data/Common.h"
#include "forms/Diary.h"
#include "forms/Relatively.h"
#include "forms/base/FormPanel.h"
#include "platform/Calculator.h"
#include "platform/DocumentOpener.h"
#include "platform/Fonts.h"
#include "widgets/Image.h"
#include "widgets/LinkLabel.h"
#include "widgets/Panel.h"
#include "widgets/PictureButton.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>
#include <memory>

// The form under test is a window that stands in for the main window, with the page in it.
class TestRelatively : public QObject, TFormUnderTest<QWidget> {
    Q_OBJECT

    TfrmRelatively* FPage = nullptr;
    QStringList FStarted; // programs the page asked the system to start
    QStringList FOpened;  // documents it asked the system to open
    bool FOpenResult = true;

    // The page in a skinned host panel, as the main window opens it.
    void OpenPage() {
        ComboPub->CurPersonID = QStringLiteral("1");
        frmRelatively = FPage = new TfrmRelatively(ShowHostPanel());
        FPage->setWindowFlags(Qt::Widget);
        auto* inner = new QVBoxLayout(frmPanel);
        inner->setContentsMargins(0, 0, 0, 0);
        inner->addWidget(FPage);
        frmPanel->sdMain.AddNestedForm(FPage);
        FPage->show();
    }

    // -- the main window, for the order in which the forms go ------------------------------------

    void StartMainWindow() {
        FLedger->ReleaseServices();
        frmMain = new TfrmMain;
        QTimer::singleShot(0, frmMain, [] {
            auto* login = qobject_cast<TfrmLogin*>(QApplication::activeModalWidget());
            if (!login) return;
            QTest::keyClicks(login->edtAccount, QStringLiteral("admin"));
            QTest::keyClicks(login->edtLogonPassword, QStringLiteral("admin"));
            QTest::mouseClick(login->sbOK, Qt::LeftButton);
        });
        frmMain->show();
        QVERIFY(QTest::qWaitForWindowExposed(frmMain));
        QVERIFY(frmPanel);
        QTest::mouseClick(frmMain->fcsb[6], Qt::LeftButton); // 家庭理财相关
        QVERIFY(frmRelatively);
        QTest::mouseClick(frmRelatively->Label1, Qt::LeftButton);
        QVERIFY(frmDiary);
    }

    static void ProcessDeferredDeletes() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

private slots:
    void initTestCase() {
        InitPennyvaleResources();
        InstallFontSubstitutions();
        TApplication::SetTerminateAction([] {});
    }

    void init() {
        OpenLedger();
        FStarted.clear();
        FOpened.clear();
        FOpenResult = true;
        SetProgramStarter([this](const QString& program) {
            FStarted << program;
            return true;
        });
        SetDocumentOpener([this](const QString& document) {
            FOpened << document;
            return FOpenResult;
        });
        TApplication::ResetTerminated();
    }

    void cleanup() {
        delete frmMain;
        frmMain = nullptr;
        FForm.reset();
        frmPanel = nullptr;
        FPage = nullptr;
        ProcessDeferredDeletes();
        SetProgramStarter({});
        SetDocumentOpener({});
        CloseForm();
        TApplication::ResetTerminated();
    }

    void cleanupTestCase() { TApplication::SetTerminateAction({}); }

    // -- the page ------------------------------------------------------------------------------

    void links() {
        OpenPage();
        QCOMPARE(FPage->windowTitle(), QStringLiteral("家庭理财相关"));
        const QList<TLinkLabel*> links = {FPage->Label1, FPage->Label2, FPage->Label3,
                                          FPage->Label4, FPage->Label5};
        const QStringList captions = {"理财日志", "理财计算器", "个人所得税计算", "导入账单",
                                      "导出账本"};
        for (int i = 0; i < links.size(); ++i) {
            TLinkLabel* link = links[i];
            QCOMPARE(link->objectName(), QStringLiteral("Label%1").arg(i + 1));
            QCOMPARE(link->text(), captions[i]);
            QCOMPARE(link->height(), 20);
            QCOMPARE(link->y(), FPage->Label1->y()); // one row
            QVERIFY(link->y() < 60);                  // near the top
            if (i) QVERIFY(link->x() > links[i - 1]->geometry().right()); // side by side, in order
            QVERIFY(link->isVisible());
            QVERIFY(link->font().underline());
            QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0xFF, 0, 0));
            QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
            QVERIFY(link->testAttribute(Qt::WA_TranslucentBackground));
            QCOMPARE(QAccessible::queryAccessibleInterface(link)->role(), QAccessible::Link);
        }
        // Keyboard-reachable, in order.
        FPage->Label1->setFocus();
        QCOMPARE(FPage->Label1->nextInFocusChain(), FPage->Label2);
        QCOMPARE(FPage->Label2->nextInFocusChain(), FPage->Label3);
        QCOMPARE(FPage->Label3->nextInFocusChain(), FPage->Label4);
        QCOMPARE(FPage->Label4->nextInFocusChain(), FPage->Label5);
    }

    void backgroundStretched() {
        OpenPage();
        QCOMPARE(FPage->Image1->Picture().size(), QSize(676, 505));
        QVERIFY(!FPage->Image1->Picture().hasAlphaChannel());
        QCOMPARE(FPage->Image1->geometry(), FPage->rect());
        QCOMPARE(FPage->size(), frmPanel->size());
        // The links stand over the picture.
        QVERIFY(FPage->Image1->geometry().contains(FPage->Label5->geometry()));
    }

    // -- the book's export ----------------------------------------------------------------------

    // 导出账本 asks where, proposing the member and the day, and writes the member's records.
    void exportBook() {
        FLedger->AddPayout(1, 7, QStringLiteral("午饭"), 25, {}, QDate(2026, 12, 7),
                           QStringLiteral("家长"), QStringLiteral("支出"));
        FLedger->AddPayout(2, 7, QStringLiteral("晚饭"), 30, {}, QDate(2026, 12, 7),
                           QStringLiteral("李四"), QStringLiteral("支出"));
        ComboPub->CurPersonName = QStringLiteral("家长");
        OpenPage();
        const QString path = QDir::current().filePath("book.csv");
        QString proposed;
        WhenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            proposed = QFileInfo(dialog->selectedFiles().value(0)).fileName();
            dialog->selectFile(path);
            static_cast<QDialog*>(dialog)->accept();
        });
        QTest::mouseClick(FPage->Label5, Qt::LeftButton);
        QCOMPARE(proposed, QStringLiteral("账本-家长-20261207.csv"));
        QCOMPARE(LastMessage(), QStringLiteral("已导出 家长 的 1 条帐目到\n") + path);
        const QList<QByteArray> lines = ReadAll(path).split('\n');
        QCOMPARE(lines.size(), 3); // the header, the record, the end
        QVERIFY(lines[1].contains(",午饭,25,家长,"));
    }

    // -- the diary -----------------------------------------------------------------------------

    void diaryOpensAboveThePageAndCloses() {
        FLedger->AddDiary(1, QStringLiteral("今天的日记"), TTestLedger::Now().date(), 1);
        OpenPage();
        QTest::mouseClick(FPage->Label1, Qt::LeftButton);
        QPointer<TfrmDiary> diary = frmDiary;
        QVERIFY(diary);
        QCOMPARE(diary->parent(), frmPanel);
        QVERIFY(!diary->isWindow()); // embedded, without a border
        QCOMPARE(diary->geometry(), frmPanel->rect());
        QVERIFY(diary->isVisible());
        QVERIFY(FPage->isVisible()); // beneath it
        QVERIFY(diary->isAncestorOf(frmPanel->childAt(FPage->Label1->geometry().center())));
        QCOMPARE(diary->mmDiary->toPlainText(), QStringLiteral("今天的日记"));
        QCOMPARE(diary->pnlDiary->Color(), frmPanel->sdMain.FaceColor()); // skinned
        // It follows the host panel's size.
        FForm->resize(700, 500);
        QCOMPARE(diary->geometry(), frmPanel->rect());

        // Clicking the link again brings back the same diary.
        FPage->Label1Click();
        QCOMPARE(frmDiary.data(), diary.data());

        QTest::mouseClick(diary->SpeedButton3, Qt::LeftButton);
        ProcessDeferredDeletes();
        QVERIFY(diary.isNull());
        QVERIFY(FPage->isVisible());
        QCOMPARE(frmPanel->childAt(FPage->Label1->geometry().center()), FPage->Label1);
        // And opens anew.
        QTest::mouseClick(FPage->Label1, Qt::LeftButton);
        QVERIFY(frmDiary);
        QVERIFY(frmDiary.data() != diary.data());
    }

    // -- the calculator ------------------------------------------------------------------------

    void calculatorFound() {
        QTemporaryDir folder;
        QFile program(folder.filePath("galculator"));
        QVERIFY(program.open(QIODevice::WriteOnly));
        program.write("#!/bin/sh\n");
        program.close();
        program.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        const QByteArray saved = qgetenv("PATH");
        qputenv("PATH", folder.path().toLocal8Bit());
        OpenPage();
        QTest::mouseClick(FPage->Label2, Qt::LeftButton);
        qputenv("PATH", saved);
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
        QCOMPARE(FStarted, QStringList{folder.filePath("galculator")});
    }

    void calculatorMissing() {
        QTemporaryDir empty;
        const QByteArray saved = qgetenv("PATH");
        qputenv("PATH", empty.path().toLocal8Bit());
        OpenPage();
        QTest::mouseClick(FPage->Label2, Qt::LeftButton);
        qputenv("PATH", saved);
        const QString looked = empty.filePath("gnome-calculator");
        QCOMPARE(FLedger->Messages.Boxes.size(), 1);
        QCOMPARE(FLedger->Messages.Boxes[0].Kind, TMessageKind::Warning);
        QCOMPARE(LastMessage(), looked);
        QCOMPARE(FStarted, QStringList{looked}); // still asked to start
    }

    // -- the tax page --------------------------------------------------------------------------

    void taxPageInstalledBesideTheProgram() {
        const QString installed =
            QCoreApplication::applicationDirPath() + QStringLiteral("/bank/computer/tax.html");
        QVERIFY2(QFile::exists(installed), qPrintable(installed));
        QVERIFY(TfrmRelatively::TaxPagePath().endsWith(QStringLiteral("/bank/computer/tax.html")));
        QCOMPARE(TfrmRelatively::TaxPagePath(),
                 TCommon::GetAppPath() + QStringLiteral("bank/computer/tax.html"));
    }

    void taxPage_data() {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("browserStarts");
        QTest::addColumn<QString>("message");
        QTest::newRow("opened") << true << true << QString();
        QTest::newRow("no browser") << true << false << QStringLiteral("网页浏览器没有发现，请检查！");
        QTest::newRow("page missing") << false << true << QStringLiteral("个人所得税计算页面不存在，请检查！");
    }

    void taxPage() {
        QFETCH(bool, installed);
        QFETCH(bool, browserStarts);
        QFETCH(QString, message);
        const QString page = TfrmRelatively::TaxPagePath(); // in the test's own program folder
        if (installed) {
            QDir().mkpath(QFileInfo(page).path());
            QFile file(page);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("<html></html>");
        }
        FOpenResult = browserStarts;
        OpenPage();
        QTest::mouseClick(FPage->Label3, Qt::LeftButton);
        if (message.isEmpty()) {
            QVERIFY(FLedger->Messages.Boxes.isEmpty());
        } else {
            QCOMPARE(FLedger->Messages.Boxes.size(), 1);
            QCOMPARE(FLedger->Messages.Boxes[0].Kind, TMessageKind::Warning);
            QVERIFY2(LastMessage().startsWith(message), qPrintable(LastMessage()));
        }
        QCOMPARE(FOpened, installed ? QStringList{page} : QStringList{});
    }

    // -- freed once, whatever the order ----------------------------------------------------------

    void exitThenNavigation() {
        StartMainWindow();
        QPointer<TfrmDiary> diary = frmDiary;
        QPointer<TfrmRelatively> page = frmRelatively;
        QSignalSpy diaryGone(diary.data(), &QObject::destroyed);
        QSignalSpy pageGone(page.data(), &QObject::destroyed);
        QTest::mouseClick(diary->SpeedButton3, Qt::LeftButton);   // 退出, deferred
        QTest::mouseClick(frmMain->fcsb[1], Qt::LeftButton);      // another form at once
        ProcessDeferredDeletes();
        QVERIFY(diary.isNull());
        QVERIFY(page.isNull());
        QCOMPARE(diaryGone.size(), 1);
        QCOMPARE(pageGone.size(), 1);
    }

    void navigationWhileTheDiaryIsOpen() {
        StartMainWindow();
        QPointer<TfrmDiary> diary = frmDiary;
        QPointer<TfrmRelatively> page = frmRelatively;
        QSignalSpy diaryGone(diary.data(), &QObject::destroyed);
        QTest::mouseClick(frmMain->fcsb[6], Qt::LeftButton); // the page again, anew
        ProcessDeferredDeletes();
        QVERIFY(diary.isNull());
        QVERIFY(page.isNull());
        QCOMPARE(diaryGone.size(), 1);
        QVERIFY(frmRelatively);
        QVERIFY(!frmDiary);
    }

    void closingTheMainWindow_data() {
        QTest::addColumn<bool>("exitFirst");
        QTest::newRow("with the diary open") << false;
        QTest::newRow("right after 退出") << true;
    }

    void closingTheMainWindow() {
        QFETCH(bool, exitFirst);
        StartMainWindow();
        QPointer<TfrmDiary> diary = frmDiary;
        QPointer<TfrmRelatively> page = frmRelatively;
        QSignalSpy diaryGone(diary.data(), &QObject::destroyed);
        QSignalSpy pageGone(page.data(), &QObject::destroyed);
        if (exitFirst) QTest::mouseClick(diary->SpeedButton3, Qt::LeftButton);
        frmMain->close();
        delete frmMain;
        frmMain = nullptr;
        ProcessDeferredDeletes();
        QVERIFY(diary.isNull());
        QVERIFY(page.isNull());
        QCOMPARE(diaryGone.size(), 1);
        QCOMPARE(pageGone.size(), 1);
    }
};

QTEST_MAIN(TestRelatively)
#include "tst_relatively.moc"
