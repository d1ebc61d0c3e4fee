#pragma once

#include <QSqlDatabase>
#include <QString>

class QSqlError;
struct sqlite3;

// What this program needs to know of SQLite beneath Qt SQL.

// The connection's own SQLite handle (the driver's documented handle()), or null on another
// engine or a connection that is not open.
sqlite3* SqliteHandle(const QSqlDatabase& connection);

// SQLite's primary result code of an engine error, as Qt SQL passes it on in nativeErrorCode():
// an extended code (SQLITE_BUSY_RECOVERY, SQLITE_CORRUPT_INDEX, …) carries it in its low byte.
// 0 for an error that has no code.
int SqlitePrimaryCode(const QSqlError& error);

// The file is locked by another connection (busy or locked, in any variant).
bool IsBusyError(const QSqlError& error);
// The engine calls the file's content damaged, or not a database at all.
bool IsDamageError(const QSqlError& error);

// For an error that says a read-only connection met a save that a killed run left unfinished
// beside the database at path (its -journal or -wal file), which only a read-write open can
// undo: that in plain words, naming both files. Empty for any other error.
QString UnfinishedSaveText(const QSqlError& error, const QString& path);

// For an error that says a read-only connection could not open the database at path whose last
// saves are in its write-ahead log (path-wal), because the index of that log (path-shm) is not
// there and cannot be made (a folder on read-only media): that in plain words, naming the log.
// Empty for any other error.
QString UnreadableLogText(const QSqlError& error, const QString& path);
