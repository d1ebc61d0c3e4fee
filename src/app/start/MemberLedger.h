#pragma once

#include <QSqlDatabase>
#include <QString>
#include <cstdio>
#include <functional>

// What the command-line commands that act for one member share: printing, the member found by
// login account, and the run on the locked ledger below the current directory.
namespace MemberLedger {

// One line on the stream, flushed at once.
void Print(FILE* stream, const QString& text);

// The name of the member whose login account is account (without regard to case). Throws
// EDatabaseError naming the account, followed by nothingDone ("没有导出。"), when there is none.
QString MemberOf(QSqlDatabase& connection, const QString& account, const QString& nothingDone);

// Takes a ledger file's lock (never while a running program has the ledger open; a book on a
// server takes none), opens the ledger
// (never creating it: a missing ledger is reported in the open's own words), finds the member
// and prints the line work returns. Any failure is printed on standard error, followed by
// nothingDone where the ledger was refused. Returns the exit code, 0 or 1.
int Run(const QString& account, const QString& nothingDone,
        const std::function<QString(QSqlDatabase& connection, const QString& member)>& work);

} // namespace MemberLedger
