#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

struct S_MdbTableDef;

// A database file in the Access (Jet 4) format, read through Debian's mdbtools library: one table
// at a time, row by row, never a whole table in memory.
//
// Values come from the row's own bytes, as the library splits the row: integers, currency as a
// whole number of ten-thousandths (exact, never through a double), date-times as their day
// number, text and memos decoded from their UCS-2 (also the "compressed" form) straight into
// QString. NULL is told apart from an empty text. Every failure throws EInOutError with a
// message that names the file and the cause.
class TJetReader {
public:
    // The kinds of column a ledger's tables use, as the file stores them.
    enum class TType { Integer, Money, Float, DateTime, Text, Memo, Other };

    explicit TJetReader(const QString& path);
    ~TJetReader();
    TJetReader(const TJetReader&) = delete;
    TJetReader& operator=(const TJetReader&) = delete;

    bool HasTable(const QString& table) const;
    // The rows that the table's definition declares (its deleted rows not counted).
    qint64 RowCount(const QString& table);

    // Starts reading a table with the given columns (names compare without case). A missing
    // table or column is named in the error.
    void OpenTable(const QString& table, const QStringList& columns);
    TType ColumnType(int column) const { return FColumns[column].Type; }
    // Moves to the next row; false after the last. A damaged page, or fewer rows than the
    // table's definition declares, throws.
    bool Next();
    // The current row's value of a column of OpenTable: a null QVariant for NULL; qint64 for
    // integers and for currency (in ten-thousandths); double for floats and day numbers;
    // QString for text and memos.
    const QVariant& Value(int column) const { return FValues[column]; }
    // The rows read so far from the open table.
    qint64 RowsRead() const { return FRowsRead; }

    QString Path() const { return FPath; }

private:
    struct TColumn {
        QString Name;
        TType Type = TType::Other;
        int Index = -1; // in the library's column list
    };

    [[noreturn]] void Damaged(const QString& detail) const;
    S_MdbTableDef* ReadTable(const QString& table) const;
    void CloseTable();
    bool LoadRow(int row);
    void DecodeRow(int start, int size);
    QVariant Decode(const TColumn& column, const void* value, int size, bool isNull);
    QByteArray ReadMemo(const uchar* field, int size);

    QString FPath;
    void* FMdb = nullptr; // the library's MdbHandle (an unnamed struct, so not declared here)
    S_MdbTableDef* FTable = nullptr;
    QString FTableName;
    std::vector<TColumn> FColumns;
    QList<QVariant> FValues;
    int FRowsOnPage = 0;
    int FRowOnPage = 0;
    bool FPageLoaded = false;
    bool FAtEnd = false;
    qint64 FRowsRead = 0;
};
