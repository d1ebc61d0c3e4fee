#include "FormUnderTest.h"
#include "data/ComboPub.h"
#include "data/Common.h"
#include "data/DataModule.h"
#include "data/query/DayNumber.h"
#include "data/query/Query.h"
#include "forms/ItemType.h"
#include "forms/PayoutBase.h"
#include "platform/DateText.h"
#include "widgets/Panel.h"
#include "widgets/PictureButton.h"
#include "widgets/grid/DBGrid.h"
#include "widgets/grid/GridFooter.h"
#include "widgets/grid/GridModel.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QPushButton>
#include <QTreeView>

#include <functional>
#include <memory>

namespace {

const QString Income = QStringLiteral("收入");
const QString Payout = QStringLiteral("支出");
const QString Mum = QStringLiteral("妈妈");
const QString Dad = QStringLiteral("爸爸");

// Categories of the fresh ledger: ids 1 to 6 are income, 7 to 18 expenditure.
constexpr int Salary = 1;   // 工资, income
constexpr int Meals = 7;    // 餐饮, expenditure
constexpr int Traffic = 8;  // 交通, expenditure

const QString InvalidAmount = QStringLiteral("对不起，请输入合法单位（元）！");

} // namespace

class TestPayoutBase : public QObject, TFormUnderTest<TfrmPayoutBase> {
    Q_OBJECT

    // Opens the form of the kind for the member, as the main window does: kind set before show.
    TfrmPayoutBase* Open(const QString& kind, const QString& person = Mum) {
        ComboPub->CurPersonName = person;
        std::unique_ptr<TfrmPayoutBase> form;
        if (kind == Income)
            form = std::make_unique<TfrmIncome>();
        else
            form = std::make_unique<TfrmPayout>();
        form->FItemType = kind;
        return ShowForm(std::move(form));
    }

    QVariant Column(int id, const QString& column) {
        return Value(QStringLiteral("select %1 from fPayout where PayoutID = ?").arg(column), {id});
    }
    int Records() { return Value("select count(*) from fPayout").toInt(); }

    // A new record through the form: 新增, content, category, day, amount, 保存.
    void AddThroughForm(const QString& content, const QString& category, const QDate& day,
                        const QString& amount) {
        Click(FForm->sbAppend);
        Type(FForm->edtPayout, content);
        Choose(FForm->cbItemProject, category);
        FForm->dtpUseDate->setDate(day);
        Type(FForm->ceAccount, amount);
        Click(FForm->sbSave);
    }

    QStringList ListedContents() {
        QStringList contents;
        TQuery& q = *FForm->qryPayout;
        for (int row = 0; row < q.RecordCount(); ++row)
            contents << q.ValueAt(row, q.FieldIndex("Payout")).toString();
        return contents;
    }

private slots:
    void init() { OpenLedger(); }
    void cleanup() { CloseForm(); }

    // -- showing ---------------------------------------------------------------------------------

    void showBuildsTheMonthStatement() {
        Open(Payout);
        QCOMPARE(FForm->qryPayout->SQL.join('\n'),
                 QStringLiteral("select * from fPayout where ItemType = '支出' and UseDate > 46356 "
                                "and UseDate <= 46387 and PersonName = '妈妈' order by UseDate"));
        QCOMPARE(FForm->CategoryStatement(),
                 QStringLiteral("select ItemProjectID, ItemProject, ItemType from bItemProject "
                                "where ItemType = '支出'"));
        QCOMPARE(FForm->edtPerson->text(), Mum);
        QVERIFY(!FForm->edtPerson->isEnabled());
    }

    void showListsTheCategoriesOfTheKind_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("收入") << Income
                            << QStringList{"工资", "奖金", "投资收益", "兼职收入", "礼金收入",
                                           "其他收入", "  加班  "}
                            << QStringList{"1", "2", "3", "4", "5", "6", "21"};
        QTest::newRow("支出") << Payout
                            << QStringList{"餐饮", "交通", "住房", "水电煤气", "通讯", "服装",
                                           "医疗", "教育", "娱乐", "日用品", "人情往来", "其他支出"}
                            << QStringList{"7", "8", "9", "10", "11", "12", "13", "14", "15",
                                           "16", "17", "18"};
    }

    void showListsTheCategoriesOfTheKind() {
        QFETCH(QString, kind);
        QFETCH(QStringList, names);
        QFETCH(QStringList, ids);
        FLedger->AddCategory(20, QStringLiteral("   "), Income); // blank names are left out
        FLedger->AddCategory(21, QStringLiteral("  加班  "), Income);
        Open(kind);
        QStringList shown;
        for (int i = 0; i < FForm->cbItemProject->count(); ++i)
            shown << FForm->cbItemProject->itemText(i);
        QCOMPARE(shown, names);
        QCOMPARE(FForm->FItemProjectIDs, ids);
        QCOMPARE(FForm->cbItemProject->currentIndex(), -1);
        QVERIFY(!FForm->cbItemProject->isEditable());
        QCOMPARE(FForm->cbItemProject->maxVisibleItems(), 16);
    }

    void emptyListLeavesTheEditAreaBlank() {
        Open(Payout);
        QVERIFY(FForm->qryPayout->IsEmpty());
        QVERIFY(FForm->edtPayout->text().isEmpty());
        QCOMPARE(FForm->cbItemProject->currentIndex(), -1);
        QCOMPARE(FForm->dtpUseDate->date(), QDate(2026, 12, 7));
        QVERIFY(FForm->ceAccount->text().isEmpty());
        QVERIFY(FForm->mmMemos->toPlainText().isEmpty());
        QVERIFY(FForm->sbAppend->isEnabled());
        QVERIFY(FForm->sbDelete->isEnabled());
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
    }

    void captionsFollowTheKind_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("收入") << Income;
        QTest::newRow("支出") << Payout;
    }

    void captionsFollowTheKind() {
        QFETCH(QString, kind);
        Open(kind);
        QCOMPARE(FForm->lblPayout->text(), kind + "内容");
        QCOMPARE(FForm->lblItemProject->text(), kind + "类型");
        QCOMPARE(FForm->lblUseDate->text(), kind + "时间");
        QCOMPARE(FForm->lblAccount->text(), kind + "金额");
        QCOMPARE(FForm->lblPerson->text(), QStringLiteral("记帐人"));
        QCOMPARE(FForm->lblMemos->text(), QStringLiteral("详细说明"));
        QCOMPARE(FForm->lblAccount->buddy(), FForm->ceAccount);
        QCOMPARE(FForm->windowTitle(), kind == Income ? QStringLiteral("日常收入管理")
                                                      : QStringLiteral("日常支出管理"));
        for (const char* name : {"sbAppend", "sbSave", "sbCancel", "sbDelete", "sbQuit"})
            QVERIFY(FForm->Panel8->findChild<QPushButton*>(name));
        QCOMPARE(FForm->sbAppend->text(), QStringLiteral("新增"));
        QCOMPARE(FForm->sbQuit->text(), QStringLiteral("退出"));
        // 退出 stands at the right edge of the bar, the others at its left.
        QVERIFY(FForm->sbQuit->geometry().right() > FForm->Panel8->width() - 20);
        QVERIFY(FForm->sbQuit->x() - FForm->sbDelete->geometry().right() > 40);
        // the category button right of the list
        QVERIFY(FForm->sbPayout->geometry().left() >= FForm->cbItemProject->geometry().right());
    }

    void monthBoundsAndOtherRecords() {
        FLedger->AddPayout(1, Meals, "十一月末", 1, {}, QDate(2026, 11, 30), Mum, Payout);
        FLedger->AddPayout(2, Meals, "十二月一日", 2, {}, QDate(2026, 12, 1), Mum, Payout);
        FLedger->AddPayout(3, Meals, "十二月末", 3, {}, QDate(2026, 12, 31), Mum, Payout);
        FLedger->AddPayout(4, Meals, "新年", 4, {}, QDate(2027, 1, 1), Mum, Payout);
        FLedger->AddPayout(5, Salary, "工资", {}, 5, QDate(2026, 12, 15), Mum, Income);
        FLedger->AddPayout(6, Meals, "爸爸的", 6, {}, QDate(2026, 12, 15), Dad, Payout);
        FLedger->AddPayout(7, Traffic, "月中", 7, {}, QDate(2026, 12, 10), Mum, Payout);
        Open(Payout);
        QCOMPARE(ListedContents(), (QStringList{"十二月一日", "月中", "十二月末"}));
        Open(Income);
        QCOMPARE(ListedContents(), QStringList{"工资"});
        Open(Payout, Dad);
        QCOMPARE(ListedContents(), QStringList{"爸爸的"});
    }

    void aNameWithAnApostropheIsQuoted() {
        const QString name = QStringLiteral("O'Neil");
        FLedger->AddPayout(1, Meals, "早饭", 12, {}, QDate(2026, 12, 2), name, Payout);
        FLedger->AddPayout(2, Meals, "别人的", 12, {}, QDate(2026, 12, 2), Mum, Payout);
        Open(Payout, name);
        QCOMPARE(ListedContents(), QStringList{"早饭"});
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
    }

    // -- the list ------------------------------------------------------------------------------

    void theListShowsTheColumnsOfTheKind_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("captions");
        QTest::newRow("收入") << Income
                            << QStringList{"收入内容", "收入项目", "收入金额", "日期", "记帐人"};
        QTest::newRow("支出") << Payout
                            << QStringList{"支出内容", "支出项目", "支出金额", "日期", "记帐人"};
    }

    void theListShowsTheColumnsOfTheKind() {
        QFETCH(QString, kind);
        QFETCH(QStringList, captions);
        FLedger->AddPayout(1, kind == Income ? Salary : Meals, "一笔", kind == Income ? QVariant() : 25,
                           kind == Income ? QVariant(25) : QVariant(), QDate(2026, 12, 3), Mum, kind);
        Open(kind);
        QTreeView* view = FForm->dbgPayout->View();
        QStringList shown;
        for (int c = 0; c < view->model()->columnCount(); ++c)
            if (!view->isColumnHidden(c))
                shown << view->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(shown, captions);
        QCOMPARE(view->editTriggers(), QAbstractItemView::NoEditTriggers); // read-only
        const QModelIndex day = FForm->dbgPayout->IndexOfRow(0, "UseDate");
        QCOMPARE(day.data().toString(), ShortDateText(QDate(2026, 12, 3)));
        QCOMPARE(Qt::Alignment(day.data(Qt::TextAlignmentRole).toInt()) & Qt::AlignHCenter,
                 Qt::AlignHCenter);
        QCOMPARE(Cell(FForm->dbgPayout, 0, "ItemProject"),
                 kind == Income ? QStringLiteral("工资") : QStringLiteral("餐饮"));
    }

    // An amount beyond the currency column, written by another tool, shows as out of range in
    // the grid, the footer and the amount box; saving the row over it asks for a real amount.
    void anAmountBeyondTheColumn() {
        FLedger->AddPayout(1, Meals, "早饭", 5, {}, QDate(2026, 12, 1), Mum, Payout);
        FLedger->AddPayout(2, Meals, "别的程序写的", 1e300, {}, QDate(2026, 12, 2), Mum, Payout);
        Open(Payout);
        FForm->qryPayout->Last();
        QCOMPARE(FForm->edtPayout->text(), QStringLiteral("别的程序写的"));
        QCOMPARE(FForm->ceAccount->text(), QStringLiteral("超出范围"));
        QCOMPARE(Cell(FForm->dbgPayout, 1, "PayoutAccount"), QStringLiteral("超出范围"));
        QCOMPARE(FForm->dbgPayout->FooterText("PayoutAccount"), QStringLiteral("超出范围"));
        Click(FForm->sbSave);
        QCOMPARE(FLedger->Messages.Texts(), QStringList{InvalidAmount});
        QCOMPARE(Column(2, "PayoutAccount").toDouble(), 1e300);
        FForm->qryPayout->First();
        QCOMPARE(FForm->ceAccount->text(), QStringLiteral("5"));
    }

    void theFooterTotalsTheListedAmounts() {
        FLedger->AddPayout(1, Meals, "早饭", 5, {}, QDate(2026, 12, 1), Mum, Payout);
        FLedger->AddPayout(2, Meals, "年货", 1200, {}, QDate(2026, 12, 2), Mum, Payout);
        FLedger->AddPayout(3, Meals, "上月", 999, {}, QDate(2026, 11, 2), Mum, Payout);
        Open(Payout);
        QCOMPARE(FForm->dbgPayout->FooterText("PayoutAccount"), QStringLiteral("￥1,205.00"));
        QVERIFY(FForm->dbgPayout->Footer()->isVisible());
        QVERIFY(FForm->dbgPayout->Footer()->geometry().bottom() < FForm->dbgPayout->height());
        AddThroughForm("晚饭", "餐饮", QDate(2026, 12, 3), "2147483647");
        QCOMPARE(FForm->dbgPayout->FooterText("PayoutAccount"),
                 QStringLiteral("￥2,147,484,852.00"));
        Click(FForm->sbDelete);
        QCOMPARE(FForm->dbgPayout->FooterText("PayoutAccount"), QStringLiteral("￥1,205.00"));
    }

    void aClickOnARowFillsTheEditArea() {
        FLedger->AddPayout(1, Meals, "早饭", 5, {}, QDate(2026, 12, 1), Mum, Payout);
        FLedger->AddPayout(2, Traffic, "车票", 30, {}, QDate(2026, 12, 2), Mum, Payout, "往返");
        Open(Payout);
        QTreeView* view = FForm->dbgPayout->View();
        const QRect cell = view->visualRect(FForm->dbgPayout->IndexOfRow(1, "Payout"));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(FForm->qryPayout->RecNo(), 2);
        QCOMPARE(FForm->edtPayout->text(), QStringLiteral("车票"));
        QCOMPARE(FForm->cbItemProject->currentText(), QStringLiteral("交通"));
        QCOMPARE(FForm->mmMemos->toPlainText(), QStringLiteral("往返"));
        Click(FForm->sbAppend);
        QVERIFY(!FForm->dbgPayout->isEnabled());
        Click(FForm->sbCancel);
        QVERIFY(FForm->dbgPayout->isEnabled());
        QCOMPARE(FForm->edtPayout->text(), QStringLiteral("车票"));
    }

    // -- the scroll reaction ---------------------------------------------------------------------

    void editAreaFollowsTheCurrentRow() {
        FLedger->AddPayout(1, Meals, "午饭", 25, {}, QDate(2026, 12, 3), Mum, Payout, "食堂\n两人");
        FLedger->AddPayout(2, 999, "旧分类", 40, {}, QDate(2026, 12, 4), Mum, Payout);
        FLedger->AddPayout(3, Salary, "错了类型", 7, {}, QDate(2026, 12, 5), Mum, Payout);
        Open(Payout);
        QCOMPARE(FForm->edtPayout->text(), QStringLiteral("午饭"));
        QCOMPARE(FForm->cbItemProject->currentText(), QStringLiteral("餐饮"));
        QCOMPARE(FForm->dtpUseDate->date(), QDate(2026, 12, 3));
        QCOMPARE(FForm->ceAccount->text(), QStringLiteral("25"));
        QCOMPARE(FForm->mmMemos->toPlainText(), QStringLiteral("食堂\n两人"));
        FForm->qryPayout->Next(); // a deleted category: none selected
        QCOMPARE(FForm->edtPayout->text(), QStringLiteral("旧分类"));
        QCOMPARE(FForm->cbItemProject->currentIndex(), -1);
        QCOMPARE(FForm->ceAccount->text(), QStringLiteral("40"));
        QVERIFY(FForm->mmMemos->toPlainText().isEmpty());
        FForm->qryPayout->Next(); // a category of the other kind: none selected
        QCOMPARE(FForm->cbItemProject->currentIndex(), -1);
    }

    void aRecordWithADeletedCategoryNeedsOneToSave() {
        FLedger->AddPayout(1, 999, "旧分类", 40, {}, QDate(2026, 12, 4), Mum, Payout);
        Open(Payout);
        Click(FForm->sbSave);
        QCOMPARE(FLedger->Messages.Texts(), QStringList{"请输入支出类别！"});
        QCOMPARE(Column(1, "ItemProjectID").toInt(), 999);
        Choose(FForm->cbItemProject, "交通");
        Click(FForm->sbSave);
        QCOMPARE(FLedger->Messages.Boxes.size(), 1);
        QCOMPARE(Column(1, "ItemProjectID").toInt(), Traffic);
    }

    // -- saving ----------------------------------------------------------------------------------

    void amounts_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<qlonglong>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("largest") << "2147483647" << true << 2147483647LL << "2147483647";
        QTest::newRow("one past") << "2147483648" << false << 0LL << "2147483648";
        QTest::newRow("ten nines") << "9999999999" << false << 0LL << "9999999999";
        QTest::newRow("zero") << "0" << true << 0LL << "0";
        QTest::newRow("leading zeros") << "007" << true << 7LL << "7";
        QTest::newRow("ordinary") << "25" << true << 25LL << "25";
    }

    void amounts() {
        QFETCH(QString, typed);
        QFETCH(bool, saved);
        QFETCH(qlonglong, stored);
        QFETCH(QString, shown);
        Open(Payout);
        AddThroughForm("买菜", "餐饮", QDate(2026, 12, 5), typed);
        if (saved) {
            QVERIFY(FLedger->Messages.Boxes.isEmpty());
            QCOMPARE(Records(), 1);
            QCOMPARE(Column(1, "PayoutAccount").toLongLong(), stored);
            QCOMPARE(FForm->qryPayout->State(), TDataSetState::Browse);
        } else {
            QCOMPARE(FLedger->Messages.Boxes.size(), 1);
            QCOMPARE(FLedger->Messages.Boxes[0].Kind, TMessageKind::Error);
            QCOMPARE(LastMessage(), InvalidAmount);
            QCOMPARE(QApplication::focusWidget(), FForm->ceAccount);
            QCOMPARE(Records(), 0);
            QCOMPARE(FForm->qryPayout->State(), TDataSetState::Insert);
        }
        QCOMPARE(FForm->ceAccount->text(), shown);
    }

    void theChecksRunInOrder() {
        Open(Income);
        Click(FForm->sbAppend);
        Click(FForm->sbSave); // no category, no amount: only the category is asked for
        QCOMPARE(FLedger->Messages.Texts(), QStringList{"请输入收入类别！"});
        QCOMPARE(FLedger->Messages.Boxes[0].Kind, TMessageKind::Warning);
        Choose(FForm->cbItemProject, "工资");
        Type(FForm->ceAccount, "   ");
        Click(FForm->sbSave);
        QCOMPARE(LastMessage(), QStringLiteral("请输入金额！"));
        QCOMPARE(FLedger->Messages.Boxes.last().Kind, TMessageKind::Warning);
        QCOMPARE(Records(), 0);
        QCOMPARE(FForm->qryPayout->State(), TDataSetState::Insert);
    }

    void theAmountTakesDigitsOnly() {
        Open(Payout);
        KeyIn(FForm->ceAccount, QStringLiteral("1-2.3a+4 5１"));
        QCOMPARE(FForm->ceAccount->text(), QStringLiteral("12345"));
        QTest::keyClicks(FForm->ceAccount, "678901234");
        QCOMPARE(FForm->ceAccount->text(), QStringLiteral("1234567890")); // ten at most
        QTest::keyClick(FForm->ceAccount, Qt::Key_Backspace);
        QCOMPARE(FForm->ceAccount->text(), QStringLiteral("123456789"));
    }

    void pastedAmountsNeverReachTheFile_data() {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("left");
        QTest::newRow("minus") << "-5" << "";
        QTest::newRow("decimal") << "1.5" << "";
        QTest::newRow("letters") << "12a" << "";
        QTest::newRow("full-width") << "１２" << "";
        QTest::newRow("digits") << "42" << "42";
    }

    void pastedAmountsNeverReachTheFile() {
        QFETCH(QString, pasted);
        QFETCH(QString, left);
        Open(Payout);
        Click(FForm->sbAppend);
        Choose(FForm->cbItemProject, "餐饮");
        QApplication::clipboard()->setText(pasted);
        FForm->ceAccount->setFocus();
        QTest::keyClick(FForm->ceAccount, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(FForm->ceAccount->text(), left);
        FForm->ceAccount->insert(pasted); // dropping and input methods insert the same way
        QCOMPARE(FForm->ceAccount->text(), left + (left.isEmpty() ? QString() : pasted));
        Click(FForm->sbSave);
        if (left.isEmpty()) {
            QCOMPARE(FLedger->Messages.Texts(), QStringList{"请输入金额！"});
            QCOMPARE(Records(), 0);
        } else {
            QCOMPARE(Column(1, "PayoutAccount").toLongLong(), 4242LL);
        }
    }

    void theContentTakesTheColumnsWidth() {
        Open(Payout);
        QCOMPARE(FForm->edtPayout->maxLength(), 200);
        AddThroughForm(QString(200, QChar(u'菜')) + "多", "餐饮", QDate(2026, 12, 5), "3");
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
        QCOMPARE(Column(1, "Payout").toString(), QString(200, QChar(u'菜')));
    }

    void aNewRecordIsStampedAndTrimmed() {
        Open(Payout);
        Click(FForm->sbAppend);
        Type(FForm->edtPayout, "  买菜 ");
        Choose(FForm->cbItemProject, "餐饮");
        FForm->dtpUseDate->setDate(QDate(2026, 12, 5));
        Type(FForm->ceAccount, "  86");
        FForm->mmMemos->setPlainText("\n 菜场东门 \n");
        Click(FForm->sbSave);
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
        QCOMPARE(Column(1, "Payout").toString(), QStringLiteral("买菜"));
        QCOMPARE(Column(1, "ItemProjectID").toInt(), Meals);
        QCOMPARE(Column(1, "ItemType").toString(), Payout);
        QCOMPARE(Column(1, "PayoutAccount").toLongLong(), 86LL);
        QVERIFY(Column(1, "IncomeAccount").isNull());
        QCOMPARE(Column(1, "PersonName").toString(), Mum);
        QCOMPARE(Column(1, "Memos").toString(), QStringLiteral("菜场东门"));
        QCOMPARE(Column(1, "UseDate").toDouble(), DayNumber::FromDate(QDate(2026, 12, 5)));
        // the edit area shows the record as stored
        QCOMPARE(FForm->edtPayout->text(), QStringLiteral("买菜"));
        QCOMPARE(FForm->ceAccount->text(), QStringLiteral("86"));
        QCOMPARE(FForm->mmMemos->toPlainText(), QStringLiteral("菜场东门"));
        QCOMPARE(FForm->qryPayout->RecordCount(), 1);
    }

    void periodNumbersComeFromTheDate_data() {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<int>("quarter");
        QTest::newRow("1 January") << QDate(2026, 1, 1) << 1;
        QTest::newRow("31 March") << QDate(2026, 3, 31) << 1;
        QTest::newRow("1 April") << QDate(2026, 4, 1) << 2;
        QTest::newRow("15 May") << QDate(2026, 5, 15) << 2;
        QTest::newRow("30 June") << QDate(2026, 6, 30) << 2;
        QTest::newRow("1 July") << QDate(2026, 7, 1) << 3;
        QTest::newRow("30 September") << QDate(2026, 9, 30) << 3;
        QTest::newRow("1 October") << QDate(2026, 10, 1) << 4;
        QTest::newRow("31 December") << QDate(2027, 12, 31) << 4;
    }

    void periodNumbersComeFromTheDate() {
        QFETCH(QDate, day);
        QFETCH(int, quarter);
        Open(Income);
        Click(FForm->sbAppend);
        Choose(FForm->cbItemProject, "工资");
        FForm->dtpUseDate->setDateTime(QDateTime(day, QTime(18, 45)));
        Type(FForm->ceAccount, "5000");
        Click(FForm->sbSave);
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
        QCOMPARE(Column(1, "MonthNum").toInt(), day.month());
        QCOMPARE(Column(1, "QuarterNum").toInt(), quarter);
        QCOMPARE(Column(1, "YearNum").toInt(), day.year());
        QCOMPARE(Column(1, "UseDate").toDouble(), DayNumber::FromDate(day)); // midnight
        QCOMPARE(FForm->dtpUseDate->date(), day);
    }

    void saveWithoutAppendOverwritesTheSelectedRecord() {
        FLedger->AddPayout(3, Meals, "午饭", 25, 99, QDate(2026, 12, 3), Mum, Payout);
        FLedger->AddPayout(8, Meals, "晚饭", 30, {}, QDate(2026, 12, 4), Mum, Payout);
        Open(Payout);
        FForm->qryPayout->First(); // as a click on the first row of the list
        Type(FForm->edtPayout, "午饭和水果");
        Choose(FForm->cbItemProject, "交通");
        Type(FForm->ceAccount, "31");
        Click(FForm->sbSave);
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
        QCOMPARE(Records(), 2);
        QCOMPARE(Column(3, "Payout").toString(), QStringLiteral("午饭和水果"));
        QCOMPARE(Column(3, "ItemProjectID").toInt(), Traffic);
        QCOMPARE(Column(3, "PayoutAccount").toLongLong(), 31LL);
        QCOMPARE(Column(3, "IncomeAccount").toLongLong(), 99LL); // the other kind's column kept
        QCOMPARE(Column(3, "PersonName").toString(), Mum);
        QCOMPARE(Column(8, "Payout").toString(), QStringLiteral("晚饭"));
    }

    void saveStampsTheCurrentMember() {
        FLedger->AddPayout(3, Meals, "午饭", 25, {}, QDate(2026, 12, 3), Mum, Payout);
        Open(Payout);
        FForm->edtPerson->setText(QStringLiteral("  ") + Mum + QStringLiteral(" "));
        Type(FForm->ceAccount, "26");
        Click(FForm->sbSave);
        QCOMPARE(Column(3, "PersonName").toString(), Mum);
        QCOMPARE(Column(3, "PayoutAccount").toLongLong(), 26LL);
    }

    void saveOnAnEmptyListAddsARecord() {
        Open(Payout);
        Type(FForm->edtPayout, "车票");
        Choose(FForm->cbItemProject, "交通");
        Type(FForm->ceAccount, "12");
        Click(FForm->sbSave);
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
        QCOMPARE(Records(), 1);
        QCOMPARE(Column(1, "Payout").toString(), QStringLiteral("车票"));
        QCOMPARE(Column(1, "PersonName").toString(), Mum);
        QCOMPARE(FForm->qryPayout->RecordCount(), 1);
        QCOMPARE(FForm->qryPayout->State(), TDataSetState::Browse);
    }

    void newKeys() {
        Open(Payout);
        AddThroughForm("第一笔", "餐饮", QDate(2026, 12, 1), "1");
        QCOMPARE(Column(1, "Payout").toString(), QStringLiteral("第一笔"));
        // the highest key of the whole table, whoever holds it
        FLedger->AddPayout(40, Salary, "爸爸的工资", {}, 9000, QDate(2019, 3, 1), Dad, Income);
        AddThroughForm("第二笔", "餐饮", QDate(2026, 12, 2), "2");
        QCOMPARE(Column(41, "Payout").toString(), QStringLiteral("第二笔"));
        AddThroughForm("第三笔", "餐饮", QDate(2026, 12, 3), "3");
        QCOMPARE(Column(42, "Payout").toString(), QStringLiteral("第三笔"));
        QCOMPARE(FForm->qryPayout->RecordCount(), 3);
    }

    void bothKindsSideBySide() {
        Open(Income);
        AddThroughForm("十二月工资", "工资", QDate(2026, 12, 5), "9000");
        Open(Payout);
        AddThroughForm("房租", "住房", QDate(2026, 12, 5), "2500");
        QCOMPARE(Column(1, "ItemType").toString(), Income);
        QCOMPARE(Column(1, "IncomeAccount").toLongLong(), 9000LL);
        QVERIFY(Column(1, "PayoutAccount").isNull());
        QCOMPARE(Column(2, "ItemType").toString(), Payout);
        QCOMPARE(Column(2, "PayoutAccount").toLongLong(), 2500LL);
        QVERIFY(Column(2, "IncomeAccount").isNull());
        QCOMPARE(ListedContents(), QStringList{"房租"});
        Open(Income);
        QCOMPARE(ListedContents(), QStringList{"十二月工资"});
        QCOMPARE(FForm->ceAccount->text(), QStringLiteral("9000"));
    }

    void aFailedPostKeepsTheInputAndFollowsTheList() {
        FLedger->AddPayout(1, Meals, "早饭", 5, {}, QDate(2026, 12, 1), Mum, Payout);
        Open(Payout);
        FLedger->Refuse("insert", "fPayout", "磁盘已满");
        AddThroughForm("午饭", "餐饮", QDate(2026, 12, 2), "20");
        QCOMPARE(FLedger->Messages.Boxes.size(), 1);
        QCOMPARE(FLedger->Messages.Boxes[0].Kind, TMessageKind::Error);
        QVERIFY2(LastMessage().contains("磁盘已满"), qPrintable(LastMessage()));
        QVERIFY(FForm->FFillEnabled);
        QCOMPARE(FForm->qryPayout->State(), TDataSetState::Insert);
        QCOMPARE(FForm->edtPayout->text(), QStringLiteral("午饭")); // left to correct
        QCOMPARE(FForm->ceAccount->text(), QStringLiteral("20"));
        QVERIFY(!FForm->sbAppend->isEnabled());
        // cancel: the edit area follows the list again at once
        Click(FForm->sbCancel);
        QCOMPARE(FForm->edtPayout->text(), QStringLiteral("早饭"));
        QCOMPARE(FForm->qryPayout->RecordCount(), 1);
        FLedger->Allow("insert", "fPayout");
        AddThroughForm("午饭", "餐饮", QDate(2026, 12, 2), "20");
        QCOMPARE(Column(2, "Payout").toString(), QStringLiteral("午饭"));
    }

    // A record changed on another computer since the list showed it: the save or the deletion
    // writes nothing and says so, the edit area shows the record as it is now, and the form
    // goes on working.
    // A change of case only is a change too, though names compare without case.
    void aRecordChangedElsewhere_data() {
        QTest::addColumn<bool>("deleting");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after"); // the content another computer saved
        QTest::addColumn<QString>("account");
        QTest::newRow("save") << false << "午饭" << "另一台电脑改的" << "40";
        QTest::newRow("delete") << true << "午饭" << "另一台电脑改的" << "40";
        QTest::newRow("save after a change of case") << false << "coffee" << "Coffee" << "25";
        QTest::newRow("delete after a change of case") << true << "coffee" << "Coffee" << "25";
    }

    void aRecordChangedElsewhere() {
        QFETCH(bool, deleting);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QString, account);
        FLedger->AddPayout(3, Meals, before, 25, {}, QDate(2026, 12, 3), Mum, Payout);
        Open(Payout);
        Type(FForm->edtPayout, "午饭和水果");
        Type(FForm->ceAccount, "31");
        FLedger->Exec(QStringLiteral("update fPayout set Payout = '%1', PayoutAccount = %2 "
                                     "where PayoutID = 3").arg(after, account));
        Click(deleting ? FForm->sbDelete : FForm->sbSave);
        QVERIFY2(!FLedger->Messages.Boxes.isEmpty(), "done over the other computer's change");
        QCOMPARE(FLedger->Messages.Boxes.last().Kind, TMessageKind::Error);
        QVERIFY2(LastMessage().contains(QStringLiteral("另一台电脑修改")), qPrintable(LastMessage()));
        QCOMPARE(Records(), 1);
        QCOMPARE(Column(3, "Payout").toString(), after);
        QCOMPARE(FForm->edtPayout->text(), after);
        QCOMPARE(FForm->ceAccount->text(), account);
        QCOMPARE(FForm->qryPayout->State(), TDataSetState::Browse);
        QVERIFY(FForm->sbAppend->isEnabled());
        // now it is the record as it is: the next save changes it
        const qsizetype boxes = FLedger->Messages.Boxes.size();
        Type(FForm->ceAccount, "41");
        Click(FForm->sbSave);
        QCOMPARE(FLedger->Messages.Boxes.size(), boxes);
        QCOMPARE(Column(3, "PayoutAccount").toLongLong(), 41LL);
    }

    // -- append, cancel, delete, enabling ------------------------------------------------------

    void appendClearsTheEditAreaAndDisablesTheList() {
        FLedger->AddPayout(1, Meals, "早饭", 5, {}, QDate(2026, 12, 1), Mum, Payout, "包子");
        Open(Payout);
        FForm->ceAccount->setFocus();
        Click(FForm->sbAppend);
        QCOMPARE(QApplication::focusWidget(), FForm->edtPayout);
        QCOMPARE(FForm->qryPayout->State(), TDataSetState::Insert);
        QVERIFY(FForm->edtPayout->text().isEmpty());
        QCOMPARE(FForm->cbItemProject->currentIndex(), -1);
        QCOMPARE(FForm->dtpUseDate->date(), QDate(2026, 12, 7));
        QVERIFY(FForm->ceAccount->text().isEmpty());
        QVERIFY(FForm->mmMemos->toPlainText().isEmpty());
        QVERIFY(!FForm->sbAppend->isEnabled());
        QVERIFY(!FForm->sbDelete->isEnabled());
        for (QWidget* always : std::initializer_list<QWidget*>{
                 FForm->sbSave, FForm->sbCancel, FForm->sbQuit, FForm->edtPayout,
                 FForm->cbItemProject, FForm->dtpUseDate, FForm->ceAccount, FForm->mmMemos})
            QVERIFY(always->isEnabled());
        Click(FForm->sbCancel);
        QCOMPARE(FForm->qryPayout->State(), TDataSetState::Browse);
        QCOMPARE(FForm->qryPayout->RecordCount(), 1);
        QCOMPARE(FForm->edtPayout->text(), QStringLiteral("早饭"));
        QCOMPARE(FForm->mmMemos->toPlainText(), QStringLiteral("包子"));
        QVERIFY(FForm->sbAppend->isEnabled());
        QVERIFY(FForm->sbDelete->isEnabled());
        QCOMPARE(Records(), 1);
    }

    void cancelInBrowseStateShowsTheRecordAgain() {
        FLedger->AddPayout(1, Meals, "早饭", 5, {}, QDate(2026, 12, 1), Mum, Payout);
        Open(Payout);
        Type(FForm->edtPayout, "改过的");
        Type(FForm->ceAccount, "999");
        Choose(FForm->cbItemProject, "交通");
        FForm->dtpUseDate->setDate(QDate(2026, 12, 20));
        Click(FForm->sbCancel);
        QCOMPARE(FForm->edtPayout->text(), QStringLiteral("早饭"));
        QCOMPARE(FForm->ceAccount->text(), QStringLiteral("5"));
        QCOMPARE(FForm->cbItemProject->currentText(), QStringLiteral("餐饮"));
        QCOMPARE(FForm->dtpUseDate->date(), QDate(2026, 12, 1));
        QCOMPARE(Column(1, "Payout").toString(), QStringLiteral("早饭"));
    }

    void deleteAsksFirst() {
        FLedger->AddPayout(1, Meals, "早饭", 5, {}, QDate(2026, 12, 1), Mum, Payout);
        FLedger->AddPayout(2, Meals, "午饭", 15, {}, QDate(2026, 12, 2), Mum, Payout);
        Open(Payout);
        FLedger->Messages.ConfirmAnswers = {false};
        Click(FForm->sbDelete);
        QCOMPARE(FLedger->Messages.Texts(), QStringList{"是否确定删除当前记录？"});
        QCOMPARE(FLedger->Messages.Boxes[0].Kind, TMessageKind::Confirm);
        QCOMPARE(Records(), 2);
        Click(FForm->sbDelete); // confirmed: the next record becomes current
        QCOMPARE(Records(), 1);
        QCOMPARE(FLedger->Scalar("select count(*) from fPayout where PayoutID = 1").toInt(), 0);
        QCOMPARE(FForm->edtPayout->text(), QStringLiteral("午饭"));
        Click(FForm->sbDelete); // the last one: the edit area blanks
        QCOMPARE(Records(), 0);
        QVERIFY(FForm->edtPayout->text().isEmpty());
        QVERIFY(FForm->ceAccount->text().isEmpty());
        QCOMPARE(FForm->dtpUseDate->date(), QDate(2026, 12, 7));
        const qsizetype boxes = FLedger->Messages.Boxes.size();
        Click(FForm->sbDelete);
        QCOMPARE(FLedger->Messages.Boxes.size(), boxes + 1);
        QCOMPARE(LastMessage(), QStringLiteral("没有记录，么样删撒！"));
        QCOMPARE(FLedger->Messages.Boxes.last().Kind, TMessageKind::Warning);
    }

    void aFailingDeletionIsSwallowed() {
        FLedger->AddPayout(1, Meals, "早饭", 5, {}, QDate(2026, 12, 1), Mum, Payout);
        Open(Payout);
        FLedger->Refuse("delete", "fPayout", "不能删除");
        Type(FForm->edtPayout, "打了一半");
        Click(FForm->sbDelete);
        QCOMPARE(FLedger->Messages.Texts(), QStringList{"是否确定删除当前记录？"});
        QCOMPARE(Records(), 1);
        QCOMPARE(FForm->qryPayout->RecordCount(), 1);
        QCOMPARE(FForm->edtPayout->text(), QStringLiteral("早饭")); // refreshed
        QVERIFY(FForm->FFillEnabled);
    }

    void quitLeavesTheFields() {
        Open(Payout);
        FForm->edtPayout->setFocus();
        Click(FForm->sbQuit);
        QVERIFY(!FForm->isVisible());
        QVERIFY(!FForm->edtPayout->hasFocus());
    }

    // -- the category button -------------------------------------------------------------------

    void categoryButtonReloadsAndRefills() {
        FLedger->AddPayout(1, 30, "新分类的", 5, {}, QDate(2026, 12, 1), Mum, Payout);
        Open(Payout);
        QCOMPARE(FForm->cbItemProject->currentIndex(), -1);
        QVERIFY(FForm->qryPayout->FieldByName("ItemProject").AsString().isEmpty());
        Click(FForm->sbAppend);
        Type(FForm->edtPayout, "打了一半");
        Type(FForm->ceAccount, "77");
        bool modal = false;
        QWidget* owner = nullptr;
        WhenModal([&](QWidget* window) {
            modal = qobject_cast<TfrmItemType*>(window) != nullptr;
            owner = window->parentWidget();
            FLedger->AddCategory(30, QStringLiteral("宠物"), Payout);
        });
        Click(FForm->sbPayout);
        QVERIFY(modal);
        QCOMPARE(owner, static_cast<QWidget*>(FForm.get())); // no host panel in this test
        QTRY_VERIFY(frmItemType.isNull()); // freed when it closed
        // the list refilled, the typed input replaced by the new, still empty row
        QVERIFY(FForm->cbItemProject->findText("宠物") >= 0);
        QCOMPARE(FForm->FItemProjectIDs.size(), FForm->cbItemProject->count());
        QCOMPARE(FForm->FItemProjectIDs.last(), QStringLiteral("30"));
        QVERIFY(FForm->edtPayout->text().isEmpty());
        QVERIFY(FForm->ceAccount->text().isEmpty());
        QCOMPARE(FForm->qryPayout->State(), TDataSetState::Insert);
        // the list's names are read again: the record of the new category shows its name
        Click(FForm->sbCancel);
        QCOMPARE(FForm->qryPayout->FieldByName("ItemProject").AsString(), QStringLiteral("宠物"));
        QCOMPARE(FForm->cbItemProject->currentText(), QStringLiteral("宠物"));
    }

    // -- keyboard --------------------------------------------------------------------------------

    void enterMovesThroughTheFields() {
        Open(Payout);
        Click(FForm->sbAppend);
        QCOMPARE(QApplication::focusWidget(), FForm->edtPayout);
        const QList<QWidget*> order = {FForm->cbItemProject, FForm->dtpUseDate, FForm->ceAccount,
                                       FForm->mmMemos};
        for (QWidget* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QWidget* focused = QApplication::focusWidget();
            QVERIFY(focused);
            if (focused->parentWidget() == next) focused = next; // a picker's inner edit
            QCOMPARE(focused, next);
        }
        KeyIn(FForm->mmMemos, QStringLiteral("第一行"));
        QTest::keyClick(FForm->mmMemos, Qt::Key_Return);
        KeyIn(FForm->mmMemos, QStringLiteral("第二行"));
        QCOMPARE(FForm->mmMemos->toPlainText(), QStringLiteral("第一行\n第二行"));
        QCOMPARE(QApplication::focusWidget(), FForm->mmMemos);
        QVERIFY(FLedger->Messages.Boxes.isEmpty()); // Enter never saved
        QCOMPARE(FForm->qryPayout->State(), TDataSetState::Insert);
    }

    // Enter in a field never presses a button, but Enter on a button reached by Tab presses it,
    // as Space does.
    void enterOnAFocusedButtonPressesIt() {
        Open(Payout);
        QApplication::setActiveWindow(FForm.get());
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
            FForm->sbAppend->setFocus();
            QTest::keyClick(FForm->sbAppend, key);
            QCOMPARE(FForm->qryPayout->State(), TDataSetState::Insert);
            FForm->sbCancel->setFocus();
            QTest::keyClick(FForm->sbCancel, key);
            QCOMPARE(FForm->qryPayout->State(), TDataSetState::Browse);
        }
    }

    void enterInTheAmountDoesNotSave() {
        Open(Payout);
        Click(FForm->sbAppend);
        Choose(FForm->cbItemProject, "餐饮");
        Type(FForm->ceAccount, "12");
        QTest::keyClick(FForm->ceAccount, Qt::Key_Return);
        QCOMPARE(Records(), 0);
        QVERIFY(FLedger->Messages.Boxes.isEmpty());
        QCOMPARE(QApplication::focusWidget(), FForm->mmMemos); // 记帐人 is skipped
    }

    void ctrlSSaves() {
        Open(Payout);
        QTest::keyClick(FForm->edtPayout, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(FForm->qryPayout->State(), TDataSetState::Insert);
        Type(FForm->edtPayout, "快捷键");
        Choose(FForm->cbItemProject, "餐饮");
        Type(FForm->ceAccount, "3");
        QTest::keyClick(FForm->ceAccount, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(Column(1, "Payout").toString(), QStringLiteral("快捷键"));
    }
};

QTEST_MAIN(TestPayoutBase)
#include "tst_payoutbase.moc"
