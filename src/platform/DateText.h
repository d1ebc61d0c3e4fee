#pragma once

#include <QDate>
#include <QString>

// A date in the system's short date format, always with a four-digit year.
QString ShortDateText(const QDate& date);
