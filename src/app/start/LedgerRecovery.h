#pragma once

#include <QString>

// What a run does to keep the family's records safe: at start-up the ledger is checked and a
// damaged one replaced by a good backup if the user agrees; at the end a run that changed the
// ledger leaves a backup copy of it.
namespace LedgerRecovery {

// The kept name's word for a ledger set aside because it was damaged.
inline const QString DamagedWord = QStringLiteral("damaged");

// Run once the data module has tried to open the ledger; nothing for a book on a server. An open ledger is checked as the
// backups are checked (LedgerCheck::CheckFile), in the background while the login is up; its
// outcome comes in AwaitCheck. A ledger that could not be opened because the file is damaged is
// named at once, and the newest backup that passes the check offered in its place. On yes the
// damaged file is kept beside under a Hearthbook-damaged-… name, a copy of the backup takes its
// place and the ledger is opened again. On no, or without a good backup, says so and goes on with
// the ledger as it is (still open after a failed check, closed after a failed open). A ledger that
// is missing while its backup folder holds copies gets the newest good one offered the same way,
// and on no an empty ledger.
void StartCheck();

// Run after the login, before the main window's working area is used: waits for the check that
// StartCheck began, with a note on screen while it still runs, and when it found damage names the
// damaged ledger and offers a backup as above. True when the ledger was replaced by a backup.
// Returns at once when no check runs, and without an offer when the program is asked to end
// meanwhile.
bool AwaitCheck();

// Run at the end: a check that still runs is stopped, its outcome of no more use.
void EndCheck();

// Run at the end, after the main window is gone: when the data module's ledger changed during
// the run, writes a backup copy and rotates the backup folder (TdmMain::BackupAtEnd); nothing for
// a book on a server.
// Throws EInOutError when the copy cannot be written.
void BackupAtEnd();

} // namespace LedgerRecovery
