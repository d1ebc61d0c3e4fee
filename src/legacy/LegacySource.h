#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

// The rows of a ledger kept in the old Access (Jet 4) format, one table at a time, as the
// conversion reads them: from the file itself (TJetReader) or from a separate process that
// reads it (TIsolatedJetReader). Every failure throws Exception with a message that names the
// file and the cause.
class TLegacySource {
public:
    // The kinds of column a ledger's tables use, as the file stores them.
    enum class TType { Integer, Money, Float, DateTime, Text, Memo, Other };

    virtual ~TLegacySource() = default;

    // The rows that the table's definition declares (its deleted rows not counted).
    virtual qint64 RowCount(const QString& table) = 0;
    // Starts reading a table with the given columns (names compare without case). A missing
    // table or column is named in the error.
    virtual void OpenTable(const QString& table, const QStringList& columns) = 0;
    virtual TType ColumnType(int column) const = 0;
    // Moves to the next row; false after the last.
    virtual bool Next() = 0;
    // The current row's value of a column of OpenTable: a null QVariant for NULL; qint64 for
    // integers and for currency (in ten-thousandths); double for floats and day numbers;
    // QString for text and memos.
    virtual const QVariant& Value(int column) const = 0;

    virtual QString Path() const = 0;
};
