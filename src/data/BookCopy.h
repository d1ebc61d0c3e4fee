#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>

// A whole book's rows copied from one open connection into another, of either engine, and the
// figures that show the copy is whole. The callers own the connections and their transactions:
// the source read in one transaction (one moment of the book), the target's tables made and its
// rows written in one, so that a copy that fails or does not check leaves nothing behind.
namespace BookCopy {

// How a column's values are carried and checked.
enum class TKind {
    Key,   // whole numbers: keys, months, years, units
    Money, // yuan to the ten-thousandth: a whole amount an integer, else a decimal
    Day,   // day numbers, the fraction the time of day: a whole day an integer
    Text,
};

struct TColumn {
    QString Name;
    TKind Kind;
};

struct TTable {
    QString Name;
    QList<TColumn> Columns;
    int KeyColumns = 1; // the first columns, the table's primary key
    // The name of one row, and the measure word, for the line that says what was copied.
    QString Shown;
    QString Counter;
};

// The four tables of the book and the bill import's three, in the order they are copied.
const QList<TTable>& Tables();

// What a table holds, to compare a copy with its source: the number of rows, and per column the
// sum of its whole numbers, of its amounts in ten-thousandths of a yuan, of its day numbers in
// seconds, or of its texts' lengths in characters. The same book gives the same figures on
// either engine.
struct TFigures {
    QString Table;
    qint64 Rows = 0;
    QList<qint64> Sums; // one per column of the table
    bool operator==(const TFigures& other) const = default;
};

// Rows written per INSERT statement; each row's values are bound.
inline int RowsPerStatement = 200;

// Copies every row of every table from source into target, where the tables exist empty.
// Values keep their kinds: a whole amount or day number is written as an integer, any other as
// a decimal. A table of the bill import that an older ledger file lacks is copied as empty.
// progress, when given, is told the rows copied so far every progressStep rows. Returns the
// number of rows copied per table, in Tables()' order. Throws EDatabaseError with the engine's
// text (and the table) when a statement fails.
QList<qint64> CopyRows(QSqlDatabase& source, QSqlDatabase& target,
                       const std::function<void(qint64)>& progress = {},
                       qint64 progressStep = 100000);

// The figures of every table of the book on connection (in Tables()' order; a missing table of
// the bill import counts as empty).
QList<TFigures> Figures(QSqlDatabase& connection);

// One moment of a book to read from: a read transaction on connection for the object's life,
// repeatable-read and read-only on a server, so that every table is read in the same snapshot
// while others keep writing; rolled back at the end (it only read). Throws EDatabaseError when it
// cannot begin.
class TBookSnapshot {
public:
    explicit TBookSnapshot(QSqlDatabase& connection);
    ~TBookSnapshot();
    TBookSnapshot(const TBookSnapshot&) = delete;
    TBookSnapshot& operator=(const TBookSnapshot&) = delete;

private:
    QSqlDatabase& FConnection;
};

// What differs between the figures of a source and of its copy, in words ("收支记录（fPayout）的
// 行数：源 3 目标 2"); empty when they agree.
QString Difference(const QList<TFigures>& source, const QList<TFigures>& target);

} // namespace BookCopy
