#pragma once

#include "data/query/Query.h"

#include <QSqlDatabase>

// The keys new rows take, one rule per table, all in one place. Each rule reads the ledger as
// it is at the moment the key is taken: a query runs it through its TNewKeyRule at Post, inside
// the transaction that writes the row with the rule's tables locked (see TWriteTransaction);
// the bill import takes the same locks first in its one transaction.
namespace NewKeys {

// A record: above every record and every record an import still names (fBillImport), so a
// record deleted by hand never lends its key to a new one that a later refund of the deleted
// payment would then reduce.
qint64 PayoutID(QSqlDatabase& connection);
// A category: above every category and every category a record names, so a deleted category's
// records are never attached to a new one.
qint64 ItemProjectID(QSqlDatabase& connection);
// A member: above every member and every member a diary entry names, for the same reason.
qint64 PersonID(QSqlDatabase& connection);
// A diary entry: above every entry.
qint64 DiaryID(QSqlDatabase& connection);

// The rules for a query over each table: the key column, the tables read, the rule.
TNewKeyRule Payout();
TNewKeyRule ItemProject();
TNewKeyRule Person();
TNewKeyRule Diary();

} // namespace NewKeys
