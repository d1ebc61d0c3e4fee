#pragma once

#include "data/ledgerfile/LedgerLock.h"

#include <QString>

// Keeps the ledger for this run only: takes the ledger's lock at the start and holds it until
// the guard goes. A ledger that is not there at the start (no file, no folder) cannot be
// locked yet; every later open of the data module (the login tries again) takes the lock first
// and is refused, naming the holder, when another program got there in between.
class TLedgerGuard {
public:
    explicit TLedgerGuard(const QString& ledgerPath);
    ~TLedgerGuard();
    TLedgerGuard(const TLedgerGuard&) = delete;
    TLedgerGuard& operator=(const TLedgerGuard&) = delete;

    // At the start, before anything reads or writes the ledger: false, after an error box
    // saying where the ledger is open or why it cannot be locked, when the run must end.
    bool Start();

    const TLedgerLock& Lock() const { return FLock; }

private:
    TLedgerLock FLock;
};
