#pragma once

#include <QString>

// pennyvale --import-bill FILE --account ACCOUNT: imports a payment bill into the ledger below
// the current directory without a window, as the member whose login account is ACCOUNT.
namespace ImportBillCommand {

// The usage line, printed for wrong arguments.
inline const QString UsageText = QStringLiteral("用法：pennyvale --import-bill 账单文件 --account 登录帐号");

// Holds the ledger's lock, opens the ledger (never creating it), reads the bill, writes every
// row the import takes in one transaction and prints one line of counts. Refunds of records
// changed by hand since their import are left for the window's preview to decide. Prints a
// clear message on standard error on any failure. Returns the exit code (0 or 1).
int Run(const QString& file, const QString& account);

} // namespace ImportBillCommand
