// Benchmark of the backups on a family's decades of records.
//
//   bench_backup [ledger-folder]
//
// On the shared large ledger (1,000,000 records, see LargeLedger.h) prints the time of the
// quick check that runs at every start, of writing one backup copy as the end of a run does
// (the copy, its flush and its check), and of putting a copy back in place of the ledger.
// The copies are written to a folder of their own and removed again.
#include "LargeLedger.h"
#include "data/DataModule.h"
#include "data/ledgerfile/backup/LedgerBackup.h"
#include "data/ledgerfile/LedgerCheck.h"
#include "data/ledgerfile/LedgerRestore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QDir::tempPath() + QStringLiteral("/pennyvale-bench");
    LargeLedger::Prepare(folder);
    std::printf("ledger: %.0f MB\n", QFileInfo(Schema::DatabasePath).size() / 1048576.0);

    dmMain = new TdmMain;
    dmMain->DataModuleCreate();
    if (!dmMain->cnHearthbook.isOpen()) return 1;

    QElapsedTimer timer;
    timer.start();
    QString problems;
    LedgerCheck::CheckFile(Schema::DatabasePath, &problems);
    std::printf("check at start (read-only connection): %lld ms (%s)\n", timer.elapsed(),
                problems.isEmpty() ? "ok" : qPrintable(problems));
    timer.restart();
    problems = LedgerCheck::QuickCheck(dmMain->cnHearthbook);
    std::printf("quick check on the program's connection, for comparison: %lld ms (%s)\n",
                timer.elapsed(), problems.isEmpty() ? "ok" : qPrintable(problems));

    // A ledger path of its own, so the copies land in a scratch Backup folder.
    const QString scratch = QStringLiteral("bench-backup");
    QDir(scratch).removeRecursively();
    QDir().mkpath(scratch);
    const QString scratchLedger = scratch + QStringLiteral("/Hearthbook.mdb");
    timer.restart();
    const QString copy =
        LedgerBackup::Write(dmMain->cnHearthbook, scratchLedger, QDateTime::currentDateTime());
    std::printf("backup copy (copy, flush, check): %lld ms, %.0f MB\n", timer.elapsed(),
                QFileInfo(copy).size() / 1048576.0);

    timer.restart();
    LedgerCheck::CheckFile(copy);
    std::printf("check of a copy alone: %lld ms\n", timer.elapsed());

    timer.restart();
    LedgerRestore::Replace(copy, scratchLedger, QStringLiteral("replaced"),
                           QDateTime::currentDateTime());
    std::printf("restore (check, copy, flush, check, rename): %lld ms\n", timer.elapsed());

    delete dmMain;
    dmMain = nullptr;
    QDir(scratch).removeRecursively();
    return 0;
}
