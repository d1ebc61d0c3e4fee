// Benchmark of the ledger's statements on a family's decades of records.
//
//   bench_ledger [ledger-folder]
//
// Generates (once, then reuses) a ledger of 1,000,000 records over 10 members and 20 years,
// 40 categories and 5,000 diary entries, then prints for one member the time of each statement
// the forms run (median of several runs, all rows read), GetMaxID, and loading the member's
// unfiltered details (about 100,000 rows) into the updatable query with its peak memory.
#include "LargeLedger.h"
#include "StatementTiming.h"
#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/query/DayNumber.h"
#include "data/query/Query.h"
#include "data/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

using namespace LargeLedger;


long ProcStatusKb(const char* key) {
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').first().toLong();
    return 0;
}

// Prints the engine's own time (the statement run inside SQLite, its rows counted there) and the
// time with every row and value fetched through Qt SQL.
void Report(const char* name, const QString& sql) {
    int rows = 0, counted = 0;
    const double engine = TimeStatement(dmMain->cnHearthbook, "select count(*) from (" + sql + ")", &counted);
    const double fetched = TimeStatement(dmMain->cnHearthbook, sql, &rows);
    std::printf("%-34s %8.2f ms %8.2f ms %8d rows%s\n", name, engine, fetched, rows,
                engine < 50 ? "" : "   (over 50 ms)");
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QDir::tempPath() + QStringLiteral("/pennyvale-bench");
    Prepare(folder);

    dmMain = new TdmMain;
    dmMain->DataModuleCreate();
    if (!dmMain->cnHearthbook.isOpen()) return 1;

    const QString person = MemberName(3);
    const QString details =
        "select PayoutID, ItemProjectID, ItemType, Payout, (0 - PayoutAccount) as "
        "PayoutAccount, IncomeAccount, UseDate, PersonName from fPayout where 1 = 1 "
        "and PersonName = '" +
        person + "'";
    auto statistics = [&](const QString& filters) {
        return "select b.ItemType, a.ItemProjectID, b.ItemProject, sum(a.IncomeAccount) as iSum "
               "from "
               "fPayout a, bItemProject b where a.PersonName = '" +
               person + "' and a.ItemProjectID = b.ItemProjectID and a.ItemType = '收入'" +
               filters +
               " group by b.ItemType, a.ItemProjectID, b.ItemProject union select b.ItemType, "
               "a.ItemProjectID, b.ItemProject, 0 - sum(a.PayoutAccount) as iSum from fPayout a, "
               "bItemProject b where a.PersonName = '" +
               person + "' and a.ItemProjectID = b.ItemProjectID and a.ItemType = '支出'" +
               filters + " group by b.ItemType, a.ItemProjectID, b.ItemProject";
    };
    auto statFilter = [](QString f) {
        return f.replace(" ItemType", " a.ItemType")
            .replace(" PersonName", " a.PersonName")
            .replace(" UseDate", " a.UseDate")
            .replace(" Payout like", " a.Payout like");
    };
    const QString lower = DayNumber::Text(DayNumber::FromDate(QDate(2026, 1, 1)) - 1 + 0.4375);
    const QString upper = DayNumber::Text(DayNumber::FromDate(QDate(2026, 12, 31)) + 0.4375);
    const QString byType = " and ItemType = '支出'";
    const QString byPerson = " and PersonName = '" + person + "'";
    const QString byDate = " and UseDate >= " + lower + " and UseDate <= " + upper;
    const QString byContent = " and Payout like '%午饭%'";

    std::printf("ledger of %d records; member %s\n", Records, person.toUtf8().constData());
    std::printf("%-34s %11s %11s\n", "statement", "engine", "all rows");
    Report("month list (one kind, one month)",
           "select * from fPayout where ItemType = '支出' and UseDate > 46356 and UseDate <= 46387 "
           "and PersonName = '" +
               person + "' order by UseDate");
    Report("details, unfiltered", details + " order by UseDate");
    Report("details, by kind", details + byType + " order by UseDate");
    Report("details, by member", details + byPerson + " order by UseDate");
    Report("details, by date (a year)", details + byDate + " order by UseDate");
    Report("details, by content", details + byContent + " order by UseDate");
    Report("details, every filter",
           details + byType + byPerson + byDate + byContent + " order by UseDate");
    Report("statistics, unfiltered", statistics(""));
    Report("statistics, by kind", statistics(statFilter(byType)));
    Report("statistics, by member", statistics(statFilter(byPerson)));
    Report("statistics, by date (a year)", statistics(statFilter(byDate)));
    Report("statistics, by content", statistics(statFilter(byContent)));
    Report(
        "chart by month",
        "select MonthNum, sum(IncomeAccount) as fSum01, sum(PayoutAccount) as fSum02 from fPayout "
        "where PersonName = '" +
            person + "' and YearNum = 2026 group by MonthNum");
    Report("chart by quarter", "select QuarterNum, sum(IncomeAccount) as fSum01, "
                               "sum(PayoutAccount) as fSum02 from fPayout "
                               "where PersonName = '" +
                                   person + "' and YearNum = 2026 group by QuarterNum");

    {
        std::vector<double> times;
        for (int run = 0; run < 7; ++run) {
            QElapsedTimer timer;
            timer.start();
            TCommonDB::GetMaxID("fPayout", "PayoutID");
            times.push_back(timer.nsecsElapsed() / 1e6);
        }
        std::sort(times.begin(), times.end());
        std::printf("%-34s %8.2f ms\n", "GetMaxID on fPayout", times[3]);
    }

    {
        const long before = ProcStatusKb("VmRSS:");
        QFile clear("/proc/self/clear_refs"); // resets the peak to the current size
        if (clear.open(QIODevice::WriteOnly)) clear.write("5");
        clear.close();
        TQuery query(dmMain->cnHearthbook);
        QElapsedTimer timer;
        timer.start();
        TCommonDB::OpenSQL(details + " order by UseDate", query);
        const double ms = timer.nsecsElapsed() / 1e6;
        const long peak = ProcStatusKb("VmHWM:");
        std::printf("%-34s %8.2f ms %8d rows, peak +%.1f MB%s\n", "load details into the query", ms,
                    query.RecordCount(), (peak - before) / 1024.0,
                    ms < 400 && (peak - before) < 80 * 1024 ? "" : "   (over target)");
    }
    delete dmMain;
    return 0;
}
