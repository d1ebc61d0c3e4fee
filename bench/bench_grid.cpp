// Benchmark of the data grid over a long query.
//
//   bench_grid
//
// Fills a temporary ledger with 100,000 records, then prints the time from opening the query
// to the grid shown with its footer sums painted (and, apart, the same statement read by a query
// that no grid shows), the memory that costs, and the time of one paint after scrolling to the
// end (a paint touches only the rows in sight).
#include "data/query/DayNumber.h"
#include "data/query/Query.h"
#include "data/Schema.h"
#include "widgets/grid/DBGrid.h"
#include "widgets/grid/GridFooter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTreeView>
#include <cstdio>

namespace {

constexpr int Records = 100'000;

double ResidentMegabytes() {
    QFile status(QStringLiteral("/proc/self/statm"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = status.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toDouble() * 4096 / (1024 * 1024) : 0;
}

void Fill(QSqlDatabase& db) {
    Schema::CreateTables(db);
    QSqlQuery q(db);
    db.transaction();
    q.prepare("insert into fPayout values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    const double first = DayNumber::FromDate(QDate(2007, 1, 1));
    for (int i = 1; i <= Records; ++i) {
        const bool income = i % 10 == 0;
        const QDate day = QDate(2007, 1, 1).addDays(i / 15);
        q.addBindValue(i);
        q.addBindValue(i % 40 + 1);
        q.addBindValue(QStringLiteral("午饭%1").arg(i % 100));
        q.addBindValue(income ? QVariant() : QVariant(i % 500 + 1));
        q.addBindValue(income ? QVariant(i % 5000 + 1000) : QVariant());
        q.addBindValue(first + i / 15);
        q.addBindValue(QStringLiteral("成员1"));
        q.addBindValue(QVariant());
        q.addBindValue(income ? QStringLiteral("收入") : QStringLiteral("支出"));
        q.addBindValue(day.month());
        q.addBindValue(day.year());
        q.addBindValue((day.month() - 1) / 3 + 1);
        q.exec();
    }
    db.commit();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir folder;
    auto db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
    db.setDatabaseName(folder.filePath(QStringLiteral("Hearthbook.mdb")));
    db.open();
    Fill(db);

    TGridColumn content{"dbgPayoutPayout", "Payout", QStringLiteral("支出内容")};
    TGridColumn payout{"dbgPayoutPayoutAccount", "PayoutAccount", QStringLiteral("支出金额")};
    payout.Format = TColumnFormat::Currency;
    payout.Footer = TFooterKind::Sum;
    payout.Alignment = Qt::AlignRight | Qt::AlignVCenter;
    TGridColumn income = payout;
    income.Name = "dbgPayoutIncomeAccount";
    income.Field = "IncomeAccount";
    income.Caption = QStringLiteral("收入金额");
    TGridColumn date{"dbgPayoutUseDate", "UseDate", QStringLiteral("日期")};
    date.Format = TColumnFormat::Date;
    TGridColumn person{"dbgPayoutPersonName", "PersonName", QStringLiteral("记帐人")};

    TDBGrid grid;
    grid.resize(800, 600);
    grid.SetColumns({content, payout, income, date, person});
    grid.SetSortable(true);
    grid.SetIndicator(true);
    TQuery query(db);
    grid.SetDataSet(&query);
    grid.show();
    app.processEvents();

    const double before = ResidentMegabytes();
    QElapsedTimer timer;
    timer.start();
    query.SQL = QStringList{QStringLiteral("select * from fPayout")};
    query.Open();
    const double queryOpened = timer.nsecsElapsed() / 1e6;
    grid.repaint();
    grid.Footer()->repaint();
    app.processEvents();
    const double opened = timer.nsecsElapsed() / 1e6;
    const double after = ResidentMegabytes();

    timer.restart();
    grid.View()->verticalScrollBar()->setValue(grid.View()->verticalScrollBar()->maximum());
    grid.View()->viewport()->repaint();
    grid.Footer()->repaint();
    const double scrolled = timer.nsecsElapsed() / 1e6;

    timer.restart();
    query.Last();
    app.processEvents();
    const double last = timer.nsecsElapsed() / 1e6;

    // The same statement read by a query that no grid shows, for the grid's own share.
    double aloneOpened = 0;
    {
        TQuery alone(db);
        alone.SQL = QStringList{QStringLiteral("select * from fPayout")};
        timer.restart();
        alone.Open();
        aloneOpened = timer.nsecsElapsed() / 1e6;
    }

    std::printf("rows                          %d\n", query.RecordCount());
    std::printf("open to shown with footers    %.1f ms\n", opened);
    std::printf("  of which the query's Open   %.1f ms\n", queryOpened);
    std::printf("  the query alone, no grid    %.1f ms\n", aloneOpened);
    std::printf("memory for the rows and grid  %.1f MB\n", after - before);
    std::printf("scroll to the end and paint   %.2f ms\n", scrolled);
    std::printf("query to last row, selected   %.2f ms\n", last);
    std::printf("footer                        %s / %s\n",
                qPrintable(grid.FooterText(QStringLiteral("PayoutAccount"))),
                qPrintable(grid.FooterText(QStringLiteral("IncomeAccount"))));
    return 0;
}
