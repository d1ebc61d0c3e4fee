#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>

// Backup copies of the ledger in the folder Backup beside it (DataBase/Backup), named after the
// local date and minute (TBackupName) and thinned out by BackupRotation.
namespace LedgerBackup {

// The backup folder of a ledger file.
QString FolderOf(const QString& ledgerPath);

// Writes a consistent copy of the ledger open on connection into its backup folder (creating
// the folder) and returns the copy's path. The copy is made by SQLite itself (VACUUM INTO) under
// a temporary name (TPartialFile), checked like a ledger, and only then flushed and given its
// name; a second copy in the same minute gets the next free suffix. Throws EInOutError naming the
// folder and the cause when it cannot (the folder is a file or not writable, the disk is full, the
// copy fails its check); the ledger and the earlier copies are left alone and the temporary file
// is removed. The connection must have no statement running and no transaction open.
QString Write(QSqlDatabase& connection, const QString& ledgerPath, const QDateTime& now);

// The same for a copy that fill writes into the empty file at path it is given (returning empty,
// else why not, in words): the copy is checked, named and placed as above. A book on a server is
// backed up this way (ServerBackup).
QString WriteWith(const QString& ledgerPath, const QDateTime& now,
                  const std::function<QString(const QString& path)>& fill);

// Writes a consistent copy of the database open on connection into the empty file at path
// through SQLite (VACUUM INTO: it reads the records still in a write-ahead log too). Empty on
// success, else why not, in words (ledgerPath names the database in them).
QString CopyInto(QSqlDatabase& connection, const QString& path, const QString& ledgerPath);

// Whether the backup folder of the ledger holds any copy (by its name; not checked).
bool AnyCopy(const QString& ledgerPath);

// Removes the copies in the folder that the rotation no longer keeps; returns their names.
// A copy that cannot be removed stays (it is tried again next time).
QStringList Rotate(const QString& folder, const QDateTime& now);

// Whether anything was written to the ledger through this connection since it was opened:
// rows inserted, changed or deleted (SQLite's total_changes). Refreshing the planner's
// statistics at open does not count.
bool ChangedSinceOpen(QSqlDatabase& connection);

// Run at the end of the program: when the ledger at ledgerPath is open on connection and was
// changed during the run, writes a copy and rotates the folder. Returns the copy's path, empty
// when none was needed. Throws as Write does; no statement may still be reading.
QString WriteAtEnd(QSqlDatabase& connection, const QString& ledgerPath, const QDateTime& now);

} // namespace LedgerBackup
