#pragma once

#include "data/ledgerfile/CheckStop.h"
#include "data/ledgerfile/LedgerProblem.h"

#include <QString>
#include <memory>

class QThread;

// A check of a ledger file (LedgerCheck::CheckFile) in a thread of its own, so that the program
// goes on while a large ledger is read through. The check's read-only connection is opened, used
// and removed in that thread; it does not keep the program's own connection from reading.
class TLedgerCheckRun {
public:
    // Starts the check of the file at path.
    explicit TLedgerCheckRun(const QString& path);
    // Stops a check that still runs.
    ~TLedgerCheckRun();
    TLedgerCheckRun(const TLedgerCheckRun&) = delete;
    TLedgerCheckRun& operator=(const TLedgerCheckRun&) = delete;

    bool Finished() const;
    // The check's thread; its finished signal tells the end of the check.
    QThread* Thread() const { return FThread.get(); }
    // Once finished: the check's result, as CheckFile returns it.
    TLedgerProblem Problem() const { return FProblem; }
    const QString& Reason() const { return FReason; }

    // Interrupts the check and waits for its thread to end; its result then says nothing.
    void Stop();

private:
    TCheckStop FStop;
    TLedgerProblem FProblem = TLedgerProblem::None;
    QString FReason;
    std::unique_ptr<QThread> FThread;
};
