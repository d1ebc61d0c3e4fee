#pragma once

#include <QString>

// pennyvale --export-csv FILE --account ACCOUNT: writes every record of the member whose login
// account is ACCOUNT, in the ledger below the current directory, to one CSV file that the bill
// import reads back (import/readers/LedgerCsvLayout.h).
namespace ExportCsvCommand {

inline const QString UsageText =
    QStringLiteral("用法：pennyvale --export-csv 文件.csv --account 登录帐号");

// Holds the ledger's lock, opens the ledger (never creating it), writes the file and prints how
// many records it holds. Prints a clear message on standard error on any failure. Returns the
// exit code (0 or 1).
int Run(const QString& file, const QString& account);

} // namespace ExportCsvCommand
