#include "platform/DateText.h"

#include <QLocale>

QString ShortDateText(const QDate& date) {
    QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return QLocale::system().toString(date, format);
}
