#include "FormUnderTest.h"
#include "Resources.h"
#include "forms/BillPreview.h"
#include "forms/ImportPlanModel.h"
#include "platform/Fonts.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace {

using TCategory = TImportPlanModel::TCategory;

const QList<TCategory> Expenditure = {
    {3, QStringLiteral("餐饮")}, {4, QStringLiteral("交通费")}, {9, QStringLiteral("其他支出")}};
const QList<TCategory> Income = {{1, QStringLiteral("工资")}, {8, QStringLiteral("其他收入")}};

enum { rowMeal, rowMealRefunded, rowImported, rowNeutral, rowChangedByHand, rowIncome };

// Appends a row of the bill and its plan; the planned row is returned for the case to adjust.
TPlannedRow& Add(TImportPlan& plan, int day, const QString& counterpart, const QString& content,
                 const QString& kind, qint64 units, TSkipReason reason, qint64 categoryId,
                 const QString& category) {
    TBillRow bill;
    bill.Line = 18 + day;
    bill.Time = QDateTime(QDate(2026, 11, day), QTime(12, 5));
    bill.Counterpart = counterpart;
    TPlannedRow row;
    row.BillRow = int(plan.BillRows.size());
    row.Reason = reason;
    row.Checked = reason == TSkipReason::None;
    row.Kind = kind;
    row.NetUnits = units;
    row.ItemProjectID = categoryId;
    row.CategoryName = category;
    row.Content = content;
    plan.BillRows << bill;
    plan.Rows << row;
    return plan.Rows.last();
}

// A small bill's plan: two payments to one shop (one partly refunded), a payment imported
// before, a top-up of the user's own change, a refund of a record changed by hand, and a wage.
TImportPlan SmallPlan() {
    TImportPlan plan;
    plan.Path = QStringLiteral("/home/user/下载/支付宝交易明细(20261101-20261130).csv");
    plan.Source = QStringLiteral("alipay");
    plan.Format = QStringLiteral("支付宝账单（CSV）");
    plan.PersonName = QStringLiteral("家长");
    Add(plan, 3, "美团外卖", "黄焖鸡米饭", "支出", 281600, TSkipReason::None, 3, "餐饮");
    Add(plan, 5, "美团外卖", "麻辣烫", "支出", 150000, TSkipReason::None, 9, "其他支出")
        .RefundUnits = 50000;
    Add(plan, 6, "滴滴出行", "快车", "支出", 0, TSkipReason::AlreadyImported, 4, "交通费");
    plan.BillRows.last().Units = 200000;
    Add(plan, 7, "零钱通", "转入零钱通", "支出", 1000000, TSkipReason::Neutral, 0, "");
    Add(plan, 8, "美团外卖", "退款-黄焖鸡米饭", "支出", 100000, TSkipReason::ChangedByHand, 3,
        "餐饮")
        .ReducesPayoutID = 7;
    Add(plan, 10, "某某科技有限公司", "工资", "收入", 1000000, TSkipReason::None, 1, "工资");
    return plan;
}

} // namespace

// The dialog takes its plan when it is made: the form under test is its base.
class TestBillPreview : public QObject, TFormUnderTest<TfrmBase> {
    Q_OBJECT

    std::unique_ptr<QAbstractItemModelTester> FTester;
    TfrmBillPreview* FPreview = nullptr;

    TfrmBillPreview* Open(TImportPlan plan = SmallPlan()) {
        OpenLedger();
        FPreview = new TfrmBillPreview(std::move(plan), Expenditure, Income);
        ShowForm(std::unique_ptr<TfrmBase>(FPreview));
        FTester = std::make_unique<QAbstractItemModelTester>(
            FPreview->Model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        return FPreview;
    }
    QModelIndex Cell(int row, int column) const { return FPreview->Model->index(row, column); }
    QString Text(int row, int column) const { return Cell(row, column).data().toString(); }
    bool Ticked(int row) const {
        return Cell(row, TImportPlanModel::colTick).data(Qt::CheckStateRole).toInt() == Qt::Checked;
    }
    bool Greyed(int row) const {
        return Cell(row, TImportPlanModel::colDate).data(Qt::ForegroundRole).isValid();
    }
    void Key(QWidget* widget, int key) { QTest::keyClick(widget, Qt::Key(key)); }
    // The drop-down open on the row's category.
    QComboBox* Editor(int row) const {
        return qobject_cast<QComboBox*>(
            FPreview->tblRows->indexWidget(Cell(row, TImportPlanModel::colCategory)));
    }
    // The current row's category picked as the user does: F2, then the drop-down.
    void PickCategory(int row, const QString& name) {
        FPreview->tblRows->setCurrentIndex(Cell(row, TImportPlanModel::colDate));
        Key(FPreview->tblRows, Qt::Key_F2);
        auto* combo = Editor(row);
        QVERIFY(combo);
        Choose(combo, name);
    }

private slots:
    void initTestCase() {
        InitPennyvaleResources();
        InstallFontSubstitutions();
    }

    void cleanup() {
        FTester.reset();
        CloseForm();
    }

    void layout() {
        Open();
        QCOMPARE(FPreview->windowTitle(), QStringLiteral("导入账单"));
        QCOMPARE(FPreview->lblFile->text(),
                 QStringLiteral(
                     "支付宝账单（CSV）：支付宝交易明细(20261101-20261130).csv，记入 家长 的账本"));
        QStringList captions;
        for (int column = 0; column < FPreview->Model->columnCount(); ++column)
            captions << FPreview->Model->headerData(column, Qt::Horizontal).toString();
        QCOMPARE(captions,
                 QStringList({"导入", "日期", "内容", "交易对方", "金额", "收支", "类别", "说明"}));
        // Rows of one height, columns of set widths: nothing measured row by row.
        QCOMPARE(FPreview->tblRows->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
        QCOMPARE(FPreview->tblRows->horizontalHeader()->sectionResizeMode(1),
                 QHeaderView::Interactive);
        QCOMPARE(QApplication::focusWidget(), FPreview->tblRows);

        QCOMPARE(Text(rowMeal, TImportPlanModel::colDate), QStringLiteral("2026-11-03"));
        QCOMPARE(Text(rowMeal, TImportPlanModel::colContent), QStringLiteral("黄焖鸡米饭"));
        QCOMPARE(Text(rowMeal, TImportPlanModel::colCounterpart), QStringLiteral("美团外卖"));
        QCOMPARE(Text(rowMeal, TImportPlanModel::colAmount), QStringLiteral("￥28.16"));
        QCOMPARE(Text(rowMeal, TImportPlanModel::colKind), QStringLiteral("支出"));
        QCOMPARE(Text(rowMeal, TImportPlanModel::colCategory), QStringLiteral("餐饮"));
        QVERIFY(!Cell(rowMeal, TImportPlanModel::colAmount).data(Qt::ToolTipRole).isValid());
        // A partly refunded payment at its net amount, the refund told in the tooltip.
        QCOMPARE(Text(rowMealRefunded, TImportPlanModel::colAmount), QStringLiteral("￥15.00"));
        QCOMPARE(
            Cell(rowMealRefunded, TImportPlanModel::colAmount).data(Qt::ToolTipRole).toString(),
            QStringLiteral("原 ￥20.00，退款 ￥5.00"));
        // A row that will not be imported shows the bill's amount, not a net of nothing.
        QCOMPARE(Text(rowImported, TImportPlanModel::colAmount), QStringLiteral("￥20.00"));
    }

    void rows_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("checkable");
        QTest::addColumn<bool>("editable");
        QTest::addColumn<bool>("greyed");
        QTest::addColumn<QString>("reason");
        QTest::newRow("imported") << int(rowMeal) << true << true << false << QString();
        QTest::newRow("already imported")
            << int(rowImported) << false << false << true << "已导入过";
        QTest::newRow("neutral") << int(rowNeutral) << false << false << true << "不计收支";
        // the user decides: offered unticked, and takes no category of its own
        QTest::newRow("changed by hand")
            << int(rowChangedByHand) << true << false << true << "原记录已手工修改，请确认";
    }

    void rows() {
        QFETCH(int, row);
        QFETCH(bool, checkable);
        QFETCH(bool, editable);
        QFETCH(bool, greyed);
        QFETCH(QString, reason);
        Open();
        QCOMPARE(bool(Cell(row, TImportPlanModel::colTick).flags() & Qt::ItemIsUserCheckable),
                 checkable);
        QCOMPARE(Cell(row, TImportPlanModel::colTick).data(Qt::CheckStateRole).isValid(),
                 checkable);
        QCOMPARE(bool(Cell(row, TImportPlanModel::colCategory).flags() & Qt::ItemIsEditable),
                 editable);
        QCOMPARE(Greyed(row), greyed);
        QCOMPARE(Text(row, TImportPlanModel::colReason), reason);
        // A row the user may not tick stays as it is.
        if (!checkable) {
            QVERIFY(!FPreview->Model->setData(Cell(row, TImportPlanModel::colTick), Qt::Checked,
                                              Qt::CheckStateRole));
            FPreview->Model->SetAllChecked(true);
            QVERIFY(!FPreview->Plan().Rows[row].Checked);
        }
        if (!editable)
            QVERIFY(!FPreview->Model->setData(Cell(row, TImportPlanModel::colCategory), 4));
    }

    void ticks() {
        Open();
        const QString initial =
            QStringLiteral("将导入 3 条：支出 ￥43.16，收入 ￥100.00；不导入 3 条");
        QCOMPARE(FPreview->lblSummary->text(), initial);

        // Space unticks the current row wherever the current cell is, and ticks it again.
        FPreview->tblRows->setCurrentIndex(Cell(rowMeal, TImportPlanModel::colCategory));
        Key(FPreview->tblRows, Qt::Key_Space);
        QVERIFY(!Ticked(rowMeal));
        QVERIFY(!FPreview->Plan().Rows[rowMeal].Checked);
        QVERIFY(Greyed(rowMeal));
        QCOMPARE(Text(rowMeal, TImportPlanModel::colReason), QStringLiteral("未勾选，不导入"));
        QCOMPARE(FPreview->lblSummary->text(),
                 QStringLiteral("将导入 2 条：支出 ￥15.00，收入 ￥100.00；不导入 4 条"));
        Key(FPreview->tblRows, Qt::Key_Space);
        QVERIFY(Ticked(rowMeal));
        QCOMPARE(FPreview->lblSummary->text(), initial);
        // Space on a row that cannot be imported does nothing.
        FPreview->tblRows->setCurrentIndex(Cell(rowImported, TImportPlanModel::colDate));
        Key(FPreview->tblRows, Qt::Key_Space);
        QCOMPARE(FPreview->lblSummary->text(), initial);

        Click(FPreview->btnNone);
        for (int row : {rowMeal, rowMealRefunded, rowChangedByHand, rowIncome})
            QVERIFY(!Ticked(row));
        QCOMPARE(FPreview->lblSummary->text(),
                 QStringLiteral("没有勾选要导入的记录；不导入 6 条。"));
        QVERIFY(!FPreview->btnImport->isEnabled());

        // 全选 ticks the refund of the record changed by hand too: it reduces that record.
        Click(FPreview->btnAll);
        for (int row : {rowMeal, rowMealRefunded, rowChangedByHand, rowIncome})
            QVERIFY(Ticked(row));
        QVERIFY(FPreview->btnImport->isEnabled());
        QCOMPARE(
            FPreview->lblSummary->text(),
            QStringLiteral(
                "将导入 4 条：支出 ￥43.16，收入 ￥100.00，其中退款冲减原记录 1 条；不导入 2 条"));
    }

    void categoryChosenAndProposedForTheCounterpart() {
        Open();
        PickCategory(rowMeal, QStringLiteral("交通费"));
        const TImportPlan& plan = FPreview->Plan();
        QCOMPARE(plan.Rows[rowMeal].ItemProjectID, 4);
        QCOMPARE(plan.Rows[rowMeal].CategoryName, QStringLiteral("交通费"));
        QVERIFY(plan.Rows[rowMeal].CategoryChosen);
        QCOMPARE(Text(rowMeal, TImportPlanModel::colCategory), QStringLiteral("交通费"));
        // proposed for the other payment to the same shop, which the user has not chosen yet
        QCOMPARE(plan.Rows[rowMealRefunded].ItemProjectID, 4);
        QCOMPARE(Text(rowMealRefunded, TImportPlanModel::colCategory), QStringLiteral("交通费"));
        QVERIFY(!plan.Rows[rowMealRefunded].CategoryChosen);
        // not for the refund of an earlier record, nor for another counterpart
        QCOMPARE(plan.Rows[rowChangedByHand].ItemProjectID, 3);
        QCOMPARE(plan.Rows[rowIncome].ItemProjectID, 1);

        // A row the user has chosen keeps its choice when another of the shop's rows changes.
        PickCategory(rowMealRefunded, QStringLiteral("餐饮"));
        QCOMPARE(plan.Rows[rowMealRefunded].ItemProjectID, 3);
        QVERIFY(plan.Rows[rowMealRefunded].CategoryChosen);
        QCOMPARE(plan.Rows[rowMeal].ItemProjectID, 4);

        // An income row, opened by a double-click anywhere in it, is offered the income
        // categories only.
        QTableView* table = FPreview->tblRows;
        const QPoint content =
            table->visualRect(Cell(rowIncome, TImportPlanModel::colContent)).center();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, content);
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, content);
        auto* combo = Editor(rowIncome);
        QVERIFY(combo);
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->currentText(), QStringLiteral("工资"));
        Key(combo, Qt::Key_Escape);
        QVERIFY(FPreview->isVisible()); // Escape closed the editor, not the dialog
        // and a category of the other kind is refused
        QVERIFY(!FPreview->Model->setData(Cell(rowIncome, TImportPlanModel::colCategory), 3));
        QCOMPARE(plan.Rows[rowIncome].ItemProjectID, 1);
    }

    void escapeCancels() {
        Open();
        Key(FPreview->tblRows, Qt::Key_Escape);
        QVERIFY(!FPreview->isVisible());
        QCOMPARE(FPreview->result(), int(QDialog::Rejected));
    }

    void importReachedByTabAndEnter() {
        Open();
        Key(FPreview->tblRows, Qt::Key_Space); // the first row unticked
        // Enter in the table imports nothing.
        Key(FPreview->tblRows, Qt::Key_Return);
        QVERIFY(FPreview->isVisible());
        for (QWidget* expected :
             QList<QWidget*>{FPreview->btnAll, FPreview->btnNone, FPreview->btnImport}) {
            Key(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), expected);
        }
        Key(FPreview->btnImport, Qt::Key_Return);
        QVERIFY(!FPreview->isVisible());
        QCOMPARE(FPreview->result(), int(QDialog::Accepted));
        QVERIFY(!FPreview->Plan().Rows[rowMeal].Checked);
        QVERIFY(FPreview->Plan().Rows[rowIncome].Checked);
    }

    void nothingToImport_data() {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<QString>("summary");
        QTest::newRow("empty bill") << QList<int>{} << "账单中没有交易记录，没有可导入的内容。";
        QTest::newRow("all skipped") << QList<int>{rowImported, rowNeutral}
                                     << "没有可导入的记录：账单的 2 条都不导入，原因见“说明”一栏。";
        // the refund of a record changed by hand waits for the user's tick
        QTest::newRow("only a refund to decide")
            << QList<int>{rowImported, rowChangedByHand} << "没有勾选要导入的记录；不导入 2 条。";
    }

    void nothingToImport() {
        QFETCH(QList<int>, rows);
        QFETCH(QString, summary);
        TImportPlan plan = SmallPlan();
        const QList<TPlannedRow> all = plan.Rows;
        plan.Rows.clear();
        for (int row : rows)
            plan.Rows << all[row];
        Open(plan);
        QCOMPARE(FPreview->lblSummary->text(), summary);
        QVERIFY(!FPreview->btnImport->isEnabled());
        Key(FPreview->tblRows, Qt::Key_Return);
        QVERIFY(FPreview->isVisible());
    }
};

QTEST_MAIN(TestBillPreview)
#include "tst_billpreview.moc"
