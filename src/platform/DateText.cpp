#include "platform/DateText.h"

#include <QLocale>

QString ShortDateFormat() {
    QString format = QLocale().dateFormat(QLocale::ShortFormat); // the program's default locale
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return format;
}

QString ShortDateText(const QDate& date) {
    return QLocale().toString(date, ShortDateFormat());
}
