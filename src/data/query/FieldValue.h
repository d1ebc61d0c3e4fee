#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

// The conversions of the query's field values: how a value reads as text, a number or a
// date-time, how two values compare, and what a set value is stored as. Reading conversions
// throw EDatabaseError naming the field when a value does not convert.
namespace FieldValue {

bool IsIntegral(const QVariant& value);
bool IsFloating(const QVariant& value);
bool IsNumber(const QVariant& value);

// A number in its natural text: 100 -> "100", 12.5 -> "12.5", 1e20 -> "1e+20".
QString NumberText(double number);

// A day number as a value: a whole day is kept as an integer, so midnight dates are integers.
QVariant DayNumberValue(double dayNumber);

// Both NULL, or both set with the same type and value (integers of any width compare by value).
bool SameValue(const QVariant& a, const QVariant& b);

// The text a key is matched by: numbers in their natural text, so 3, 3.0 and "3" are one key.
QString KeyText(const QVariant& value);

// A date or date-time written as text, in the forms the program and its users write them
// ("2026-12-01", "2026/12/1 18:00", ...); invalid when it is none of them.
QDateTime ParseDateTime(const QString& text);

// Reading a value. NULL reads as "", 0, 0.0 and an invalid date-time.
QString AsString(const QVariant& value);
qint64 AsInteger(const QVariant& value, const QString& fieldName); // rounds; text converted
double AsFloat(const QVariant& value, const QString& fieldName);
QDateTime AsDateTime(const QVariant& value, const QString& fieldName); // numbers are day numbers

// What a value set on a field is stored as: a QDateTime or QDate becomes its day number, and
// on a date-time column date text does too (empty text is NULL, a number is a day number).
QVariant Stored(const QVariant& value, bool dateTimeColumn, const QString& fieldName);

} // namespace FieldValue
