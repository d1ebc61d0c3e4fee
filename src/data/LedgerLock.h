#pragma once

#include <QLockFile>
#include <QString>

// Holds a ledger for one running program: a second program on the same ledger is refused
// instead of working on the file at the same time.
//
// The lock is a small file beside the ledger (Hearthbook.mdb.lock) that names the process
// holding it. A lock left behind by a run that crashed or was killed never blocks a start:
// when the process it names no longer runs, the lock is taken over.
class TLedgerLock {
public:
    explicit TLedgerLock(const QString& ledgerPath);
    ~TLedgerLock();
    TLedgerLock(const TLedgerLock&) = delete;
    TLedgerLock& operator=(const TLedgerLock&) = delete;

    // Takes the lock without waiting; false when another running program holds it or the lock
    // file cannot be written (Error() tells which).
    bool TryLock();
    void Unlock();
    bool IsLocked() const;

    // Why TryLock failed: the holder ("进程 1234（pennyvale，主机 pc）") or the file error.
    QString Error() const;
    // The plain-Chinese text for a refused start, naming the ledger and the holder.
    QString RefusalText() const;

    QString LockPath() const { return FLockPath; }

    // The lock file of a ledger.
    static QString LockPathOf(const QString& ledgerPath);

private:
    QString FLedgerPath;
    QString FLockPath;
    QLockFile FLock;
};
