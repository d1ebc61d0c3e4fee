#include "data/query/DayNumber.h"

#include <algorithm>
#include <cmath>

namespace {

const QDate Epoch(1899, 12, 30);
constexpr double MillisecondsPerDay = 86400000.0;

} // namespace

namespace DayNumber {

double FromDate(const QDate& day) {
    return double(Epoch.daysTo(day));
}

double FromDateTime(const QDateTime& moment) {
    const QDateTime local = moment.toLocalTime();
    return FromDate(local.date()) + local.time().msecsSinceStartOfDay() / MillisecondsPerDay;
}

QDateTime ToDateTime(double dayNumber) {
    double whole = std::floor(dayNumber);
    auto msecs = qint64(std::llround((dayNumber - whole) * MillisecondsPerDay));
    if (msecs >= qint64(MillisecondsPerDay)) { // rounding reached the next midnight
        whole += 1;
        msecs = 0;
    }
    return QDateTime(Epoch.addDays(qint64(whole)), QTime::fromMSecsSinceStartOfDay(int(msecs)));
}

QString Text(double dayNumber) {
    // 15 significant digits in fixed notation; then drop trailing zeros and a bare point.
    const int integerDigits =
        dayNumber == 0 ? 1 : std::max(1, int(std::floor(std::log10(std::fabs(dayNumber)))) + 1);
    const int decimals = std::max(0, 15 - integerDigits);
    QString text = QString::number(dayNumber, 'f', decimals);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.')) text.chop(1);
    }
    if (text == u"-0") text = QStringLiteral("0");
    return text;
}

QString Text(const QDateTime& moment) {
    return Text(FromDateTime(moment));
}

} // namespace DayNumber
