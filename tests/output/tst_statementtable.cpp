#include "Fixture.h"
#include "data/query/Query.h"
#include "output/StatementTable.h"

#include <QTest>

// A statement's rows made from a query as its grid shows them: the visible columns in the
// program's formats, the footer sums, the order of a sorted grid, the totals by kind with the
// balance.
namespace {

const QList<TGridColumn> Columns = {
    {"cKey", "PayoutID", "编号", false},
    {"cContent", "Payout", "支出内容", true},
    {"cAmount", "PayoutAccount", "支出金额", true, Qt::AlignRight | Qt::AlignVCenter,
     Qt::AlignCenter, TColumnFormat::Currency, TFooterKind::Sum},
};

} // namespace

class TestStatementTable : public QObject {
    Q_OBJECT

    std::unique_ptr<TTestLedger> FLedger;

    void Open(TQuery& query, const QString& sql) {
        query.SQL = QStringList{sql};
        query.Open();
    }

private slots:
    void init() {
        FLedger = std::make_unique<TTestLedger>();
        FLedger->AddPayout(1, 7, "午饭", 25.5, {}, QDate(2026, 12, 1), "家长", "支出");
        FLedger->AddPayout(2, 8, "地铁", 1234, {}, QDate(2026, 12, 2), "家长", "支出");
        FLedger->AddPayout(3, 1, "工资", {}, 8000, QDate(2026, 12, 3), "家长", "收入");
    }
    void cleanup() { FLedger.reset(); }

    void rowsAsTheGridShowsThem_data() {
        QTest::addColumn<std::vector<int>>("order");
        QTest::addColumn<QStringList>("contents");
        QTest::newRow("the query's order") << std::vector<int>{} << QStringList{"午饭", "地铁"};
        QTest::newRow("sorted by the grid")
            << std::vector<int>{1, 0} << QStringList{"地铁", "午饭"};
    }
    void rowsAsTheGridShowsThem() {
        QFETCH(std::vector<int>, order);
        QFETCH(QStringList, contents);
        TQuery query(FLedger->Connection());
        Open(query, "select * from fPayout where ItemType = '支出' order by PayoutID");
        const TStatementTable table = TStatementTable::FromQuery(query, Columns, order);
        QCOMPARE(table.Columns.size(), 2); // the hidden key is left out
        QCOMPARE(table.Columns[1].Caption, QString("支出金额"));
        QCOMPARE(table.Columns[1].Alignment, Qt::AlignRight);
        QCOMPARE(table.Rows.size(), 2);
        QCOMPARE(table.Rows[0].Cells[0], contents[0]);
        QCOMPARE(table.Rows[1].Cells[0], contents[1]);
        QCOMPARE(table.Rows[contents.indexOf("地铁")].Cells[1], QString("￥1,234.00"));
        QCOMPARE(table.Footer, (QStringList{"合计", "￥1,259.50"}));
    }

    // Each kind under its heading with its subtotal; the footer is income less expenditure.
    void totalsByKindWithTheBalance() {
        TQuery query(FLedger->Connection());
        Open(query, "select b.ItemType, b.ItemProject, sum(coalesce(a.IncomeAccount, 0) - "
                    "coalesce(a.PayoutAccount, 0)) as iSum from fPayout a, bItemProject b where "
                    "a.ItemProjectID = b.ItemProjectID group by b.ItemType, b.ItemProject "
                    "order by b.ItemType desc, b.ItemProject");
        const TGridColumn name{"n", "ItemProject", "收支项目"};
        const TGridColumn sum{"s",
                              "iSum",
                              "金额",
                              true,
                              Qt::AlignRight,
                              Qt::AlignCenter,
                              TColumnFormat::Currency,
                              TFooterKind::Sum};
        const TStatementTable table =
            TStatementTable::GroupedTotals(query, "ItemType", name, sum, "结余");
        QStringList rows;
        for (const TStatementTable::TRow& row : table.Rows)
            rows << row.Cells.join('|') + (row.Emphasis ? "*" : "");
        QCOMPARE(rows, (QStringList{"收入|*", "工资|￥8,000.00", "收入合计|￥8,000.00*", "支出|*",
                                    "交通|-￥1,234.00", "餐饮|-￥25.50", "支出合计|-￥1,259.50*"}));
        QCOMPARE(table.Footer, (QStringList{"结余", "￥6,740.50"}));
    }
};

QTEST_MAIN(TestStatementTable)
#include "tst_statementtable.moc"
