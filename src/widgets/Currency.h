#pragma once

#include <QString>
#include <QVariant>

// Money as the program shows it: the format "￥,0.00;-￥,0.00" (yuan sign, thousands separators,
// two decimals, a minus ahead of the sign). Amounts are held exactly as whole ten-thousandths of
// a yuan, the precision of the ledger's currency columns, so sums stay exact far beyond 32 bits.
// The columns hold ±922,337,203,685,477.5807 yuan, exactly the range of a qint64 of
// ten-thousandths; a value beyond it (written by another tool) is shown as out of range, never as
// some other number.
namespace Currency {

// Ten-thousandths of a yuan per yuan.
inline constexpr qint64 UnitsPerYuan = 10000;

// What an amount beyond the columns' range shows instead of a number.
QString OutOfRangeText();

// What a stored value reads as.
enum class TReading {
    Empty,      // null, blank or not a number
    Amount,     // a number the columns hold
    OutOfRange, // a number beyond them, or infinity, or NaN
};

// The value in ten-thousandths of a yuan; units is set only for an Amount.
TReading Read(const QVariant& value, qint64& units);

// The value in ten-thousandths of a yuan. False for an empty value and for one out of range;
// units is then left alone.
bool ToUnits(const QVariant& value, qint64& units);

// "￥1,766.00", "-￥1,234.00": rounded half away from zero to the fen.
QString Text(qint64 units);
// The same for a stored value; an empty value gives the empty text, one out of range
// OutOfRangeText().
QString Text(const QVariant& value);

// A sum of stored amounts that says when a value in it, or the sum itself, leaves the columns'
// range.
class TTotal {
public:
    void Add(const QVariant& value);
    bool OutOfRange() const { return FOutOfRange; }
    qint64 Units() const { return FUnits; } // 0 once out of range
    // The sum in the currency format, or OutOfRangeText().
    QString Text() const;

private:
    qint64 FUnits = 0;
    bool FOutOfRange = false;
};

} // namespace Currency
