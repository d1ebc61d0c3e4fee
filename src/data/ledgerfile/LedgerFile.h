#pragma once

#include "data/ledgerfile/LedgerProblem.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// What a ledger file is: its tables, and the looks at a file that tell whether it is one.
namespace LedgerFile {

// A table of the ledger with the columns the program reads and writes.
struct TTableColumns {
    QString Name;
    QStringList Columns;
};
// bPerson, bItemProject, fPayout and fDiary with their columns, in their order in the table.
const QList<TTableColumns>& Tables();

// How long a statement waits for another program's lock on the file before it fails.
inline int BusyTimeoutMs = 5000;

// Looks at the file without opening it as a database: missing, a folder, a pipe, device or
// socket (itself or its -wal or -journal file: reading one would wait for ever), unreadable,
// empty, an Access file, or not an SQLite file at all. None when it may be a ledger.
TLedgerProblem InspectFile(const QString& path, QString* reason = nullptr);

// Whether an open database holds every table of this program with every column it reads or
// writes: None, NotALedger (none of them) or Damaged (some missing), with what is missing.
TLedgerProblem CheckTables(QSqlDatabase& connection, QString* reason = nullptr);

// Points a connection that is not open at the database file at path, to be opened read-only
// (it never writes the file or undoes a save left unfinished beside it) and to wait
// BusyTimeoutMs for another program's lock.
void SetReadOnlyFile(QSqlDatabase& connection, const QString& path);

} // namespace LedgerFile
