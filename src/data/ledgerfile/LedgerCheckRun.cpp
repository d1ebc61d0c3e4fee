#include "data/ledgerfile/LedgerCheckRun.h"

#include "data/ledgerfile/LedgerCheck.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

TLedgerCheckRun::TLedgerCheckRun(const QString& path) {
    const QString file = QDir::current().absoluteFilePath(path);
    FThread.reset(QThread::create(
        [this, file] { FProblem = LedgerCheck::CheckFile(file, &FReason, &FStop); }));
    FThread->start(QThread::LowPriority);
}

TLedgerCheckRun::~TLedgerCheckRun() {
    Stop();
}

bool TLedgerCheckRun::Finished() const {
    return FThread->isFinished();
}

void TLedgerCheckRun::Stop() {
    // An interrupt only ends the statement running at that moment: repeated until the thread
    // has ended, it also reaches a statement that had not yet begun.
    do
        FStop.Stop();
    while (!FThread->wait(QDeadlineTimer(10)));
}
