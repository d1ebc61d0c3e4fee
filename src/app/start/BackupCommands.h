#pragma once

#include <QString>

// The console commands for the ledger's backups, run in the ledger's folder like the program.
namespace BackupCommands {

// The kept name's word for a ledger replaced by --restore.
inline const QString ReplacedWord = QStringLiteral("replaced");

// pennyvale --backup: writes a copy of DataBase/Hearthbook.mdb into DataBase/Backup now,
// whether it changed or not, rotates the folder and prints the copy's path. Reads the ledger
// through a read-only connection of its own, so it may run while the program is open. A book
// on a server is copied the same way into a ledger file there (ServerBackup), while programs
// work on it. Returns the exit code.
int Backup();

// pennyvale --restore FILE: puts a copy of FILE in place of DataBase/Hearthbook.mdb, keeping
// the ledger there under a Hearthbook-replaced-… name, and prints what it did. Refuses a FILE
// that is damaged or not this program's ledger, and refuses while a running program holds the
// ledger (holding it itself while it works). Returns the exit code.
int Restore(const QString& file);

} // namespace BackupCommands
