#include "FormUnderTest.h"
#include "Resources.h"
#include "data/ComboPub.h"
#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/query/DayNumber.h"
#include "data/query/Query.h"
#include "forms/Diary.h"
#include "forms/DiaryDatePicker.h"
#include "forms/DiaryQuery.h"
#include "forms/base/FormPanel.h"
#include "platform/DateText.h"
#include "platform/Fonts.h"
#include "widgets/Panel.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>
#include <memory>

namespace {

const QDate Today(2026, 12, 7); // the fixture's clock

QString DayText(const QDate& day) {
    return ShortDateText(day);
}

// Chooses a day in a picker's drop-down calendar with the keyboard, as a user would: the
// calendar opens, the arrow keys move to the day and Enter takes it.
void ChooseInCalendar(TDiaryDatePicker* picker, const QDate& day) {
    QCalendarWidget* calendar = picker->calendarWidget();
    auto* view = calendar->findChild<QTableView*>();
    QVERIFY(view);
    calendar->window()->show(); // the popup
    view->setFocus();
    const qint64 days = picker->date().daysTo(day);
    for (qint64 i = 0; i < std::abs(days); ++i)
        QTest::keyClick(view, days > 0 ? Qt::Key_Right : Qt::Key_Left);
    QTest::keyClick(view, Qt::Key_Return);
    QVERIFY(!calendar->window()->isVisible()); // taking a day closes the calendar
}

// Types another day of the shown month into a picker's field, as a user does who selects the
// day in the field and types its number; nothing is committed yet.
void TypeDate(TDiaryDatePicker* picker, const QDate& day) {
    QCOMPARE(picker->date().month(), day.month());
    picker->setFocus();
    picker->setSelectedSection(QDateTimeEdit::DaySection);
    QTest::keyClicks(picker, QString::number(day.day()));
    QVERIFY(picker->text().contains(QString::number(day.day())));
}

} // namespace

// The form under test is a window that stands in for the main window, with the diary in it.
class TestDiary : public QObject, TFormUnderTest<QWidget> {
    Q_OBJECT

    TfrmDiary* FDiary = nullptr;

    // The diary inside a skinned host panel, as the related-tools page opens it, for member 1.
    void OpenDiary(const QString& personId = QStringLiteral("1")) {
        ComboPub->CurPersonID = personId;
        frmDiary = FDiary = new TfrmDiary(ShowHostPanel());
        FDiary->setWindowFlags(Qt::Widget);
        FDiary->setGeometry(frmPanel->rect());
        frmPanel->sdMain.AddNestedForm(FDiary);
        FDiary->show();
    }

    // Runs the period dialog that "  查询" opens: steps act on it while it is modal.
    void RunSummary(const std::function<void(TfrmDiaryQuery*)>& steps) {
        bool seen = false;
        QTimer::singleShot(0, FDiary, [&] {
            auto* dialog = qobject_cast<TfrmDiaryQuery*>(QApplication::activeModalWidget());
            if (!dialog) return;
            seen = true;
            steps(dialog);
            if (dialog->isVisible()) dialog->reject();
        });
        QTest::mouseClick(FDiary->SpeedButton4, Qt::LeftButton);
        QVERIFY2(seen, "no period dialog was shown");
    }

    void SummaryOfDefaultPeriod() {
        RunSummary([](TfrmDiaryQuery* dialog) {
            QTest::mouseClick(dialog->sbAppend, Qt::LeftButton);
        });
    }

    void Save() { QTest::mouseClick(FDiary->sbAppend, Qt::LeftButton); }

    // Types into the memo over what it holds: Latin characters and line breaks from the
    // keyboard, Chinese ones committed by the input method.
    void TypeInMemo(const QString& text) {
        QPlainTextEdit* memo = FDiary->mmDiary;
        memo->setFocus();
        memo->selectAll();
        TypeThroughInputMethod(memo, text);
    }

    int DiaryCount() { return Value("select count(*) from fDiary").toInt(); }

    QStringList Visible() const {
        QStringList shown;
        for (QWidget* w : std::initializer_list<QWidget*>{FDiary->lblDiary, FDiary->dtpDiary,
                                                          FDiary->sbAppend, FDiary->sbDel})
            if (w->isVisible()) shown << w->objectName();
        return shown;
    }

private slots:
    void initTestCase() {
        InitPennyvaleResources();
        InstallFontSubstitutions();
    }

    void init() {
        OpenLedger();
        FLedger->AddPerson(2, QStringLiteral("孩子"), QStringLiteral("kid"), QStringLiteral("kid"));
    }

    void cleanup() {
        CloseForm(); // frees the host panel and the diary in it
        FDiary = nullptr;
    }

    // -- the form ------------------------------------------------------------------------------

    void controls() {
        OpenDiary();
        QCOMPARE(FDiary->windowTitle(), QStringLiteral("日志管理"));
        QCOMPARE(FDiary->lblDiary->text(), QStringLiteral("请输入") + QString(17, u' ') +
                                               QStringLiteral("日的日记"));
        QCOMPARE(FDiary->lblDiary->parentWidget(), FDiary->pnlDiary);
        QCOMPARE(FDiary->dtpDiary->parentWidget(), FDiary->pnlDiary);
        QCOMPARE(FDiary->lblDiary->buddy(), FDiary->dtpDiary);
        QVERIFY(FDiary->pnlDiaryCaption->text().isEmpty());
        QVERIFY(FDiary->pnlDiaryCaption->alignment() & Qt::AlignLeft);
        const QList<QPair<QToolButton*, QString>> buttons = {
            {FDiary->sbAppend, "sbAppend"},         {FDiary->SpeedButton1, "SpeedButton1"},
            {FDiary->SpeedButton4, "SpeedButton4"}, {FDiary->sbDel, "sbDel"},
            {FDiary->SpeedButton3, "SpeedButton3"}};
        const QStringList captions = {"  确定", "  取消", "  查询", "  删除", "  退出"};
        int lastTop = -1;
        for (int i = 0; i < buttons.size(); ++i) {
            QCOMPARE(buttons[i].first->objectName(), buttons[i].second);
            QCOMPARE(buttons[i].first->text(), captions[i]);
            QVERIFY(buttons[i].first->y() > lastTop); // one column, top to bottom
            QCOMPARE(buttons[i].first->x(), FDiary->sbAppend->x());
            QVERIFY(buttons[i].first->x() > FDiary->mmDiary->geometry().right()); // right of it
            lastTop = buttons[i].first->y();
        }
        // The picker sits in the label's gap: after "请输入", before "日的日记", at least as wide
        // as the 17 blanks.
        const QFontMetrics metrics(FDiary->lblDiary->font());
        const QRect gap = FDiary->DiaryGap();
        QCOMPARE(gap.left(),
                 FDiary->lblDiary->x() + metrics.horizontalAdvance(QStringLiteral("请输入")));
        QVERIFY(gap.width() >= metrics.horizontalAdvance(QString(17, u' ')));
        QVERIFY(FDiary->dtpDiary->x() >= gap.left());
        QVERIFY(FDiary->dtpDiary->geometry().right() <= gap.right());
        QVERIFY(FDiary->lblDiary->width() >= gap.right() - FDiary->lblDiary->x() +
                                                 metrics.horizontalAdvance(QStringLiteral("日的日记")));
        QVERIFY(FDiary->dtpDiary->calendarPopup());
        QCOMPARE(FDiary->dtpDiary->displayFormat(), ShortDateFormat());
        // The memo fills the rest of the form, below the panel.
        QVERIFY(FDiary->mmDiary->y() >= FDiary->pnlDiary->geometry().bottom());
        QVERIFY(FDiary->mmDiary->height() > 300);
        QVERIFY(!FDiary->mmDiary->isReadOnly());
        // Skinned: the panel takes the skin's face colour.
        QCOMPARE(FDiary->pnlDiary->Color(), frmPanel->sdMain.FaceColor());
    }

    // -- loading a day -------------------------------------------------------------------------

    void dayWithoutEntry() {
        OpenDiary();
        QCOMPARE(FDiary->dtpDiary->date(), Today);
        QCOMPARE(FDiary->dtpDiary->TimeOfDay(), QTime(10, 30));
        QVERIFY(FDiary->mmDiary->toPlainText().isEmpty());
        QCOMPARE(FDiary->qryDiary->SQL.join('\n'),
                 QStringLiteral("select * from fDiary where DiaryDate > 46362.4375 and "
                                "DiaryDate <46363.4375 and PersonID = 1"));
        QVERIFY(FDiary->qryDiary->IsEmpty());
        QCOMPARE(FDiary->focusWidget(), FDiary->mmDiary);
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
    }

    void dayWithEntry() {
        FLedger->AddDiary(1, QStringLiteral("前一天"), Today.addDays(-1), 1);
        FLedger->AddDiary(2, QStringLiteral("今天买了菜\n第二行"), Today, 1);
        FLedger->AddDiary(3, QStringLiteral("后一天"), Today.addDays(1), 1);
        FLedger->AddDiary(4, QStringLiteral("孩子的今天"), Today, 2);
        OpenDiary();
        QCOMPARE(FDiary->mmDiary->toPlainText(), QStringLiteral("今天买了菜\n第二行"));
        QCOMPARE(FDiary->qryDiary->RecordCount(), 1);
    }

    void otherMembersNeverShown() {
        FLedger->AddDiary(1, QStringLiteral("家长的今天"), Today, 1);
        OpenDiary(QStringLiteral("2"));
        QVERIFY(FDiary->mmDiary->toPlainText().isEmpty());
        TypeInMemo(QStringLiteral("孩子的今天"));
        Save();
        // A second entry for the day, the child's own; the parent's is untouched.
        QCOMPARE(DiaryCount(), 2);
        QCOMPARE(Value("select Diary from fDiary where PersonID = 1").toString(),
                 QStringLiteral("家长的今天"));
        SummaryOfDefaultPeriod();
        QCOMPARE(FDiary->mmDiary->toPlainText(),
                 DayText(Today) + QStringLiteral("\n孩子的今天\n"));
    }

    void anotherDayChosenInTheCalendar() {
        FLedger->AddDiary(1, QStringLiteral("五日"), QDate(2026, 12, 5), 1);
        FLedger->AddDiary(2, QStringLiteral("别人的五日"), QDate(2026, 12, 5), 2);
        OpenDiary();
        TypeInMemo(QStringLiteral("没保存的字"));
        ChooseInCalendar(FDiary->dtpDiary, QDate(2026, 12, 5));
        QCOMPARE(FDiary->dtpDiary->date(), QDate(2026, 12, 5));
        QCOMPARE(FDiary->dtpDiary->TimeOfDay(), QTime(10, 30)); // only the date changed
        QCOMPARE(FDiary->mmDiary->toPlainText(), QStringLiteral("五日"));
        QCOMPARE(FDiary->qryDiary->SQL.join('\n'),
                 TfrmDiary::DayStatement(QDateTime(QDate(2026, 12, 5), QTime(10, 30)), "1"));
        QCOMPARE(FDiary->focusWidget(), FDiary->mmDiary);
        // A day without an entry empties the memo.
        ChooseInCalendar(FDiary->dtpDiary, QDate(2026, 12, 8));
        QVERIFY(FDiary->mmDiary->toPlainText().isEmpty());
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
    }

    void sameDayChosenAgainReloads() {
        FLedger->AddDiary(1, QStringLiteral("七日"), Today, 1);
        OpenDiary();
        TypeInMemo(QStringLiteral("改了一半"));
        ChooseInCalendar(FDiary->dtpDiary, Today);
        QCOMPARE(FDiary->mmDiary->toPlainText(), QStringLiteral("七日"));
    }

    void anotherDayTyped() {
        FLedger->AddDiary(1, QStringLiteral("七日"), Today, 1);
        FLedger->AddDiary(2, QStringLiteral("三日"), QDate(2026, 12, 3), 1);
        OpenDiary();
        TypeDate(FDiary->dtpDiary, QDate(2026, 12, 3));
        // Not loaded while typing.
        QCOMPARE(FDiary->mmDiary->toPlainText(), QStringLiteral("七日"));
        QCOMPARE(FDiary->LoadedDay(), Today);
        // Enter commits the date and loads its day.
        QTest::keyClick(FDiary->dtpDiary, Qt::Key_Return);
        QCOMPARE(FDiary->dtpDiary->date(), QDate(2026, 12, 3));
        QCOMPARE(FDiary->LoadedDay(), QDate(2026, 12, 3));
        QCOMPARE(FDiary->mmDiary->toPlainText(), QStringLiteral("三日"));
        QCOMPARE(FDiary->focusWidget(), FDiary->mmDiary);

        // Typing in the memo, then passing through the picker without changing it, keeps the text.
        TypeInMemo(QStringLiteral("三日，补记"));
        FDiary->dtpDiary->setFocus();
        FDiary->mmDiary->setFocus();
        QCOMPARE(FDiary->mmDiary->toPlainText(), QStringLiteral("三日，补记"));

        // Leaving the picker commits a typed date too.
        TypeDate(FDiary->dtpDiary, Today);
        FDiary->SpeedButton4->setFocus();
        QCOMPARE(FDiary->LoadedDay(), Today);
        QCOMPARE(FDiary->mmDiary->toPlainText(), QStringLiteral("七日"));
    }

    void typedDateNeverMovesAnEntry() {
        FLedger->AddDiary(1, QStringLiteral("七日"), Today, 1);
        OpenDiary();
        TypeDate(FDiary->dtpDiary, QDate(2026, 12, 3));
        Save(); // the click commits the date first
        QCOMPARE(Value("select DiaryDate from fDiary where DiaryID = 1").toInt(),
                 46363); // 7 December stays where it was
        QCOMPARE(Value("select Diary from fDiary where DiaryID = 1").toString(),
                 QStringLiteral("七日"));
        QCOMPARE(Value("select count(*) from fDiary where DiaryDate = 46359").toInt(), 1);
    }

    // -- saving --------------------------------------------------------------------------------

    void firstEntryGetsIdOne() {
        FLedger.reset();
        FLedger = std::make_unique<TTestLedger>(TTestLedger::EmptyTables);
        OpenDiary();
        TypeInMemo(QStringLiteral("第一篇日记"));
        Save();
        QCOMPARE(DiaryCount(), 1);
        QCOMPARE(Value("select DiaryID from fDiary").toInt(), 1);
        QCOMPARE(Value("select Diary from fDiary").toString(), QStringLiteral("第一篇日记"));
        QCOMPARE(Value("select DiaryDate from fDiary").toDouble(), 46363.0); // midnight
        QCOMPARE(Value("select PersonID from fDiary").toInt(), 1);
        QCOMPARE(FLedger->KindOf("select PersonID from fDiary"), QStringLiteral("integer"));
        QCOMPARE(FLedger->Messages.Boxes.size(), 1);
        QCOMPARE(FLedger->Messages.Boxes[0].Kind, TMessageKind::Warning);
        QCOMPARE(LastMessage(), DayText(Today) + QStringLiteral(" 日志保存成功！"));
        QVERIFY(LastMessage().contains(QStringLiteral("2026")));                // 4-digit year
        QCOMPARE(FDiary->mmDiary->toPlainText(), QStringLiteral("第一篇日记")); // not refilled
    }

    void newKeyIsHighestPlusOne() {
        FLedger->AddDiary(41, QStringLiteral("很久以前"), QDate(2020, 1, 1), 2);
        OpenDiary();
        TypeInMemo(QStringLiteral("今天"));
        Save();
        QCOMPARE(Value("select max(DiaryID) from fDiary").toInt(), 42);
        QCOMPARE(Value("select Diary from fDiary where DiaryID = 42").toString(),
                 QStringLiteral("今天"));
    }

    void savingTwiceUpdatesTheSameEntry() {
        OpenDiary();
        TypeInMemo(QStringLiteral("上午"));
        Save();
        TypeInMemo(QStringLiteral("下午改了"));
        Save();
        QCOMPARE(DiaryCount(), 1);
        QCOMPARE(Value("select Diary from fDiary").toString(), QStringLiteral("下午改了"));
        QCOMPARE(FLedger->Messages.Boxes.size(), 2);
    }

    void savingAnExistingEntry() {
        FLedger->AddDiary(7, QStringLiteral("旧的"), Today, 1);
        OpenDiary();
        TypeInMemo(QStringLiteral("新的"));
        Save();
        QCOMPARE(DiaryCount(), 1);
        QCOMPARE(Value("select Diary from fDiary where DiaryID = 7").toString(),
                 QStringLiteral("新的"));
    }

    void textIsStoredUntrimmed() {
        OpenDiary();
        const QString text = QStringLiteral("  两头有空格  \n\n第三行\n");
        FDiary->mmDiary->setPlainText(text);
        Save();
        QCOMPARE(Value("select Diary from fDiary").toString(), text);
        // An empty memo is saved like any other text.
        FDiary->mmDiary->clear();
        Save();
        QCOMPARE(Value("select Diary from fDiary").toString(), QString());
        QCOMPARE(DiaryCount(), 1);
    }

    // -- cancel --------------------------------------------------------------------------------

    void cancelDropsTyping() {
        FLedger->AddDiary(1, QStringLiteral("存好的"), Today, 1);
        OpenDiary();
        TypeInMemo(QStringLiteral("没存的"));
        QTest::mouseClick(FDiary->SpeedButton1, Qt::LeftButton);
        QCOMPARE(FDiary->mmDiary->toPlainText(), QStringLiteral("存好的"));
        QCOMPARE(Value("select Diary from fDiary").toString(), QStringLiteral("存好的"));
    }

    void cancelReturnsFromTheSummary() {
        FLedger->AddDiary(1, QStringLiteral("五日"), QDate(2026, 12, 5), 1);
        FLedger->AddDiary(2, QStringLiteral("七日"), Today, 1);
        OpenDiary();
        ChooseInCalendar(FDiary->dtpDiary, QDate(2026, 12, 5));
        SummaryOfDefaultPeriod();
        QVERIFY(Visible().isEmpty());
        QTest::mouseClick(FDiary->SpeedButton1, Qt::LeftButton);
        QCOMPARE(Visible(), QStringList({"lblDiary", "dtpDiary", "sbAppend", "sbDel"}));
        QVERIFY(FDiary->pnlDiaryCaption->text().isEmpty());
        QCOMPARE(FDiary->mmDiary->toPlainText(), QStringLiteral("五日")); // the day still chosen
        QVERIFY(!FDiary->mmDiary->isReadOnly());
    }

    // -- delete --------------------------------------------------------------------------------

    void deleteAnsweredCancel() {
        FLedger->AddDiary(1, QStringLiteral("留着"), Today, 1);
        OpenDiary();
        FLedger->Messages.ConfirmAnswers = {false};
        QTest::mouseClick(FDiary->sbDel, Qt::LeftButton);
        QCOMPARE(FLedger->Messages.Boxes.size(), 1);
        QCOMPARE(FLedger->Messages.Boxes[0].Kind, TMessageKind::Confirm);
        QCOMPARE(LastMessage(), QStringLiteral("是否确定删除当前日记？"));
        QCOMPARE(DiaryCount(), 1);
        QCOMPARE(FDiary->mmDiary->toPlainText(), QStringLiteral("留着"));
    }

    void deleteAnsweredOk() {
        FLedger->AddDiary(1, QStringLiteral("删掉"), Today, 1);
        FLedger->AddDiary(2, QStringLiteral("别人的"), Today, 2);
        OpenDiary();
        FLedger->Messages.ConfirmAnswers = {true};
        QTest::mouseClick(FDiary->sbDel, Qt::LeftButton);
        QCOMPARE(DiaryCount(), 1);
        QCOMPARE(Value("select PersonID from fDiary").toInt(), 2);
        QVERIFY(FDiary->mmDiary->toPlainText().isEmpty());
        QCOMPARE(FLedger->Messages.Boxes.size(), 1); // only the question
        QVERIFY(FDiary->FFillEnabled);
    }

    void deleteOnADayWithoutEntry() {
        FLedger->AddDiary(1, QStringLiteral("别的日子"), Today.addDays(-1), 1);
        OpenDiary();
        TypeInMemo(QStringLiteral("正在写"));
        FLedger->Messages.ConfirmAnswers = {true};
        QTest::mouseClick(FDiary->sbDel, Qt::LeftButton);
        QCOMPARE(DiaryCount(), 1);
        QCOMPARE(FLedger->Messages.Boxes.size(), 1); // the question, and no error
        QCOMPARE(FDiary->mmDiary->toPlainText(), QStringLiteral("正在写")); // nothing to refill
        // The memo follows the query again at once.
        QVERIFY(FDiary->FFillEnabled);
        QTest::mouseClick(FDiary->SpeedButton1, Qt::LeftButton);
        QVERIFY(FDiary->mmDiary->toPlainText().isEmpty());
        // And saving afterwards still writes one entry for the day.
        TypeInMemo(QStringLiteral("写完了"));
        Save();
        QCOMPARE(Value("select count(*) from fDiary where DiaryDate = 46363").toInt(), 1);
    }

    // -- summary -------------------------------------------------------------------------------

    void summaryIncludesBeginAndEnd() {
        FLedger->AddDiary(1, QStringLiteral("前一天"), QDate(2026, 12, 2), 1);
        FLedger->AddDiary(2, QStringLiteral("开始那天"), QDate(2026, 12, 3), 1);
        FLedger->AddDiary(5, QStringLiteral("中间\n两行"), QDate(2026, 12, 4), 1);
        FLedger->AddDiary(4, QStringLiteral("结束那天"), QDate(2026, 12, 5), 1);
        FLedger->AddDiary(3, QStringLiteral("后一天"), QDate(2026, 12, 6), 1);
        FLedger->AddDiary(6, QStringLiteral("别人的"), QDate(2026, 12, 4), 2);
        OpenDiary();
        RunSummary([](TfrmDiaryQuery* dialog) {
            ChooseInCalendar(dialog->dtpBegin, QDate(2026, 12, 3));
            ChooseInCalendar(dialog->dtpEnd, QDate(2026, 12, 5));
            QTest::mouseClick(dialog->sbAppend, Qt::LeftButton);
        });
        QCOMPARE(dmMain->qryCommon->SQL.join('\n'),
                 QStringLiteral("select * from fDiary where DiaryDate >= 46358.4375 and "
                                "DiaryDate < 46361.4375 and PersonID = 1 order by DiaryDate"));
        QCOMPARE(FDiary->mmDiary->toPlainText(),
                 DayText(QDate(2026, 12, 3)) + "\n开始那天\n\n" + DayText(QDate(2026, 12, 4)) +
                     "\n中间\n两行\n\n" + DayText(QDate(2026, 12, 5)) + "\n结束那天\n");
        QCOMPARE(FDiary->pnlDiaryCaption->text(),
                 " 下面是 " + DayText(QDate(2026, 12, 3)) + " 至 " + DayText(QDate(2026, 12, 5)) +
                     " 日志汇总记录：");
        QVERIFY(Visible().isEmpty());
        QVERIFY(FDiary->SpeedButton1->isVisible());
        QVERIFY(FDiary->SpeedButton4->isVisible());
        QVERIFY(FDiary->mmDiary->isReadOnly());
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
    }

    void summaryOfTheDefaultPeriod() {
        FLedger->AddDiary(1, QStringLiteral("今天"), Today, 1);
        FLedger->AddDiary(2, QStringLiteral("明天"), Today.addDays(1), 1);
        FLedger->AddDiary(3, QStringLiteral("后天"), Today.addDays(2), 1);
        OpenDiary();
        SummaryOfDefaultPeriod();
        QCOMPARE(FDiary->mmDiary->toPlainText(), DayText(Today) + "\n今天\n\n" +
                                                     DayText(Today.addDays(1)) + "\n明天\n");
        QCOMPARE(FDiary->pnlDiaryCaption->text(), " 下面是 " + DayText(Today) + " 至 " +
                                                      DayText(Today.addDays(1)) + " 日志汇总记录：");
        // Again from the summary view.
        SummaryOfDefaultPeriod();
        QCOMPARE(FDiary->mmDiary->toPlainText(), DayText(Today) + "\n今天\n\n" +
                                                     DayText(Today.addDays(1)) + "\n明天\n");
    }

    void emptySummary() {
        FLedger->AddDiary(1, QStringLiteral("别的日子"), QDate(2026, 11, 1), 1);
        OpenDiary();
        TypeInMemo(QStringLiteral("随便写写"));
        SummaryOfDefaultPeriod();
        QVERIFY(FDiary->mmDiary->toPlainText().isEmpty());
        QCOMPARE(FDiary->pnlDiaryCaption->text(), " 下面是 " + DayText(Today) + " 至 " +
                                                      DayText(Today.addDays(1)) + " 日志汇总记录：");
    }

    void summaryCancelledChangesNothing() {
        FLedger->AddDiary(1, QStringLiteral("今天"), Today, 1);
        OpenDiary();
        TypeInMemo(QStringLiteral("写了一半"));
        const QStringList before = dmMain->qryCommon->SQL;
        RunSummary([](TfrmDiaryQuery* dialog) {
            QTest::mouseClick(dialog->SpeedButton1, Qt::LeftButton);
        });
        QCOMPARE(FDiary->mmDiary->toPlainText(), QStringLiteral("写了一半"));
        QCOMPARE(Visible().size(), 4);
        QVERIFY(FDiary->pnlDiaryCaption->text().isEmpty());
        QCOMPARE(dmMain->qryCommon->SQL, before);
    }

    void periodDialogOwnedByTheHostPanelAndFreed() {
        OpenDiary();
        QPointer<TfrmDiaryQuery> seen;
        RunSummary([&](TfrmDiaryQuery* dialog) {
            seen = dialog;
            QCOMPARE(dialog->parent(), frmPanel);
            QVERIFY(dialog->isWindow());
            QVERIFY(dialog->isModal());
            QCOMPARE(dialog->styleSheet(), frmPanel->sdMain.StyleSheet()); // skinned
            QCOMPARE(dialog->dtpBegin->Value(), QDateTime(Today, QTime(10, 30)));
            QCOMPARE(dialog->dtpEnd->Value(), QDateTime(Today.addDays(1), QTime(10, 30)));
            QTest::mouseClick(dialog->SpeedButton1, Qt::LeftButton);
        });
        QVERIFY(seen.isNull());
    }

    // -- any time of day -----------------------------------------------------------------------

    void anyTimeOfDay_data() {
        QTest::addColumn<QTime>("now");
        QTest::newRow("10:30") << QTime(10, 30);
        QTest::newRow("midnight") << QTime(0, 0);
        QTest::newRow("half a second past midnight") << QTime(0, 0, 0, 500);
        QTest::newRow("last moment of the day") << QTime(23, 59, 59, 999);
    }

    void anyTimeOfDay() {
        QFETCH(QTime, now);
        TCommonDB::SetClock([now] { return QDateTime(Today, now); });
        for (int d = -1; d <= 2; ++d)
            FLedger->AddDiary(10 + d, QStringLiteral("第%1天").arg(7 + d), Today.addDays(d), 1);
        OpenDiary();
        QCOMPARE(FDiary->mmDiary->toPlainText(), QStringLiteral("第7天"));
        TypeInMemo(QStringLiteral("改过"));
        Save();
        QCOMPARE(DiaryCount(), 4); // the day's entry, not a second one
        QCOMPARE(Value("select Diary from fDiary where DiaryID = 10").toString(),
                 QStringLiteral("改过"));
        ChooseInCalendar(FDiary->dtpDiary, Today.addDays(1));
        QCOMPARE(FDiary->mmDiary->toPlainText(), QStringLiteral("第8天"));
        SummaryOfDefaultPeriod(); // today and tomorrow, both included
        QCOMPARE(FDiary->mmDiary->toPlainText(),
                 DayText(Today) + "\n改过\n\n" + DayText(Today.addDays(1)) + "\n第8天\n");
    }

    // -- closing -------------------------------------------------------------------------------

    void exitFreesTheForm() {
        OpenDiary();
        QPointer<TfrmDiary> diary = FDiary;
        QTest::mouseClick(FDiary->SpeedButton3, Qt::LeftButton);
        QVERIFY(!diary.isNull()); // deferred
        QVERIFY(!diary->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(diary.isNull());
        QVERIFY(frmDiary.isNull());
        FDiary = nullptr;
    }
};

QTEST_MAIN(TestDiary)
#include "tst_diary.moc"
