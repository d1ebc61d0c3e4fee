#pragma once

#include "import/ImportPlan.h"

#include <QSqlDatabase>

// Works out what an import does with each row of a bill: its key ("never twice"), whether an
// earlier import has it, the refunds netted against their payments (in the bill or in the
// ledger), the amount left and the category. Reads the ledger, writes nothing.
namespace ImportPlanner {

// The plan of the bill for the member personName; the plan takes the bill's rows over whole.
TImportPlan Plan(const QSqlDatabase& connection, const QString& personName, TBill&& bill,
                 const QString& path);

} // namespace ImportPlanner
