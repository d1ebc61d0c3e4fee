#pragma once

#include <QLockFile>
#include <QString>

// Holds a ledger for one running program: a second program on the same ledger is refused
// instead of working on the file at the same time.
//
// The lock is a small file beside the ledger (Hearthbook.mdb.lock) that names the process
// holding it. A lock left behind by a run that crashed or was killed never blocks a start:
// when the process it names no longer runs (or its number now belongs to another program, or
// the computer has restarted since), the lock is taken over; so is a lock file that names no
// process at all, once it is old enough not to be one that is being written at this moment.
class TLedgerLock {
public:
    explicit TLedgerLock(const QString& ledgerPath);
    ~TLedgerLock();
    TLedgerLock(const TLedgerLock&) = delete;
    TLedgerLock& operator=(const TLedgerLock&) = delete;

    // Takes the lock without waiting; false when another running program holds it, the lock
    // file cannot be written, or a folder, pipe, device or socket stands in its place (Error()
    // tells which).
    bool TryLock();
    void Unlock();
    bool IsLocked() const;

    // Whether a failed TryLock must stop a program that is about to open the ledger: another
    // program holds it, or the lock cannot be written beside an existing ledger. False when
    // the ledger is not there at all (no file, or no folder to write the lock in): opening it
    // then reports the missing ledger in its own words.
    bool Refuses() const;

    // Why TryLock failed: the holder ("进程 1234（pennyvale）", with the computer when it is
    // another one) or why the lock file cannot be written.
    QString Error() const;
    // The plain-Chinese text for a refused start, naming the ledger, the holder and what to do.
    QString RefusalText() const;

    QString LockPath() const { return FLockPath; }

    // The lock file of a ledger: beside it, or beside the real file when it is a link.
    static QString LockPathOf(const QString& ledgerPath);
    // A lock file that names no process is taken over once it is this old: the program that
    // made it writes its content at once, so an older one was left by a run that ended while
    // writing it (a power cut just after the start, say).
    static inline int UnnamedLockAgeMs = 10000;

private:
    // Removes a lock file that names no process and is old enough; true when it did.
    bool RemoveUnnamedLeftover();
    // Whether the lock file names a computer other than this one.
    bool HeldElsewhere(QString* host) const;

    QString FLedgerPath;
    QString FLockPath;
    QLockFile FLock;
    // What stands where the lock file should be, when it is no file (TryLock leaves it alone:
    // QLockFile would read a pipe for ever and take a folder for another program's lock).
    QString FInTheWay;
};
