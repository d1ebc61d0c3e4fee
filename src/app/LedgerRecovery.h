#pragma once

#include <QString>

// What a run does to keep the family's records safe: at start-up the ledger is checked and a
// damaged one replaced by a good backup if the user agrees; at the end a run that changed the
// ledger leaves a backup copy of it.
namespace LedgerRecovery {

// The kept name's word for a ledger set aside because it was damaged.
inline const QString DamagedWord = QStringLiteral("damaged");

// Run once the data module has tried to open the ledger. Checks an open ledger as the backups
// are checked (LedgerCheck::CheckFile); when the check finds damage, or the open itself failed
// because the file is damaged, names the damaged file and offers the newest backup that passes the
// same check. On yes the damaged file is kept beside under a Hearthbook-damaged-… name, a copy of
// the backup takes its place and the ledger is opened again. On no, or without a good backup, says
// so and goes on with the ledger as it is (still open after a failed check, closed after a failed
// open). A ledger that is missing while its backup folder holds copies gets the newest good one
// offered the same way, and on no an empty ledger.
void CheckAtStart();

// Run at the end, after the main window is gone: when the data module's ledger changed during
// the run, writes a backup copy and rotates the backup folder (LedgerBackup::WriteAtEnd).
// Throws EInOutError when the copy cannot be written.
void BackupAtEnd();

} // namespace LedgerRecovery
