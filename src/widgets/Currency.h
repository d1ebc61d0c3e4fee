#pragma once

#include <QString>
#include <QVariant>

// Money as the program shows it: the format "￥,0.00;-￥,0.00" (yuan sign, thousands separators,
// two decimals, a minus ahead of the sign). Amounts are held exactly as whole ten-thousandths of
// a yuan, the precision of the ledger's currency columns, so sums stay exact far beyond 32 bits.
namespace Currency {

// Ten-thousandths of a yuan per yuan.
inline constexpr qint64 UnitsPerYuan = 10000;

// The value in ten-thousandths of a yuan. False for an empty (null or blank) value or one that is
// not a number; units is then left alone.
bool ToUnits(const QVariant& value, qint64& units);

// "￥1,766.00", "-￥1,234.00": rounded half away from zero to the fen.
QString Text(qint64 units);
// The same for a stored value; an empty or non-numeric value gives the empty text.
QString Text(const QVariant& value);

} // namespace Currency
