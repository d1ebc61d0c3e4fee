#pragma once

#include <QString>

// pennyvale --report FILE.pdf --account ACCOUNT --year YYYY: writes a year's statement of the
// member whose login account is ACCOUNT, from the ledger below the current directory, as one
// PDF: the chart of the year by month, the months' income, expenditure and balance, the totals
// per category with the balance, and the details of the year. A year without records gives a
// short statement saying so.
namespace ReportCommand {

inline const QString UsageText =
    QStringLiteral("用法：pennyvale --report 文件.pdf --account 登录帐号 --year 年份");

// Writes the PDF through a partial file put in place when complete, and prints where it went
// and how many pages it has. Prints a clear message on standard error on any failure. Returns
// the exit code (0 or 1).
int Run(const QString& file, const QString& account, int year);

} // namespace ReportCommand
