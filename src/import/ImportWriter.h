#pragma once

#include "import/ImportPlan.h"

#include <QSqlDatabase>

// Writes a plan into the ledger as one transaction: the new records, the reductions of earlier
// records by their refunds, the rows' keys in fBillImport and the categories chosen for
// counterparts. On any failure the ledger is left as it was.
namespace ImportWriter {

// Writes the ticked rows; records are stamped with the plan's member, else personName.
// Throws EDatabaseError naming the row of the file that failed.
TImportCounts Write(QSqlDatabase connection, const QString& personName, const TImportPlan& plan);

// The counts of a plan as Write writes it.
TImportCounts Count(const TImportPlan& plan);

} // namespace ImportWriter
