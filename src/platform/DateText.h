#pragma once

#include <QDate>
#include <QString>

// A date in the short date format of the default locale (the program sets Chinese (China):
// 2026/12/8), always with a four-digit year.
QString ShortDateText(const QDate& date);
