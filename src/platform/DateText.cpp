#include "platform/DateText.h"

#include <QLocale>

QString ShortDateFormat() {
    QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return format;
}

QString ShortDateText(const QDate& date) {
    return QLocale::system().toString(date, ShortDateFormat());
}
