#include "Fixture.h"
#include "data/DataModule.h"
#include "data/query/Query.h"
#include "platform/DateText.h"
#include "widgets/grid/DBGrid.h"
#include "widgets/grid/GridFooter.h"
#include "widgets/grid/GridGroupModel.h"
#include "widgets/grid/GridModel.h"
#include "widgets/grid/GridSortModel.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QTreeView>

#include <limits>
#include <memory>

namespace {

using Tester = QAbstractItemModelTester;

const QDate Day(2026, 12, 1);

QList<TGridColumn> PayoutColumns() {
    TGridColumn content{QStringLiteral("dbgPayoutPayout"), QStringLiteral("Payout"),
                        QStringLiteral("支出内容")};
    TGridColumn type{QStringLiteral("dbgPayoutItemType"), QStringLiteral("ItemType"),
                     QStringLiteral("收支类型")};
    TGridColumn amount{QStringLiteral("dbgPayoutPayoutAccount"), QStringLiteral("PayoutAccount"),
                       QStringLiteral("支出金额")};
    amount.Alignment = Qt::AlignRight | Qt::AlignVCenter;
    amount.Format = TColumnFormat::Currency;
    amount.Footer = TFooterKind::Sum;
    TGridColumn date{QStringLiteral("dbgPayoutUseDate"), QStringLiteral("UseDate"),
                     QStringLiteral("日期")};
    date.Format = TColumnFormat::Date;
    date.HeaderAlignment = Qt::AlignCenter;
    return {content, type, amount, date};
}

// Clicks the middle of a cell, as a user would.
void ClickCell(TDBGrid& grid, const QModelIndex& index) {
    QTreeView* view = grid.View();
    const QRect cell = view->visualRect(index);
    QVERIFY(cell.isValid());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
}

} // namespace

class TestDBGrid : public QObject {
    Q_OBJECT

    std::unique_ptr<TTestLedger> FLedger;
    std::unique_ptr<TQuery> FQuery;
    std::unique_ptr<TDBGrid> FGrid;
    int FScrolls = 0;

    // A grid over fPayout, with the model and every proxy checked all along.
    void MakeGrid(bool sortable, bool grouped) {
        FQuery = std::make_unique<TQuery>(dmMain->cnHearthbook);
        FQuery->SQL = QStringList{QStringLiteral("select * from fPayout")};
        FQuery->AfterScroll = [this](TQuery&) { ++FScrolls; };
        FGrid = std::make_unique<TDBGrid>();
        FGrid->resize(500, 300);
        FGrid->SetColumns(PayoutColumns());
        FGrid->SetSortable(sortable);
        if (grouped) FGrid->SetGroupColumn(QStringLiteral("ItemType"));
        FGrid->SetDataSet(FQuery.get());
        new Tester(FGrid->Model(), Tester::FailureReportingMode::Fatal, FGrid.get());
        if (auto* sort = qobject_cast<QSortFilterProxyModel*>(FGrid->View()->model()))
            new Tester(sort, Tester::FailureReportingMode::Fatal, FGrid.get());
        if (FGrid->GroupModel())
            new Tester(FGrid->GroupModel(), Tester::FailureReportingMode::Fatal, FGrid.get());
        FQuery->Open();
        FGrid->show();
        QVERIFY(QTest::qWaitForWindowExposed(FGrid.get()));
    }

    int ViewRow() const { return FGrid->RowOfIndex(FGrid->View()->currentIndex()); }

private slots:
    void init() {
        FLedger = std::make_unique<TTestLedger>();
        FLedger->AddPayout(1, 20, QStringLiteral("午饭"), 25, QVariant(), Day,
                           QStringLiteral("管理员"), QStringLiteral("支出"));
        FLedger->AddPayout(2, 1, QStringLiteral("工资"), QVariant(), 3000, Day,
                           QStringLiteral("管理员"), QStringLiteral("收入"));
        FLedger->AddPayout(3, 21, QStringLiteral("电费"), 1209, QVariant(), Day.addDays(1),
                           QStringLiteral("管理员"), QStringLiteral("支出"));
        FScrolls = 0;
    }
    void cleanup() {
        FGrid.reset();
        FQuery.reset();
        FLedger.reset();
    }

    void showsTheRowsFormatted() {
        MakeGrid(false, false);
        TGridModel* model = FGrid->Model();
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("午饭"));
        QCOMPARE(model->index(0, 2).data().toString(), QStringLiteral("￥25.00"));
        QCOMPARE(model->index(0, 2).data(Qt::UserRole).toDouble(), 25.0);
        QCOMPARE(model->index(1, 2).data().toString(), QString()); // an empty amount shows nothing
        QCOMPARE(model->index(2, 3).data().toString(), ShortDateText(QDate(2026, 12, 2)));
        QCOMPARE(model->index(0, 2).data(Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignRight | Qt::AlignVCenter));
        QCOMPARE(model->headerData(3, Qt::Horizontal).toString(), QStringLiteral("日期"));
        QCOMPARE(model->headerData(3, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignCenter));
        QVERIFY(!(model->flags(model->index(0, 0)) & Qt::ItemIsEditable));
        QCOMPARE(FGrid->FooterText(QStringLiteral("PayoutAccount")), QStringLiteral("￥1,234.00"));
        QCOMPARE(FGrid->FooterText(QStringLiteral("Payout")), QString());
    }

    void footerSums_data() {
        QTest::addColumn<QVariantList>("amounts");
        QTest::addColumn<QString>("text");
        QTest::newRow("income less expenditure") << QVariantList{3000, -1234} << QStringLiteral("￥1,766.00");
        QTest::newRow("negative") << QVariantList{-1209, -25} << QStringLiteral("-￥1,234.00");
        QTest::newRow("beyond 32 bits") << QVariantList{2147483647, 2147483647}
                                        << QStringLiteral("￥4,294,967,294.00");
        QTest::newRow("empty values skipped") << QVariantList{QVariant(), 12, QVariant()}
                                              << QStringLiteral("￥12.00");
        QTest::newRow("no rows") << QVariantList{} << QStringLiteral("￥0.00");
        // amounts another tool wrote beyond the currency column: the total says so
        QTest::newRow("a value beyond the column") << QVariantList{12, 1e300}
                                                   << QStringLiteral("超出范围");
        QTest::newRow("minus infinity") << QVariantList{-std::numeric_limits<double>::infinity()}
                                        << QStringLiteral("超出范围");
        QTest::newRow("a total beyond the column")
            << QVariantList{qint64(922337203685477), qint64(922337203685477)}
            << QStringLiteral("超出范围");
    }
    void footerSums() {
        QFETCH(QVariantList, amounts);
        QFETCH(QString, text);
        FLedger->Exec(QStringLiteral("delete from fPayout"));
        for (int i = 0; i < amounts.size(); ++i)
            FLedger->AddPayout(i + 1, 1, QStringLiteral("项%1").arg(i), amounts.at(i), QVariant(),
                               Day, QStringLiteral("管理员"), QStringLiteral("支出"));
        MakeGrid(false, false);
        QVERIFY(FGrid->Footer()->isVisible());
        QCOMPARE(FGrid->FooterText(QStringLiteral("PayoutAccount")), text);
        QCOMPARE(FGrid->Footer()->CellText(2), text);
    }

    // A cell shows an amount beyond the currency column plainly, never as another number.
    void amountBeyondTheColumn_data() {
        QTest::addColumn<QVariant>("amount");
        QTest::addColumn<QString>("text");
        QTest::newRow("1e300") << QVariant(1e300) << QStringLiteral("超出范围");
        QTest::newRow("-1e300") << QVariant(-1e300) << QStringLiteral("超出范围");
        QTest::newRow("the largest it holds") << QVariant(qint64(922337203685477))
                                              << QStringLiteral("￥922,337,203,685,477.00");
    }
    void amountBeyondTheColumn() {
        QFETCH(QVariant, amount);
        QFETCH(QString, text);
        FLedger->Exec(QStringLiteral("delete from fPayout"));
        FLedger->AddPayout(1, 1, QStringLiteral("别的程序写的"), amount, QVariant(), Day,
                           QStringLiteral("管理员"), QStringLiteral("支出"));
        MakeGrid(false, false);
        TGridModel* model = FGrid->Model();
        QCOMPARE(model->index(0, model->ColumnOfField(QStringLiteral("PayoutAccount"))).data().toString(),
                 text);
    }

    void footerFollowsTheColumns() {
        MakeGrid(false, false);
        TGridFooter* footer = FGrid->Footer();
        QHeaderView* header = FGrid->View()->header();
        const int viewportX = FGrid->View()->viewport()->mapTo(FGrid.get(), QPoint()).x();
        auto check = [&] {
            QCOMPARE(footer->CellRect(2).x(), viewportX + header->sectionViewportPosition(2));
            QCOMPARE(footer->CellRect(2).width(), header->sectionSize(2));
        };
        check();
        header->resizeSection(0, 220);
        check();
        header->moveSection(2, 0);
        check();
        QCOMPARE(footer->CellRect(2).x(), viewportX);
        header->resizeSection(1, 600);
        FGrid->View()->horizontalScrollBar()->setValue(80);
        check();
        FGrid->View()->setColumnHidden(2, true);
        QVERIFY(footer->CellRect(2).isEmpty());
    }

    // The strip paints its sums: the cell under the amount column holds dark text pixels on the
    // strip's colour, and the cells of columns without a footer stay blank.
    void footerPaintsItsSums() {
        MakeGrid(false, false);
        TGridFooter* footer = FGrid->Footer();
        footer->SetColor(Qt::white);
        const QImage strip = footer->grab().toImage();
        auto darkPixels = [&](const QRect& cell) {
            int count = 0;
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x <= cell.right(); ++x)
                    if (strip.rect().contains(x, y) && qGray(strip.pixel(x, y)) < 100) ++count;
            return count;
        };
        const QRect amount = footer->CellRect(2).adjusted(4, 4, -4, -4);
        QVERIFY(amount.isValid());
        QVERIFY2(darkPixels(amount) > 10, "the sum is painted");
        QCOMPARE(darkPixels(footer->CellRect(0).adjusted(4, 4, -4, -4)), 0);
    }

    void footerFollowsTheRows() {
        MakeGrid(false, false);
        FQuery->Append();
        FQuery->FieldByName(QStringLiteral("PayoutID")).SetAsInteger(9);
        FQuery->FieldByName(QStringLiteral("PayoutAccount")).SetAsInteger(766);
        FQuery->Post();
        QCOMPARE(FGrid->FooterText(QStringLiteral("PayoutAccount")), QStringLiteral("￥2,000.00"));
        FQuery->First();
        FQuery->Delete();
        QCOMPARE(FGrid->FooterText(QStringLiteral("PayoutAccount")), QStringLiteral("￥1,975.00"));
    }

    void clickMovesTheQuery() {
        MakeGrid(false, false);
        QCOMPARE(ViewRow(), 0);
        const int scrolls = FScrolls;
        ClickCell(*FGrid, FGrid->IndexOfRow(2));
        QCOMPARE(FQuery->RecNo(), 3);
        QCOMPARE(FScrolls, scrolls + 1);
        QTest::keyClick(FGrid->View(), Qt::Key_Up);
        QCOMPARE(FQuery->RecNo(), 2);
    }

    void queryMovesTheSelection() {
        MakeGrid(false, false);
        FQuery->Last();
        QCOMPARE(ViewRow(), 2);
        QVERIFY(FGrid->View()->selectionModel()->isRowSelected(2, QModelIndex()));
        FQuery->Prior();
        QCOMPARE(ViewRow(), 1);
        QCOMPARE(FGrid->View()->selectionModel()->selectedRows().size(), 1);
    }

    void changesShowAtOnce() {
        MakeGrid(false, false);
        FQuery->Append();
        QCOMPARE(FGrid->Model()->rowCount(), 4);
        QCOMPARE(ViewRow(), 3);
        FQuery->FieldByName(QStringLiteral("PayoutID")).SetAsInteger(4);
        FQuery->FieldByName(QStringLiteral("Payout")).SetAsString(QStringLiteral("地铁"));
        FQuery->Post();
        QCOMPARE(FGrid->IndexOfRow(3).data().toString(), QStringLiteral("地铁"));
        FQuery->Append();
        FQuery->Cancel();
        QCOMPARE(FGrid->Model()->rowCount(), 4);
        QCOMPARE(ViewRow(), FQuery->RecNo() - 1);
        FQuery->First();
        FQuery->Delete();
        QCOMPARE(FGrid->Model()->rowCount(), 3);
        QCOMPARE(FGrid->IndexOfRow(0).data().toString(), QStringLiteral("工资"));
        QCOMPARE(ViewRow(), FQuery->RecNo() - 1);
        FQuery->Close();
        QCOMPARE(FGrid->Model()->rowCount(), 0);
    }

    void refusedMoveSnapsBack() {
        MakeGrid(false, false);
        FQuery->Append();
        FQuery->FieldByName(QStringLiteral("PayoutID")).SetAsInteger(1); // the key is taken
        FQuery->FieldByName(QStringLiteral("Payout")).SetAsString(QStringLiteral("重复"));
        ClickCell(*FGrid, FGrid->IndexOfRow(0));
        QCOMPARE(FLedger->Messages.Boxes.size(), 1); // the engine's reason is reported
        QCOMPARE(FQuery->State(), TDataSetState::Insert);
        QCOMPARE(FQuery->RecNo(), 4);
        QCOMPARE(ViewRow(), 3);
    }

    void sortsByHeaderClick() {
        MakeGrid(true, false);
        QCOMPARE(FGrid->View()->model()->index(0, 0).data().toString(), QStringLiteral("午饭"));
        FGrid->View()->sortByColumn(2, Qt::DescendingOrder);
        QTreeView* view = FGrid->View();
        QCOMPARE(view->model()->index(0, 0).data().toString(), QStringLiteral("电费"));
        QCOMPARE(view->model()->index(2, 0).data().toString(), QStringLiteral("工资")); // empty last
        ClickCell(*FGrid, view->model()->index(0, 0));
        QCOMPARE(FQuery->RecNo(), 3);
        FQuery->First();
        QCOMPARE(view->currentIndex().row(), 1);
        auto* sort = qobject_cast<TGridSortModel*>(view->model());
        QVERIFY(sort);
        QVERIFY(sort->Compare(QStringLiteral("收入"), QStringLiteral("支出")) < 0); // shōu before zhī
        QVERIFY(sort->Compare(QVariant(9), QVariant(10)) < 0);
        QVERIFY(sort->Compare(QVariant(), QVariant(0)) < 0);
    }

    void groupsLeaveTheCursor() {
        MakeGrid(false, true);
        QTreeView* view = FGrid->View();
        TGridGroupModel* groups = FGrid->GroupModel();
        QCOMPARE(groups->GroupCount(), 2);
        QVERIFY(view->isColumnHidden(1)); // the grouping column
        QVERIFY(view->isExpanded(groups->index(0, 0)));
        QVERIFY(view->isExpanded(groups->index(1, 0)));
        QCOMPARE(groups->index(0, 0).data().toString(), QStringLiteral("收入"));
        ClickCell(*FGrid, FGrid->IndexOfRow(2));
        QCOMPARE(FQuery->RecNo(), 3);
        const int scrolls = FScrolls;
        ClickCell(*FGrid, groups->index(0, 0));
        QCOMPARE(FQuery->RecNo(), 3); // a group row has no record
        QCOMPARE(FScrolls, scrolls);
        FGrid->SetFaceColor(QColor(0xF0, 0xE3, 0xC6));
        QCOMPARE(groups->index(1, 0).data(Qt::BackgroundRole).value<QBrush>().color(),
                 QColor(0xF0, 0xE3, 0xC6));
        QVERIFY(FGrid->View()->header()->styleSheet().contains(QStringLiteral("#f0e3c6")));
        FGrid->SetGroupPanelVisible(true);
        QCOMPARE(FGrid->GroupPanel()->text(), QStringLiteral("收支类型"));
        FGrid->SetSummaryGroups(true);
        QCOMPARE(groups->index(1, 2).data().toString(), QStringLiteral("合计：￥1,234.00"));
    }

    void groupedRowsFollowTheQuery() {
        MakeGrid(false, true);
        FQuery->Append();
        FQuery->FieldByName(QStringLiteral("PayoutID")).SetAsInteger(4);
        FQuery->FieldByName(QStringLiteral("ItemType")).SetAsString(QStringLiteral("收入"));
        FQuery->FieldByName(QStringLiteral("Payout")).SetAsString(QStringLiteral("奖金"));
        FQuery->Post();
        TGridGroupModel* groups = FGrid->GroupModel();
        QCOMPARE(groups->rowCount(groups->index(0, 0)), 2);
        QCOMPARE(ViewRow(), 3);
        QVERIFY(FGrid->View()->isExpanded(groups->index(0, 0)));
        FQuery->Delete();
        QCOMPARE(groups->rowCount(groups->index(0, 0)), 1);
        QCOMPARE(ViewRow(), FQuery->RecNo() - 1);
    }

    void indicatorMarksTheCurrentRow() {
        MakeGrid(false, false);
        FGrid->SetIndicator(true);
        TGridModel* model = FGrid->Model();
        QCOMPARE(model->columnCount(), 5);
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("▶"));
        FQuery->Next();
        QCOMPARE(model->index(0, 0).data().toString(), QString());
        QCOMPARE(model->index(1, 0).data().toString(), QStringLiteral("▶"));
        QCOMPARE(model->index(1, 1).data().toString(), QStringLiteral("工资"));
    }

    void headerAndLines() {
        MakeGrid(false, false);
        QVERIFY(!FGrid->View()->isHeaderHidden());
        FGrid->SetHeaderVisible(false);
        QVERIFY(FGrid->View()->isHeaderHidden());
        QVERIFY(FGrid->GridLines());
        FGrid->SetGridLines(false);
        QVERIFY(!FGrid->GridLines());
    }

    void cellsAreAccessible() {
        MakeGrid(false, false);
        QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(FGrid->View());
        QVERIFY(grid);
        QAccessibleTableInterface* table = grid->tableInterface();
        QVERIFY(table);
        QCOMPARE(table->rowCount(), 3);
        QAccessibleInterface* cell = table->cellAt(2, 2);
        QVERIFY(cell);
        QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("￥1,209.00"));
        QCOMPARE(table->columnDescription(0), QStringLiteral("支出内容"));
    }

    void queryGoesFirst() {
        MakeGrid(false, false);
        FQuery.reset(); // as when a form's members go before its child widgets
        QCOMPARE(FGrid->Model()->rowCount(), 0);
        QVERIFY(!FGrid->DataSet());
    }
};

QTEST_MAIN(TestDBGrid)
#include "tst_dbgrid.moc"
