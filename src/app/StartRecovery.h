#pragma once

#include <QString>

// The check of the ledger at start-up, and the offer of a backup when it is damaged.
namespace StartRecovery {

// The kept name's word for a ledger set aside because it was damaged.
inline const QString DamagedWord = QStringLiteral("damaged");

// Run once the data module has tried to open the ledger. Checks an open ledger as the backups
// are checked (LedgerCheck::CheckFile); when the check finds damage, or the open itself failed
// because the file is damaged, names the damaged file and offers the newest backup that passes the
// same check. On yes the damaged file is kept beside under a Hearthbook-damaged-… name, a copy of
// the backup takes its place and the ledger is opened again. On no, or without a good backup, says
// so and goes on with the ledger as it is (still open after a failed check, closed after a failed
// open).
void CheckLedger();

} // namespace StartRecovery
