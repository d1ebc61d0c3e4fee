#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

// A backup of a book on a server: a ledger file with every row of the book, written into the
// backup folder of the ledger file (DataBase/Backup) under the same names as the file's backups,
// so the same rotation keeps them and --restore or --copy-ledger can bring one back.
namespace ServerBackup {

// Writes the copy of the book open on server (no transaction open) and returns its path: a new
// ledger file made under a temporary name (the tables by Schema::CreateTables), every row copied
// in one repeatable-read transaction on the server (BookCopy), each table's rows and column sums
// compared on both sides, the file checked like a ledger and only then named. Throws EInOutError, naming the
// folder and the cause, when it cannot; nothing is left behind then.
QString Write(QSqlDatabase& server, const QString& ledgerPath, const QDateTime& now);

} // namespace ServerBackup
