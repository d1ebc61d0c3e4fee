#pragma once

#include "import/BillRow.h"

#include <QString>

// The default table from a bill's own category names and counterparts onto the ledger's default
// categories; the importer looks the name up among the ledger's categories of the kind.
namespace CategoryRules {

// The category a row of kind ("收入"/"支出") goes to by default: by the bill's category first,
// then by a keyword of the counterpart, then of the item, then by a vague bill category (充值缴费);
// empty when no rule maps it.
QString DefaultName(const TBillRow& row, const QString& kind);

// Where a row no rule maps goes.
QString OtherName(const QString& kind);

} // namespace CategoryRules
