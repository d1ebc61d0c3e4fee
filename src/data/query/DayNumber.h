#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

// Date-times as the ledger stores them: days since 30 December 1899 at 00:00, with the time of
// day as the fraction (1 December 2026 at 18:00 is 46357.75).
namespace DayNumber {

double FromDateTime(const QDateTime& moment); // local time
double FromDate(const QDate& day);            // at midnight
QDateTime ToDateTime(double dayNumber);       // local time, to the millisecond

// The day number as SQL text: general decimal form, at most 15 significant digits, no exponent,
// no grouping, "." as the point, trailing zeros dropped, no point for a whole day.
QString Text(double dayNumber);
QString Text(const QDateTime& moment);

} // namespace DayNumber
