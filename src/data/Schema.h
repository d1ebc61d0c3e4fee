#pragma once

#include "data/engine/LedgerLocation.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The ledger's tables and the content of a new installation's file.
namespace Schema {

// The relative path of the ledger below the current directory.
inline const QString DatabasePath = TLedgerLocation::DefaultFile;
// The ledger file of this run: the one --ledger named, else DatabasePath. A book on a server
// keeps DatabasePath here: its backups go below it (DataBase/Backup/).
QString LedgerFilePath();

// The default member (id 1) of a new ledger.
inline const QString DefaultPersonName = QStringLiteral("家长");
inline const QString DefaultAccount = QStringLiteral("admin");
inline const QString DefaultPassword = QStringLiteral("admin");

// Creates the four tables and their indexes on an open, empty connection.
void CreateTables(QSqlDatabase& connection);
// Creates the tables of the bill import beside the four, where they are missing: fBillImport
// (every imported payment and applied refund by source and order number, so that nothing is
// imported twice) and bBillCategoryRule (the category the user chose for a counterpart).
// The four tables never change for them. Also bLedgerInfo (Name, Value), where the ledger's own
// id (LedgerId) is kept from its first export on.
void CreateImportTables(QSqlDatabase& connection);
// The name of the ledger's id in bLedgerInfo.
inline const QString LedgerIdName = QStringLiteral("LedgerId");
// The ledger's id: a UUID given to it once; its exported records carry it in their identities.
QString LedgerId(QSqlDatabase& connection);
// Adds the default member and the predefined categories.
void AddInitialContent(QSqlDatabase& connection);
// Keeps the query planner's statistics (sqlite_stat1, stored in the file) in step with the
// records: analyses the tables when no statistics are kept yet, or when the number of records has
// at least doubled or halved (the highest key stands for it) since they were taken, sampling so it takes milliseconds even on a
// million records. Without them the planner misjudges the ledger's joins (the query form's
// totals take half again as long). Returns whether it analysed.
bool RefreshStatistics(QSqlDatabase& connection);
// Writes a new ledger file at path (creating its folder): tables, default member, categories.
// Refuses, with EInOutError, when the file already exists.
void CreateDatabase(const QString& path);

// Makes a new book on the empty database of a server at location: tables, default member,
// categories, in one transaction. Refuses, with EDatabaseError, a database that holds a book
// already or any table of its own.
void CreateServerBook(const TLedgerLocation& location);
// Inside a transaction on the server database at location: waits for another create or copy
// into it to end, then refuses, with EDatabaseError, a database that holds a book already or any
// table of its own, or whose character classes (LC_CTYPE) are not "C" (case-insensitive names
// would compare otherwise than in a file).
void ClaimEmptyServerDatabase(QSqlDatabase& connection, const TLedgerLocation& location);

} // namespace Schema
