#include "platform/DateText.h"

#include <QLocale>

QString ShortDateText(const QDate& date) {
    const QLocale locale; // the program's default: Chinese (China)
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return locale.toString(date, format);
}
