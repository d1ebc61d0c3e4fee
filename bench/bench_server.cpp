// Benchmark of the book on a PostgreSQL server beside the ledger file, side by side.
//
//   bench_server [ledger-folder]
//
// Generates (once, then reuses, as bench_ledger does) the ledger of 1,000,000 records, starts a
// throw-away PostgreSQL server on a Unix socket (as the tests do) and copies the ledger there
// with the program's --copy-ledger. Then, on a copy of the file and on the server in turn, it
// times for one member each statement the forms run, built by the forms themselves (the month
// list, the query's details and statistics, the chart, the diary; median of 7 runs, every row
// and value fetched), and saving a new record through the program's save path (the month list's
// query, the new key, Post). Prints both figures and their ratio; the target is the server
// within twice the file's time.
#include "LargeLedger.h"
#include "PgServer.h"
#include "app/start/CopyLedgerCommand.h"
#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "StatementTiming.h"
#include "data/NewKeys.h"
#include "data/Schema.h"
#include "data/query/Query.h"
#include "forms/Diary.h"
#include "forms/FinanceAns.h"
#include "forms/PayQuery.h"
#include "forms/PayoutBase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using namespace LargeLedger;

struct TStatement {
    QString Name;
    QString Sql;
};

// Median milliseconds of saving a new expenditure of the member as the entry form does: the
// month's list open in the updatable query, the key taken by its rule at Post.
double TimeSave(QSqlDatabase& connection, const QString& monthList, const QString& person) {
    TQuery q(connection);
    TCommonDB::OpenSQL(monthList, q);
    q.SetNewKeyRule(NewKeys::Payout()); // the key taken at Post, as the entry form takes it
    std::vector<double> times;
    for (int n = 0; n < 7; ++n) {
        QElapsedTimer timer;
        timer.start();
        q.Append();
        const QDate day(2026, 12, 1 + n);
        q.FieldByName(QStringLiteral("Payout")).SetAsString(QStringLiteral("午饭%1").arg(n));
        q.FieldByName(QStringLiteral("ItemProjectID")).SetAsInteger(IncomeCategories + 1);
        q.FieldByName(QStringLiteral("ItemType")).SetAsString(QStringLiteral("支出"));
        q.FieldByName(QStringLiteral("UseDate")).SetValue(day);
        q.FieldByName(QStringLiteral("PayoutAccount")).SetAsInteger(25 + n);
        q.FieldByName(QStringLiteral("PersonName")).SetAsString(person);
        q.FieldByName(QStringLiteral("Memos")).SetAsString(QString());
        q.FieldByName(QStringLiteral("MonthNum")).SetAsInteger(day.month());
        q.FieldByName(QStringLiteral("YearNum")).SetAsInteger(day.year());
        q.FieldByName(QStringLiteral("QuarterNum")).SetAsInteger((day.month() - 1) / 3 + 1);
        q.Post();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    return Median(times);
}

// The figures of every statement and of the save on the book at location.
std::vector<double> Measure(const TLedgerLocation& location, const std::vector<TStatement>& statements,
                            const QString& monthList, const QString& person, std::vector<int>* rows) {
    TLedgerLocation::SetCurrent(location);
    std::vector<double> figures;
    TdmMain data;
    data.Open();
    rows->clear();
    for (const TStatement& statement : statements) {
        int count = 0;
        figures.push_back(TimeStatement(data.cnHearthbook, statement.Sql, &count));
        rows->push_back(count);
    }
    figures.push_back(TimeSave(data.cnHearthbook, monthList, person));
    rows->push_back(1);
    return figures;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QDir::tempPath() + QStringLiteral("/pennyvale-bench");
    Prepare(folder);
    const QString ledger = QDir(folder).absoluteFilePath(Schema::DatabasePath);
    QTemporaryDir work; // the saves go into a copy; the shared ledger stays as generated
    const QString file = work.filePath(QStringLiteral("Hearthbook.mdb"));
    if (!QFile::copy(ledger, file)) {
        std::fprintf(stderr, "cannot copy %s\n", ledger.toUtf8().constData());
        return 1;
    }
    QDir::setCurrent(work.path());

    QElapsedTimer timer;
    timer.start();
    const TLedgerLocation server = TPgServer::Shared().NewDatabase(QStringLiteral("bench"));
    const QString uri = QStringLiteral("postgresql:///bench?host=%1&user=postgres").arg(server.Host());
    if (CopyLedgerCommand::Run(file, uri) != 0) return 1;
    std::printf("server started and the ledger copied there in %.1f s\n\n", timer.elapsed() / 1000.0);

    const QString person = MemberName(3);
    const QDateTime now(QDate(2026, 12, 7), QTime(10, 30));
    const QString monthList = TfrmPayoutBase::RecordStatement(
        QStringLiteral("支出"), QDate(2026, 12, 1).startOfDay(), QDate(2026, 12, 31).startOfDay(), person);
    TfrmPayQuery::TFilter byKind, byYear, byContent;
    byKind.Kind = QStringLiteral("支出");
    byYear.ByDate = true;
    byYear.Begin = QDateTime(QDate(2026, 1, 1), QTime(10, 30));
    byYear.End = QDateTime(QDate(2026, 12, 31), QTime(10, 30));
    byContent.Content = QStringLiteral("午饭");
    const QString personId = QString::number(4); // MemberName(3)'s key
    const std::vector<TStatement> statements = {
        {"month list (one kind, one month)", monthList},
        {"details, as first opened", TfrmPayQuery::FirstDetailsStatement(person)},
        {"details, by kind", TfrmPayQuery::DetailsStatement(person, byKind)},
        {"details, by date (a year)", TfrmPayQuery::DetailsStatement(person, byYear)},
        {"details, by content", TfrmPayQuery::DetailsStatement(person, byContent)},
        {"statistics, as first opened", TfrmPayQuery::FirstStatisticsStatement(person)},
        {"statistics, by kind", TfrmPayQuery::StatisticsStatement(person, byKind)},
        {"statistics, by date (a year)", TfrmPayQuery::StatisticsStatement(person, byYear)},
        {"statistics, by content", TfrmPayQuery::StatisticsStatement(person, byContent)},
        {"chart by month", TfrmFinanceAns::ChartStatement("MonthNum", person, "2026")},
        {"chart by quarter", TfrmFinanceAns::ChartStatement("QuarterNum", person, "2026")},
        {"diary of a day", TfrmDiary::DayStatement(now, personId)},
        {"diary of a year", TfrmDiary::PeriodStatement(byYear.Begin, byYear.End, personId)},
    };

    std::vector<int> fileRows, serverRows;
    const std::vector<double> onFile =
        Measure(TLedgerLocation::File(file), statements, monthList, person, &fileRows);
    const std::vector<double> onServer = Measure(server, statements, monthList, person, &serverRows);

    std::printf("ledger of %d records; member %s\n", Records, person.toUtf8().constData());
    std::printf("%-34s %10s %10s %7s %8s\n", "statement", "file", "server", "ratio", "rows");
    bool within = true;
    for (size_t i = 0; i <= statements.size(); ++i) {
        const QString name = i < statements.size() ? statements[i].Name
                                                   : QStringLiteral("save one record");
        const double ratio = onServer[i] / onFile[i];
        const bool ok = ratio <= 2;
        within = within && ok && fileRows[i] == serverRows[i];
        std::printf("%-34s %7.2f ms %7.2f ms %6.2fx %8d%s%s\n", name.toUtf8().constData(), onFile[i],
                    onServer[i], ratio, serverRows[i], ok ? "" : "   (over twice the file's)",
                    fileRows[i] == serverRows[i] ? "" : "   (rows differ from the file's)");
    }
    QDir::setCurrent(folder); // the server is stopped after the work folder is gone
    std::printf("\n%s\n", within ? "every figure within twice the file's"
                                 : "some figure over twice the file's");
    return 0;
}
