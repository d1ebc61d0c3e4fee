#pragma once

#include <QSqlDatabase>
#include <QStringList>

// One short write transaction that takes new keys and writes with them, so that two programs
// saving at the same moment never take the same key.
//
// Keys are taken under a table lock rather than retried on a key conflict: a key rule reads more
// than the key column (a category's key lies above every record's category too, a record's above
// every key an import still names), and a conflict on the primary key alone would not catch a
// key that another program's records name; the lock also makes a save wait for an import's one
// transaction instead of failing over and over while it runs. The lock is held for the length
// of one insert, a few milliseconds.
//
// On a server the transaction locks the tables against other programs' writes (share row
// exclusive: reads go on, another key-taker or writer waits). On a file it begins as an
// immediate transaction, which takes the file's write lock at once, so the key read and the
// insert are one step for every other connection. Rolled back unless committed.
class TWriteTransaction {
public:
    explicit TWriteTransaction(QSqlDatabase connection); // begins; throws EDatabaseError
    ~TWriteTransaction();
    TWriteTransaction(const TWriteTransaction&) = delete;
    TWriteTransaction& operator=(const TWriteTransaction&) = delete;

    // Locks the tables a key rule reads, in one order for every program (no deadlock between
    // two of them). Nothing on a file: the transaction holds the whole file already.
    void Lock(const QStringList& tables);
    void Commit(); // throws EDatabaseError; rolled back then

    // The lock of Lock on a connection already inside a transaction (the bill import's).
    static void LockTables(QSqlDatabase& connection, const QStringList& tables);

private:
    QSqlDatabase FDb;
    bool FOpen = false;
};
