#include "widgets/Currency.h"

#include <cmath>

namespace Currency {

bool ToUnits(const QVariant& value, qint64& units) {
    if (value.isNull() || !value.isValid()) return false;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        units = value.toLongLong() * UnitsPerYuan;
        return true;
    case QMetaType::Double:
    case QMetaType::Float: {
        const double amount = value.toDouble();
        if (!std::isfinite(amount)) return false;
        units = std::llround(amount * UnitsPerYuan);
        return true;
    }
    default: {
        const QString text = value.toString().trimmed();
        if (text.isEmpty()) return false;
        bool ok = false;
        const qint64 whole = text.toLongLong(&ok); // whole yuan exactly, without a double
        if (ok) {
            units = whole * UnitsPerYuan;
            return true;
        }
        const double amount = text.toDouble(&ok);
        if (!ok || !std::isfinite(amount)) return false;
        units = std::llround(amount * UnitsPerYuan);
        return true;
    }
    }
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
    return ToUnits(value, units) ? Text(units) : QString();
}

} // namespace Currency
