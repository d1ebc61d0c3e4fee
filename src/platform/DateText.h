#pragma once

#include <QDate>
#include <QString>

// The short date format of the default locale (the program sets Chinese (China): 2026/12/8),
// always with a four-digit year (for date pickers).
QString ShortDateFormat();
// A date in that format.
QString ShortDateText(const QDate& date);
