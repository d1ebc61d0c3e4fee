#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>

// Copies a book's rows between two open connections, on either engine: a ledger file and a book
// on a server, in either direction. The caller holds the transactions (one read on the source,
// so the copy is one moment of the book; one write on the target, so a failed copy leaves
// nothing) and makes the target's tables first (Schema::CreateTables).
namespace BookCopy {

struct TTableRows {
    QString Table;
    qint64 Rows = 0;
    bool operator==(const TTableRows&) const = default;
};

// Every table of a book, in the order they are copied (the four of the ledger, then the bill
// import's and the ledger's facts).
const QStringList& Tables();

// Copies every row of every table of the book on source into the same table on target (whose
// tables hold no rows yet), column by column as the source has them, a few hundred rows to an
// insert. A table the source lacks (an older ledger without the import's tables) copies no rows.
// Returns the rows copied per table; throws EDatabaseError naming the table and the engine's
// reason on a failure.
QList<TTableRows> CopyRows(QSqlDatabase& source, QSqlDatabase& target);

// The rows of every table of the book on connection (0 for a table it lacks).
QList<TTableRows> CountRows(QSqlDatabase& connection);

} // namespace BookCopy
