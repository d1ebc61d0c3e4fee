#include "FormUnderTest.h"
#include "Resources.h"
#include "data/CommonDB.h"
#include "forms/DiaryDatePicker.h"
#include "forms/DiaryQuery.h"
#include "platform/Fonts.h"

#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

class TestDiaryQuery : public QObject, TFormUnderTest<TfrmDiaryQuery> {
    Q_OBJECT

    // Shows the dialog modally; steps act on it, and whatever stays open is rejected.
    static int Run(TfrmDiaryQuery& dialog, const std::function<void()>& steps) {
        QTimer::singleShot(0, &dialog, [&] {
            steps();
            if (dialog.isVisible()) dialog.reject();
        });
        return dialog.exec();
    }

private slots:
    void initTestCase() {
        InitPennyvaleResources();
        InstallFontSubstitutions();
    }
    void init() { OpenLedger(); }
    void cleanup() { CloseForm(); }

    void controls() {
        TfrmDiaryQuery dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("日志查询"));
        QCOMPARE(dialog.Label1->text(), QStringLiteral("从"));
        QCOMPARE(dialog.Label2->text(), QStringLiteral("至"));
        QCOMPARE(dialog.Label1->buddy(), dialog.dtpBegin);
        QCOMPARE(dialog.Label2->buddy(), dialog.dtpEnd);
        QCOMPARE(dialog.sbAppend->text(), QStringLiteral("  确定"));
        QCOMPARE(dialog.SpeedButton1->text(), QStringLiteral("  取消"));
        dialog.show();
        // "从", begin, "至", end on one line, the buttons below.
        QVERIFY(dialog.Label1->x() < dialog.dtpBegin->x());
        QVERIFY(dialog.dtpBegin->x() < dialog.Label2->x());
        QVERIFY(dialog.Label2->x() < dialog.dtpEnd->x());
        QVERIFY(dialog.sbAppend->y() > dialog.dtpBegin->geometry().bottom());
        QVERIFY(!dialog.FResult);
    }

    void pickersStartAtNowAndTomorrow_data() {
        QTest::addColumn<QTime>("now");
        QTest::addColumn<QTime>("kept");
        QTest::newRow("10:30") << QTime(10, 30) << QTime(10, 30);
        QTest::newRow("midnight") << QTime(0, 0) << QTime(0, 0, 1);
        QTest::newRow("within the first second") << QTime(0, 0, 0, 999) << QTime(0, 0, 1);
        QTest::newRow("a second past midnight") << QTime(0, 0, 1) << QTime(0, 0, 1);
        QTest::newRow("the day's end") << QTime(23, 59, 59, 999) << QTime(23, 59, 59, 999);
    }

    void pickersStartAtNowAndTomorrow() {
        QFETCH(QTime, now);
        QFETCH(QTime, kept);
        const QDate today(2026, 12, 31);
        TCommonDB::SetClock([&] { return QDateTime(today, now); });
        TfrmDiaryQuery dialog;
        QCOMPARE(dialog.dtpBegin->Value(), QDateTime(today, kept));
        QCOMPARE(dialog.dtpEnd->Value(), QDateTime(QDate(2027, 1, 1), kept));
    }

    void choosingADateKeepsTheTime() {
        TfrmDiaryQuery dialog;
        dialog.dtpBegin->setDate(QDate(2026, 2, 3));
        QCOMPARE(dialog.dtpBegin->Value(), QDateTime(QDate(2026, 2, 3), QTime(10, 30)));
        QVERIFY(dialog.dtpBegin->calendarPopup());
        QVERIFY(!dialog.dtpBegin->keyboardTracking());
    }

    void leftWithOk() {
        TfrmDiaryQuery dialog;
        const int result = Run(dialog, [&] { QTest::mouseClick(dialog.sbAppend, Qt::LeftButton); });
        QCOMPARE(result, int(QDialog::Accepted));
        QVERIFY(dialog.FResult);
        QVERIFY(!dialog.isVisible());
    }

    void leftWithCancel() {
        TfrmDiaryQuery dialog;
        const int result =
            Run(dialog, [&] { QTest::mouseClick(dialog.SpeedButton1, Qt::LeftButton); });
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(!dialog.FResult);
    }

    void closedOtherwise() {
        TfrmDiaryQuery dialog;
        const int result = Run(dialog, [&] { dialog.close(); }); // the window's close box
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(!dialog.FResult);
        // Escape does not close it: the buttons do.
        TfrmDiaryQuery second;
        Run(second, [&] {
            QTest::keyClick(&second, Qt::Key_Escape);
            QVERIFY(second.isVisible());
            QTest::keyClick(second.sbAppend, Qt::Key_Space);
        });
        QVERIFY(second.FResult);
    }
};

QTEST_MAIN(TestDiaryQuery)
#include "tst_diaryquery.moc"
