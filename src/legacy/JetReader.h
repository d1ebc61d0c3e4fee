#pragma once

#include "legacy/LegacySource.h"

#include <QList>
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
//
// The library itself can loop for good, its memory growing, on a damaged file; the program
// therefore reads through TIsolatedJetReader, which runs this reader in a separate process.
class TJetReader final : public TLegacySource {
public:
    explicit TJetReader(const QString& path);
    ~TJetReader() override;
    TJetReader(const TJetReader&) = delete;
    TJetReader& operator=(const TJetReader&) = delete;

    bool HasTable(const QString& table) const;
    qint64 RowCount(const QString& table) override;

    void OpenTable(const QString& table, const QStringList& columns) override;
    TType ColumnType(int column) const override { return FColumns[column].Type; }
    // A damaged page, or fewer rows than the table's definition declares, throws.
    bool Next() override;
    const QVariant& Value(int column) const override { return FValues[column]; }
    // The rows read so far from the open table.
    qint64 RowsRead() const { return FRowsRead; }

    QString Path() const override { return FPath; }

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
