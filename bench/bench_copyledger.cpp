// Benchmark of pennyvale --copy-ledger on the large ledger: the file copied to a server and back.
//
//   bench_copyledger [ledger-folder]
//
// Generates (once, then reuses, as bench_ledger does) the ledger of 1,000,000 records, starts a
// throw-away PostgreSQL server on a Unix socket (as the tests do), copies the ledger file into an
// empty database there and from it into a new file, prints the time of each copy, and checks
// that the two files' tables are byte-equal (sqlite3's .dump of the book's tables).
#include "LargeLedger.h"
#include "PgServer.h"
#include "app/start/CopyLedgerCommand.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// The SHA-256 of sqlite3's .dump of the book's tables, and its size.
QByteArray DumpHash(const QString& path, qint64* size) {
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"),
                 {QStringLiteral("-readonly"), path,
                  QStringLiteral(".dump bPerson bItemProject fPayout fDiary fBillImport "
                                 "bBillCategoryRule bLedgerInfo")});
    QCryptographicHash hash(QCryptographicHash::Sha256);
    *size = 0;
    for (bool done = false; !done;) {
        done = sqlite.waitForFinished(200) || sqlite.state() == QProcess::NotRunning;
        const QByteArray bytes = sqlite.readAllStandardOutput();
        *size += bytes.size();
        hash.addData(bytes);
    }
    if (sqlite.exitCode() != 0) return {};
    return hash.result().toHex();
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QDir::tempPath() + QStringLiteral("/pennyvale-bench");
    LargeLedger::Prepare(folder);
    const QString ledger = QDir(folder).absoluteFilePath(Schema::DatabasePath);
    QTemporaryDir work;
    const QString back = work.filePath(QStringLiteral("back.mdb"));

    QElapsedTimer timer;
    timer.start();
    const TLedgerLocation server = TPgServer::Shared().NewDatabase(QStringLiteral("bench"));
    std::printf("throw-away server started in %.1f s\n", timer.elapsed() / 1000.0);
    const QString uri = QStringLiteral("postgresql:///bench?host=%1&user=postgres").arg(server.Host());

    timer.restart();
    if (CopyLedgerCommand::Run(ledger, uri) != 0) return 1;
    const double toServer = timer.elapsed() / 1000.0;
    timer.restart();
    if (CopyLedgerCommand::Run(uri, back) != 0) return 1;
    const double toFile = timer.elapsed() / 1000.0;

    timer.restart();
    qint64 size = 0, backSize = 0;
    const QByteArray original = DumpHash(ledger, &size);
    const QByteArray copy = DumpHash(back, &backSize);
    const bool equal = !original.isEmpty() && original == copy && size == backSize;
    std::printf("\n%-28s %8.1f s\n%-28s %8.1f s\n", "file -> server", toServer, "server -> file",
                toFile);
    std::printf("tables byte-equal: %s (.dump %.0f MB, sha256 %s; compared in %.1f s)\n",
                equal ? "yes" : "NO", size / 1048576.0, original.left(16).constData(),
                timer.elapsed() / 1000.0);
    return equal ? 0 : 1;
}
