// Benchmark of the statement reader on a large result, the ledger file beside a server book.
//
//   bench_serverreader URI [ledger-folder]
//
// URI names a database on a PostgreSQL server (libpq's form, postgresql:///db?host=/socket);
// an empty one gets the tables and the records of the large ledger (1,000,000 records, copied
// from the file with COPY), one that holds them is used as it is. Prints, for the file and the
// server side by side, the median time of reading every record and one member's records (about
// 100,000) into memory through StatementReader::Read, the server's also through Qt SQL's
// generic rows, and the peak memory.
#include "LargeLedger.h"
#include "PeakMemory.h"
#include "data/Schema.h"
#include "data/engine/LedgerLocation.h"
#include "data/query/StatementReader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDriver>
#include <QSqlRecord>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <libpq-fe.h>
#include <vector>

namespace {

using namespace LargeLedger;

double MedianMs(const std::function<size_t()>& read, size_t* rows) {
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        *rows = read();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Copies the file's records to the server's empty tables, through COPY.
void CopyToServer(QSqlDatabase& file, QSqlDatabase& server) {
    Schema::CreateTables(server);
    PGconn* conn = *static_cast<PGconn* const*>(server.driver()->handle().constData());
    QElapsedTimer timer;
    timer.start();
    for (const char* table : {"bPerson", "bItemProject", "fPayout", "fDiary"}) {
        PGresult* start = PQexec(conn, QByteArray("copy ").append(table).append(" from stdin"));
        if (PQresultStatus(start) != PGRES_COPY_IN) {
            std::fprintf(stderr, "%s\n", PQerrorMessage(conn));
            std::exit(1);
        }
        PQclear(start);
        QSqlQuery rows(file);
        rows.setForwardOnly(true);
        Check(rows, rows.exec(QStringLiteral("select * from ") + QLatin1String(table)));
        QByteArray line;
        while (rows.next()) {
            line.clear();
            for (int c = 0; c < rows.record().count(); ++c) {
                if (c > 0) line += '\t';
                const QVariant value = rows.value(c);
                if (value.isNull()) {
                    line += "\\N";
                    continue;
                }
                QByteArray text = value.toString().toUtf8();
                text.replace('\\', "\\\\").replace('\r', "\\r").replace('\n', "\\n").replace('\t', "\\t");
                line += text;
            }
            line += '\n';
            PQputCopyData(conn, line.constData(), int(line.size()));
        }
        PQputCopyEnd(conn, nullptr);
        PGresult* end = PQgetResult(conn);
        if (PQresultStatus(end) != PGRES_COMMAND_OK) {
            std::fprintf(stderr, "%s\n", PQerrorMessage(conn));
            std::exit(1);
        }
        PQclear(end);
        while (PGresult* more = PQgetResult(conn))
            PQclear(more);
    }
    QSqlQuery(server).exec(QStringLiteral("analyze"));
    std::printf("copied the ledger to the server in %.1f s\n", double(timer.elapsed()) / 1000);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_serverreader URI [ledger-folder]\n");
        return 2;
    }
    const QString folder =
        argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("/tmp/pennyvale-bench");
    Prepare(folder);
    QSqlDatabase file = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("file"));
    file.setDatabaseName(Schema::DatabasePath);
    if (!file.open()) return 1;
    QSqlDatabase server = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("server"));
    TLedgerLocation::Parse(QString::fromLocal8Bit(argv[1])).ApplyTo(server);
    if (!server.open()) {
        std::fprintf(stderr, "%s\n", qPrintable(server.lastError().text()));
        return 1;
    }
    if (!server.tables().contains(QStringLiteral("fpayout"))) CopyToServer(file, server);

    const struct {
        const char* Name;
        QString Sql;
    } statements[] = {
        {"every record", QStringLiteral("select * from fPayout")},
        {"one member's records",
         QStringLiteral("select * from fPayout where PersonName = '") + MemberName(0) +
             QStringLiteral("' order by UseDate")},
    };
    std::printf("%-22s %8s %12s %12s %14s\n", "statement", "rows", "file ms", "server ms",
                "server Qt SQL ms");
    for (const auto& statement : statements) {
        size_t rows = 0, serverRows = 0, genericRows = 0;
        const double onFile = MedianMs(
            [&] { return StatementReader::Read(file, statement.Sql).Rows.size(); }, &rows);
        const double onServer = MedianMs(
            [&] { return StatementReader::Read(server, statement.Sql).Rows.size(); }, &serverRows);
        const double generic = MedianMs(
            [&] { return StatementReader::ReadThroughDriver(server, statement.Sql).Rows.size(); },
            &genericRows);
        std::printf("%-22s %8zu %12.0f %12.0f %14.0f%s\n", statement.Name, rows, onFile, onServer,
                    generic, rows == serverRows && rows == genericRows ? "" : "  (rows differ!)");
    }
    std::printf("peak memory %.0f MB\n", PeakMB());
    return 0;
}
