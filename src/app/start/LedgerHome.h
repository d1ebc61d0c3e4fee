#pragma once

#include <QString>

// The family's ledger folder: $PENNYVALE_HOME when set, else "pennyvale" in the user's data
// folder ($XDG_DATA_HOME, default ~/.local/share), the same folder scripts/run chooses.
QString LedgerHomeFolder();

// An installed program (started from the applications menu or its desktop entry) works in the
// family's ledger folder: makes it the current directory, creating the folder and a new ledger in
// it on first start, never over an existing one. Run from the build tree (scripts/run, the
// screenshots, a developer's shell) the program keeps the current directory it was given. With a
// book on a server (TLedgerLocation::Current()) no ledger file is made.
// Returns false after reporting a folder or ledger that cannot be made.
bool EnterLedgerHome(bool installed);
