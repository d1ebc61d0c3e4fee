#pragma once

#include <QString>

// Bringing a ledger kept in the old Access (Jet 4) format along from the command line.
namespace LegacyLedger {

// pennyvale --import-access FILE: writes DataBase/Hearthbook.mdb below the current directory
// from FILE and prints rows per table and the sums of the amounts. Refuses when a ledger is
// there already (unless it is FILE itself, which is then converted in place, keeping the
// original as Hearthbook.access.mdb). Returns the exit code.
int ImportAccess(const QString& file);

} // namespace LegacyLedger
