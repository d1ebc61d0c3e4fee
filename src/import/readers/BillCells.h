#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// One row of a bill's table as cells, and the values read from them: text ("/" is empty), an
// amount exact to the ten-thousandth, a time. Anything that is not what the column holds is
// refused with EBillError naming the file, the line and the column.
class TBillCells {
public:
    TBillCells(const QString& fileName, int line, const QStringList& cells)
        : FFileName(fileName), FLine(line), FCells(cells) {}

    int Line() const { return FLine; }
    qsizetype Count() const { return FCells.size(); }
    // The cell as written (empty beyond the row's end).
    QString Raw(int column) const { return FCells.value(column); }
    // The cell's text; the bills' "/" for nothing is empty.
    QString Text(int column) const;
    // The amount in ten-thousandths of a yuan ("49.74", "¥28.16", "￥1,280.00"); label names the
    // column in messages. An empty cell is 0 when allowEmpty, else refused.
    qint64 Units(int column, const QString& label, bool allowEmpty = false) const;
    // The time ("2026-11-03 12:31:05", with '/' or without seconds), local time.
    QDateTime Time(int column, const QString& label) const;

    // Refuses the row: EBillError "账单 <file> 第 <line> 行：<text>".
    [[noreturn]] void Fail(const QString& text) const;

private:
    QString FFileName;
    int FLine;
    const QStringList& FCells;
};

namespace BillCells {

// "账单 <file> 第 <line> 行：<text>"
QString LineError(const QString& fileName, int line, const QString& text);

// How an amount's text reads.
enum class TAmount { Ok, Empty, NotANumber, Negative, OutOfRange, TooPrecise };
// Parses the digits exactly (no floating point): an optional yuan sign (¥ or ￥), thousands
// separators, at most four decimals.
TAmount ParseUnits(QStringView text, qint64& units);
// The text of a plain decimal number rounded half up to four decimals by its digits
// ("28.159999999999997" → "28.1600"); other text unchanged. For spreadsheet numbers.
QString RoundedToUnits(const QString& text);

// The time the text says, or an invalid QDateTime.
QDateTime ParseTime(QStringView text);
// A spreadsheet's date number (days since 30 December 1899, the fraction the time of day) as
// "yyyy-MM-dd HH:mm:ss", rounded to the second; empty when the text is no such number.
QString SerialTimeText(const QString& text);

// The column of each name in a header row, or an empty list when one is missing.
QList<int> ColumnsOf(const QStringList& header, const QStringList& names);
// Whether a row ends the table: a dashed line, or a line of one cell that is no time (the
// summary lines under the table).
bool IsTableEnd(const QStringList& cells);
// Whether the row is empty (every cell blank).
bool IsBlank(const QStringList& cells);

} // namespace BillCells
