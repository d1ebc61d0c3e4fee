#include "data/query/FieldValue.h"

#include "data/query/DayNumber.h"
#include "platform/Exception.h"

#include <QLocale>
#include <cmath>

namespace FieldValue {

bool IsIntegral(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool IsFloating(const QVariant& value) {
    return value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float;
}

bool IsNumber(const QVariant& value) {
    return IsIntegral(value) || IsFloating(value);
}

QString NumberText(double number) {
    if (std::isfinite(number) && number == std::trunc(number) && std::fabs(number) < 1e15)
        return QString::number(qint64(number));
    return QString::number(number, 'g', 15);
}

QVariant DayNumberValue(double dayNumber) {
    if (std::isfinite(dayNumber) && dayNumber == std::trunc(dayNumber) &&
        std::fabs(dayNumber) < 1e15)
        return QVariant(qint64(dayNumber));
    return QVariant(dayNumber);
}

bool SameValue(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
    if (IsIntegral(a) && IsIntegral(b)) return a.toLongLong() == b.toLongLong();
    if (a.typeId() != b.typeId()) return false;
    return a == b;
}

QString KeyText(const QVariant& value) {
    if (value.isNull()) return QString();
    if (IsIntegral(value)) return QString::number(value.toLongLong());
    if (IsFloating(value)) return NumberText(value.toDouble());
    return value.toString();
}

QDateTime ParseDateTime(const QString& text) {
    static const char* const Formats[] = {
        "yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-ddTHH:mm:ss",
        "yyyy-M-d H:mm:ss",        "yyyy-M-d H:mm",       "yyyy/M/d H:mm:ss", "yyyy/M/d H:mm",
        "yyyy.M.d H:mm:ss",        "yyyy.M.d H:mm",
    };
    static const char* const DateFormats[] = {"yyyy-MM-dd", "yyyy-M-d", "yyyy/M/d", "yyyy.M.d",
                                              "yyyyMMdd"};
    for (const char* format : Formats) {
        const QDateTime moment = QDateTime::fromString(text, QLatin1String(format));
        if (moment.isValid()) return moment;
    }
    for (const char* format : DateFormats) {
        const QDate day = QDate::fromString(text, QLatin1String(format));
        if (day.isValid()) return QDateTime(day, QTime(0, 0));
    }
    const QLocale locale;
    QDateTime moment = locale.toDateTime(text, QLocale::ShortFormat);
    if (moment.isValid()) return moment;
    const QDate day = locale.toDate(text, QLocale::ShortFormat);
    if (day.isValid()) return QDateTime(day, QTime(0, 0));
    return QDateTime();
}

QString AsString(const QVariant& value) {
    if (value.isNull()) return QString();
    if (IsIntegral(value)) return QString::number(value.toLongLong());
    if (IsFloating(value)) return NumberText(value.toDouble());
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    if (value.typeId() == QMetaType::QByteArray) return QString::fromUtf8(value.toByteArray());
    return value.toString();
}

qint64 AsInteger(const QVariant& value, const QString& fieldName) {
    if (value.isNull()) return 0;
    if (IsIntegral(value)) return value.toLongLong();
    if (value.typeId() == QMetaType::Bool) return value.toBool() ? 1 : 0;
    double number = 0;
    bool ok = false;
    if (IsFloating(value)) {
        number = value.toDouble();
        ok = true;
    } else {
        const QString text = value.toString().trimmed();
        const qint64 whole = text.toLongLong(&ok);
        if (ok) return whole;
        number = text.toDouble(&ok);
    }
    if (!ok || !std::isfinite(number) || std::fabs(number) >= 9.2e18)
        throw EDatabaseError(
            QStringLiteral("“%1”不是有效的整数值（字段 %2）").arg(value.toString(), fieldName));
    return qRound64(number);
}

double AsFloat(const QVariant& value, const QString& fieldName) {
    if (value.isNull()) return 0;
    if (IsNumber(value)) return value.toDouble();
    if (value.typeId() == QMetaType::Bool) return value.toBool() ? 1 : 0;
    bool ok = false;
    const double number = value.toString().trimmed().toDouble(&ok);
    if (!ok)
        throw EDatabaseError(
            QStringLiteral("“%1”不是有效的数值（字段 %2）").arg(value.toString(), fieldName));
    return number;
}

QDateTime AsDateTime(const QVariant& value, const QString& fieldName) {
    if (value.isNull()) return QDateTime();
    if (IsNumber(value)) return DayNumber::ToDateTime(value.toDouble());
    if (value.typeId() == QMetaType::QDateTime) return value.toDateTime();
    if (value.typeId() == QMetaType::QDate) return QDateTime(value.toDate(), QTime(0, 0));
    const QString text = value.toString().trimmed();
    if (text.isEmpty()) return QDateTime();
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (ok) return DayNumber::ToDateTime(number);
    const QDateTime moment = ParseDateTime(text);
    if (!moment.isValid())
        throw EDatabaseError(QStringLiteral("“%1”不是有效的日期（字段 %2）").arg(text, fieldName));
    return moment;
}

QVariant Stored(const QVariant& value, bool dateTimeColumn, const QString& fieldName) {
    if (value.isNull()) return QVariant();
    if (value.typeId() == QMetaType::QDateTime)
        return DayNumberValue(DayNumber::FromDateTime(value.toDateTime()));
    if (value.typeId() == QMetaType::QDate)
        return DayNumberValue(DayNumber::FromDate(value.toDate()));
    if (value.typeId() != QMetaType::QString || !dateTimeColumn) return value;
    // Date text for a date-time column is stored as its day number, as the column holds.
    const QString text = value.toString().trimmed();
    if (text.isEmpty()) return QVariant();
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (ok) return DayNumberValue(number);
    const QDateTime moment = ParseDateTime(text);
    if (!moment.isValid())
        throw EDatabaseError(QStringLiteral("“%1”不是有效的日期（字段 %2）").arg(text, fieldName));
    return DayNumberValue(DayNumber::FromDateTime(moment));
}

} // namespace FieldValue
