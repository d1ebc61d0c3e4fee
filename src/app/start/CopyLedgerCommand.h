#pragma once

#include <QString>

// pennyvale --copy-ledger FROM TO: copies a whole book between a ledger file and a database on
// a PostgreSQL server, either way, or between two of one kind. This is how a family moves its
// book to a server and back.
namespace CopyLedgerCommand {

inline const QString UsageText = QStringLiteral(
    "用法：pennyvale --copy-ledger 源账本 目标账本\n"
    "（账本是一个文件的路径，或者服务器上的数据库，例如 postgresql:///账本库?host=/run/postgresql）");

// Reads the source in one moment (a file under the ledger's lock, never while a program has it
// open; a server book in one repeatable-read transaction) and writes every table's rows into the
// target: a new file put in place only when whole and checked, or an empty server database filled
// in one transaction. A target that holds a book or anything else is refused. The copy is checked
// (per table the rows and the sums of every column); a copy that fails or differs leaves no
// target. Prints progress and what it copied on standard output, a failure on standard error.
// Returns the exit code: 0, 1 for a refusal or failure, 2 for a location that cannot be used.
int Run(const QString& from, const QString& to);

} // namespace CopyLedgerCommand
