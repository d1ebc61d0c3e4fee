#include "data/ledgerfile/backup/BackupName.h"

#include <QDateTime>
#include <QRegularExpression>
#include <tuple>

namespace {

const QString Prefix = QStringLiteral("Hearthbook-");
const QString Extension = QStringLiteral(".mdb");

} // namespace

QString TBackupName::FileName() const {
    QString name = Prefix + Date.toString(QStringLiteral("yyyyMMdd")) + u'-' +
                   Time.toString(QStringLiteral("HHmm"));
    if (Sequence > 1) name += u'-' + QString::number(Sequence);
    return name + Extension;
}

QString TBackupName::DateText() const {
    return QStringLiteral("%1年%2月%3日 %4")
        .arg(Date.year())
        .arg(Date.month())
        .arg(Date.day())
        .arg(Time.toString(QStringLiteral("HH:mm")));
}

TBackupName TBackupName::At(const QDateTime& time, int sequence) {
    return {time.date(), QTime(time.time().hour(), time.time().minute()), sequence};
}

std::optional<TBackupName> TBackupName::Parse(const QString& fileName) {
    static const QRegularExpression pattern(
        QStringLiteral("^Hearthbook-(\\d{4})(\\d{2})(\\d{2})-(\\d{2})(\\d{2})(?:-([1-9]\\d{0,5}))?"
                       "\\.mdb$"));
    const QRegularExpressionMatch match = pattern.match(fileName);
    if (!match.hasMatch()) return std::nullopt;
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(),
                     match.captured(3).toInt());
    const int hour = match.captured(4).toInt();
    const int minute = match.captured(5).toInt();
    if (!date.isValid() || hour > 23 || minute > 59) return std::nullopt;
    int sequence = 1;
    if (!match.captured(6).isEmpty()) {
        sequence = match.captured(6).toInt();
        if (sequence < 2) return std::nullopt; // "-1" is never written
    }
    return TBackupName{date, QTime(hour, minute), sequence};
}

bool TBackupName::IsNewerThan(const TBackupName& other) const {
    return std::tuple(Date, Time, Sequence) > std::tuple(other.Date, other.Time, other.Sequence);
}
