#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

// One row of a query's store: a fixed array of the statement's columns.
using TRow = std::unique_ptr<QVariant[]>;

// Everything a SELECT returned: its columns, which of them are declared as dates or times, and
// its rows.
struct TStatementRows {
    int Columns = 0;
    QStringList Names;
    std::vector<bool> DateTimeColumns;
    std::vector<TRow> Rows;
};

// Runs one SELECT and reads all its rows into memory. Integers read as qlonglong, reals as
// double, texts as QString, blobs as QByteArray and NULL as a null QVariant, whichever engine
// runs it. A text equal to the one above it in its column shares that one's storage: lists
// repeat the member's name and the kind in every row.
namespace StatementReader {

// Throws EDatabaseError with the engine's text when the statement fails or returns no columns;
// a statement that returns no columns is never run. On SQLite the engine's own interface reads
// the rows, on a PostgreSQL server libpq beneath the driver, a row at a time: there integers
// (and booleans, as 1 or 0) read as qlonglong, numeric and double precision values as qlonglong
// when whole and double otherwise, as the file's NUMERIC columns give them, and the columns of
// the domain datetime are the date-time columns.
TStatementRows Read(const QSqlDatabase& db, const QString& sql);

// The same through Qt SQL's generic row access, which every engine offers; Read takes it
// where SQLite's own interface is not at hand.
TStatementRows ReadThroughDriver(const QSqlDatabase& db, const QString& sql);

// A value the QPSQL driver read, as the server reader gives it (and the file holds it): NULL
// untyped, integers and booleans as qlonglong, a whole double as qlonglong.
QVariant AsOnTheFile(const QVariant& value);

// Whether a column's declared type names a date or a time ("datetime", "date", "time").
bool IsDateTimeType(const QString& declaredType);

} // namespace StatementReader
