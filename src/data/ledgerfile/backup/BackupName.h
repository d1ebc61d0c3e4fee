#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <optional>

// The names of the ledger's backup copies: Hearthbook-YYYYMMDD-HHMM.mdb with the local date and
// minute of the copy, and -2, -3, … after the minute for later copies made in the same minute.
struct TBackupName {
    QDate Date;
    QTime Time;       // hours and minutes
    int Sequence = 1; // 1 for the first copy of its minute, 2 for the one with -2, …

    // The file name, without a folder.
    QString FileName() const;
    // The date and minute in words, for messages ("2026年12月7日 18:30").
    QString DateText() const;

    // The copy's name for a moment (seconds are dropped).
    static TBackupName At(const QDateTime& time, int sequence = 1);
    // The parts of a backup's file name; nothing for any other name (wrong prefix or extension,
    // a date or time that does not exist, a suffix below 2 or with a leading zero).
    static std::optional<TBackupName> Parse(const QString& fileName);

    // Newer first: by date, time and sequence.
    bool IsNewerThan(const TBackupName& other) const;
};
