#include "data/ledgerfile/backup/BackupRotation.h"

#include "data/ledgerfile/backup/BackupName.h"

#include <QSet>
#include <algorithm>
#include <vector>

namespace {

struct TCopy {
    QString FileName;
    TBackupName Name;
};

int MonthNumber(const QDate& date) {
    return date.year() * 12 + date.month() - 1;
}

} // namespace

namespace BackupRotation {

QStringList ToRemove(const QStringList& fileNames, const QDateTime& now) {
    std::vector<TCopy> copies;
    for (const QString& fileName : fileNames)
        if (const auto name = TBackupName::Parse(fileName)) copies.push_back({fileName, *name});
    std::stable_sort(copies.begin(), copies.end(),
                     [](const TCopy& a, const TCopy& b) { return a.Name.IsNewerThan(b.Name); });

    const int firstKeptMonth = MonthNumber(now.date()) - (MonthsKept - 1);
    const TBackupName current = TBackupName::At(now);
    QSet<int> monthsSeen, yearsSeen;
    QStringList removed;
    for (size_t i = 0; i < copies.size(); ++i) {
        const TCopy& copy = copies[i];
        const int month = MonthNumber(copy.Name.Date);
        const int year = copy.Name.Date.year();
        // Newest first, so the first copy met of a month or a year is its newest.
        bool keep = i < size_t(NewestKept);
        if (month >= firstKeptMonth && !monthsSeen.contains(month)) keep = true;
        if (!yearsSeen.contains(year)) keep = true;
        // The copies of now's minute were just made, newest in content whatever the clock said
        // before (copies named later stand before them after the clock was put back).
        if (copy.Name.Date == current.Date && copy.Name.Time == current.Time) keep = true;
        monthsSeen.insert(month);
        yearsSeen.insert(year);
        if (!keep) removed << copy.FileName;
    }
    return removed;
}

} // namespace BackupRotation
