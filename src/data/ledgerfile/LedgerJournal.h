#pragma once

#include <QSqlDatabase>
#include <QSqlError>

// How a connection to a ledger journals and flushes its commits, set on every open of a ledger
// file (these settings belong to the connection, not to the file).
//
// A rollback journal that is deleted at each commit, not a write-ahead log: between runs the
// ledger is then one self-contained file. Families copy that file (to a USB stick, a new
// computer); a log left beside it would hold committed records that such a copy misses, and
// one person at a time gains nothing from a log's concurrent readers. "extra" flushes the
// ledger, the journal and, after the journal is deleted, its folder: a commit then also
// survives a power cut right after it, where "full" could find the deleted journal back and
// roll the last record away. It costs one more flush per commit, unnoticeable for records
// saved by hand.
namespace LedgerJournal {

inline const QString JournalMode = QStringLiteral("delete");
inline constexpr int Synchronous = 3; // extra

// Sets both on an open connection (a ledger that arrives with a write-ahead log is changed
// back, its log folded into the file). Returns the engine's error when it refuses, else an
// invalid (no) error.
QSqlError Apply(QSqlDatabase& connection);

} // namespace LedgerJournal
