#include "platform/DateText.h"

QLocale DateLocale() {
    return QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China);
}

QString ShortDateFormat() {
    QString format = DateLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return format;
}

QString ShortDateText(const QDate& date) {
    return DateLocale().toString(date, ShortDateFormat());
}
