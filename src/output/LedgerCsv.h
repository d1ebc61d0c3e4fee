#pragma once

#include <QSqlDatabase>
#include <QString>

// A member's whole book as one CSV file that the bill import reads back record for record. The
// layout: import/readers/LedgerCsvLayout.h.
//
// The diary is left out: it has no place in the import, and a second file that nothing reads
// back would be a copy without a way home; the backups keep it.
namespace LedgerCsv {

// Writes every record of the member (fPayout rows of that PersonName), by day, to path; returns
// how many. Throws EDatabaseError or EInOutError; the file at path is then as it was.
int Export(QSqlDatabase connection, const QString& person, const QString& path);

} // namespace LedgerCsv
