#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

// The locale the program writes dates in, Chinese (China), whatever the desktop's or the default
// locale is, so that every date of the program reads alike.
QLocale DateLocale();
// Its short date format (2026/12/8), always with a four-digit year: the one format of every
// date the program shows, date pickers included.
QString ShortDateFormat();
// A date in that format.
QString ShortDateText(const QDate& date);
