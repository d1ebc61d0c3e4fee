#pragma once

#include "data/ledgerfile/LedgerProblem.h"

class TCheckStop;

#include <QSqlDatabase>
#include <QString>

// Whether a ledger file is sound: SQLite's quick check of every page and index, and this
// program's tables.
namespace LedgerCheck {

// Runs SQLite's quick check on an open connection. Empty when the file is sound; otherwise the
// first problems it found, or the engine's error when the check could not even run.
QString QuickCheck(QSqlDatabase& connection);

// Checks a ledger file without changing it, through a read-only connection of its own: an
// SQLite file (LedgerFile::InspectFile), the quick check, and this program's tables with their
// columns (LedgerFile::CheckTables). Read-only, the quick check reads every page as it does
// otherwise but leaves out the tables' CHECK constraints (the widths of the text fields), which
// it would evaluate row by row: a ledger of a million records is checked in a quarter of a
// second instead of two. The file may be open in the program at the same time. None when it can
// serve as the ledger; otherwise the problem, with the reason in reason. A check run in another
// thread can be ended early through stop; its result then says nothing of the file.
TLedgerProblem CheckFile(const QString& path, QString* reason = nullptr,
                         TCheckStop* stop = nullptr);

} // namespace LedgerCheck
