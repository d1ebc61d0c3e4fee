#pragma once

#include <QDateTime>
#include <QStringList>

// Which backup copies to keep. The newest copies cover the last few runs, one copy per month
// the last year, and one copy per year every year before: a mistake found late can still be
// undone from a copy made before it, while the folder grows by about one file a year.
namespace BackupRotation {

// The newest this many copies are always kept.
inline constexpr int NewestKept = 10;
// The newest copy of each of this many calendar months (the month of now and those before it).
inline constexpr int MonthsKept = 12;

// The names among fileNames to remove, given the time now; the newest first. Only names of
// backup copies (TBackupName) are ever chosen, whatever else the folder holds. Besides the
// newest NewestKept copies, the newest copy of each of the last MonthsKept months and the
// newest copy of each year are kept, and so are the copies of now's minute.
QStringList ToRemove(const QStringList& fileNames, const QDateTime& now);

} // namespace BackupRotation
