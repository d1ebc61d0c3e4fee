#pragma once

#include <QDate>
#include <QString>

// The system's short date format, always with a four-digit year (for date pickers).
QString ShortDateFormat();
// A date in that format.
QString ShortDateText(const QDate& date);
