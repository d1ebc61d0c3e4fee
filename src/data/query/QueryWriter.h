#pragma once

#include <QSqlDatabase>
#include <QSqlIndex>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

class QSqlError;
class QSqlQuery;

// Carries the edits of a query's rows back to its table. Only a plain one-table
// "select * from T [where ...] [order by ...] [limit ...]" whose result has exactly T's columns
// and whose T has a primary key is written; the statements are the driver's own
// (QSqlDriver::sqlStatement), parameterised and keyed on T's primary key.
class TQueryWriter {
public:
    // The engine's own text of an error, for the messages the query throws.
    static QString ErrorText(const QSqlError& error);

    // Decides whether the open statement sql, with these result columns, can be written.
    void Prepare(const QSqlDatabase& db, const QString& sql, const QStringList& columns);
    void Clear();

    bool Updatable() const { return FUpdatable; }
    QString Reason() const { return FReason; } // why not, when it is not
    QString Table() const { return FTable; }

    // Writes a new row: only the assigned columns are sent, the rest are left to the table.
    // Then reads the row back into row. Throws EDatabaseError with the engine's text when the
    // write fails (nothing changed then); returns the reason when the write was done but the
    // row could not be read back (row then holds what was sent), or an empty text.
    QString Insert(QVariant* row, const std::vector<bool>& assigned) const;

    // Writes the assigned columns whose value differs from oldRow, keyed on oldRow's key, and
    // reads the row back as Insert does. Nothing to write: nothing sent, nothing read. The row
    // is written only while the table holds it exactly as oldRow (every column): one that
    // another program changed or deleted since throws ERecordChanged with the row as it is now,
    // and nothing is written.
    QString Update(QVariant* row, const QVariant* oldRow, const std::vector<bool>& assigned) const;

    // Deletes the row oldRow, while the table holds it as oldRow. Throws ERecordChanged (with the
    // row as it is now) when another program changed it since, EDatabaseError when the delete
    // fails. A row another program deleted already is gone as asked: no error.
    void Delete(const QVariant* oldRow) const;

private:
    static const QString NoSuchRow; // what Reread says of a row the table no longer holds
    QSqlIndex KeyOf(const QVariant* row) const;
    void Exec(QSqlQuery& query, const QString& sql, const QVariantList& values) const;
    QString Reread(QVariant* row, const QSqlIndex& key) const;
    QString AsReadWhere(const QVariant* oldRow, QVariantList& values) const;
    [[noreturn]] void Conflict(const QVariant* oldRow, bool deleting) const;

    QSqlDatabase FDb;
    bool FUpdatable = false;
    QString FReason;
    QString FTable;
    QSqlRecord FRecord;           // the table's columns, in the result's order
    QSqlIndex FKey;               // the primary key's columns
    std::vector<int> FKeyColumns; // their positions in the result
};
