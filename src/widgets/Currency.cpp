#include "widgets/Currency.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace Currency {

namespace {

// A number of yuan in ten-thousandths, when the columns hold it. 2^63 is exact as a double, and
// every double below it converts without overflow.
TReading FromYuan(double amount, qint64& units) {
    const double scaled = amount * double(UnitsPerYuan);
    constexpr double Limit = 9223372036854775808.0; // 2^63
    if (!std::isfinite(scaled) || scaled >= Limit || scaled < -Limit) return TReading::OutOfRange;
    const double rounded = std::round(scaled); // half away from zero
    if (rounded >= Limit) return TReading::OutOfRange;
    units = qint64(rounded);
    return TReading::Amount;
}

TReading FromWholeYuan(qint64 yuan, qint64& units) {
    qint64 scaled = 0;
    if (__builtin_mul_overflow(yuan, UnitsPerYuan, &scaled)) return TReading::OutOfRange;
    units = scaled;
    return TReading::Amount;
}

} // namespace

QString OutOfRangeText() {
    return QStringLiteral("超出范围");
}

TReading Read(const QVariant& value, qint64& units) {
    if (value.isNull() || !value.isValid()) return TReading::Empty;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        return FromWholeYuan(value.toLongLong(), units);
    case QMetaType::ULongLong: {
        const quint64 yuan = value.toULongLong();
        if (yuan > quint64(std::numeric_limits<qint64>::max())) return TReading::OutOfRange;
        return FromWholeYuan(qint64(yuan), units);
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return FromYuan(value.toDouble(), units);
    default: {
        const QString text = value.toString().trimmed();
        if (text.isEmpty()) return TReading::Empty;
        bool ok = false;
        const qint64 whole = text.toLongLong(&ok); // whole yuan exactly, without a double
        if (ok) return FromWholeYuan(whole, units);
        const double amount = text.toDouble(&ok);
        // toDouble also fails on a number too large for a double: out of range, not text
        if (!ok) {
            static const QRegularExpression number(
                QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
            return number.match(text).hasMatch() ? TReading::OutOfRange : TReading::Empty;
        }
        return FromYuan(amount, units);
    }
    }
}

bool ToUnits(const QVariant& value, qint64& units) {
    return Read(value, units) == TReading::Amount;
}

QString Text(qint64 units) {
    const bool negative = units < 0;
    // work in unsigned so the most negative amount has a magnitude too
    quint64 magnitude = negative ? quint64(0) - quint64(units) : quint64(units);
    const quint64 fen = (magnitude + 50) / 100; // ten-thousandths to fen, half away from zero
    const quint64 yuan = fen / 100;
    const int cents = int(fen % 100);

    QString digits = QString::number(yuan);
    QString grouped;
    grouped.reserve(digits.size() + digits.size() / 3 + 8);
    const int lead = digits.size() % 3;
    for (int i = 0; i < digits.size(); ++i) {
        if (i > 0 && (i - lead) % 3 == 0) grouped += QLatin1Char(',');
        grouped += digits.at(i);
    }
    QString text = negative && fen != 0 ? QStringLiteral("-￥") : QStringLiteral("￥");
    text += grouped;
    text += QLatin1Char('.');
    text += QLatin1Char(char('0' + cents / 10));
    text += QLatin1Char(char('0' + cents % 10));
    return text;
}

QString Text(const QVariant& value) {
    qint64 units = 0;
    switch (Read(value, units)) {
    case TReading::Amount:
        return Text(units);
    case TReading::OutOfRange:
        return OutOfRangeText();
    case TReading::Empty:
        break;
    }
    return QString();
}

void TTotal::Add(const QVariant& value) {
    if (FOutOfRange) return;
    qint64 units = 0;
    switch (Read(value, units)) {
    case TReading::Amount:
        if (!__builtin_add_overflow(FUnits, units, &FUnits)) return;
        [[fallthrough]];
    case TReading::OutOfRange:
        FOutOfRange = true;
        FUnits = 0;
        return;
    case TReading::Empty:
        return;
    }
}

QString TTotal::Text() const {
    return FOutOfRange ? OutOfRangeText() : Currency::Text(FUnits);
}

} // namespace Currency
