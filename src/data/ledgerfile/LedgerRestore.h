#pragma once

#include "data/ledgerfile/LedgerProblem.h"

#include <QDateTime>
#include <QString>

// Putting a backup copy in place of the ledger. The ledger that is replaced is never deleted:
// it stays beside the new one under a name that says why and when it was set aside.
namespace LedgerRestore {

// What is wrong with a file offered as a copy of the ledger, in plain words naming it; empty
// for None.
QString ProblemText(const QString& file, TLedgerProblem problem, const QString& reason);

// Replaces the ledger at ledgerPath (creating its folder when missing) by a copy of backup:
// checks backup (LedgerCheck::CheckFile), copies it under a temporary name beside the ledger
// (TPartialFile) and checks the copy, gives the ledger there now the name
// Hearthbook-<keptWord>-YYYYMMDD-HHMMSS.mdb (-2, … when taken) with its journal files, and
// renames the copy into its place; where hard links exist the ledger keeps its name until the
// copy takes it over in one step. Journal files of a ledger that is gone are set aside under
// that name alone, as they would otherwise be written into the copy. backup itself stays.
// Returns where the replaced ledger now is, empty when there was none. The ledger must not be
// open. Throws EInOutError, with the ledger left as it was, when backup is unusable, is the
// ledger itself, or the copy cannot be written or placed.
QString Replace(const QString& backup, const QString& ledgerPath, const QString& keptWord,
                const QDateTime& now);

// The newest copy in the ledger's backup folder that passes LedgerCheck::CheckFile; empty when
// there is none. rejected counts the newer copies that failed the check.
QString NewestGoodBackup(const QString& ledgerPath, int* rejected = nullptr);

} // namespace LedgerRestore
