#pragma once

#include <QSqlDatabase>
#include <QString>

// A generated book whose values try every way a copy between engines could change them: texts
// with quotes, backslashes, line breaks, tabs, Chinese, SQL and long notes; amounts to the
// ten-thousandth, whole and negative; NULLs; day numbers whole and with time fractions; rows of
// the bill import's tables.
namespace HostileBook {

// Writes the rows, keys 1…records in fPayout, into the empty tables on connection (file or
// server), in one transaction; then analyses a file so that opening it writes nothing.
void Write(QSqlDatabase& connection, int records);

// A new ledger file at path holding such a book.
void WriteFile(const QString& path, int records);

// The book's tables of a ledger file as sqlite3's .dump writes them (types and values exact),
// lines sorted; empty when it cannot be read.
QString Dump(const QString& path);

} // namespace HostileBook
