#include "data/ledgerfile/backup/BackupName.h"
#include "data/ledgerfile/backup/BackupRotation.h"

#include <QSet>
#include <QTest>

// Names of backup copies and which of them the rotation keeps, on made-up folders.
class TestBackupRotation : public QObject {
    Q_OBJECT

    static QString Name(int year, int month, int day, int hour = 18, int minute = 30,
                        int sequence = 1) {
        return TBackupName{QDate(year, month, day), QTime(hour, minute), sequence}.FileName();
    }

    // One copy a day at 18:30 from first to last, inclusive.
    static QStringList Daily(const QDate& first, const QDate& last) {
        QStringList names;
        for (QDate day = first; day <= last; day = day.addDays(1))
            names << Name(day.year(), day.month(), day.day());
        return names;
    }

    static QStringList Kept(const QStringList& names, const QDateTime& now) {
        const QStringList removed = BackupRotation::ToRemove(names, now);
        QStringList kept;
        for (const QString& name : names)
            if (!removed.contains(name)) kept << name;
        return kept;
    }

    static QDateTime At(int year, int month, int day, int hour = 20, int minute = 0) {
        return QDateTime(QDate(year, month, day), QTime(hour, minute));
    }

private Q_SLOTS:
    void namesCarryTheDateMinuteAndSuffix() {
        const TBackupName first = TBackupName::At(At(2026, 12, 7, 18, 30).addSecs(59));
        QCOMPARE(first.FileName(), QStringLiteral("Hearthbook-20261207-1830.mdb"));
        QCOMPARE(TBackupName::At(At(2026, 12, 7, 8, 5), 2).FileName(),
                 QStringLiteral("Hearthbook-20261207-0805-2.mdb"));
        const auto parsed = TBackupName::Parse(QStringLiteral("Hearthbook-20261207-0805-12.mdb"));
        QVERIFY(parsed);
        QCOMPARE(parsed->Date, QDate(2026, 12, 7));
        QCOMPARE(parsed->Time, QTime(8, 5));
        QCOMPARE(parsed->Sequence, 12);
        QCOMPARE(parsed->DateText(), QStringLiteral("2026年12月7日 08:05"));
        QCOMPARE(TBackupName::Parse(first.FileName())->Sequence, 1);
    }

    void otherNamesAreNoBackups_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("ledger") << "Hearthbook.mdb";
        QTest::newRow("damaged ledger") << "Hearthbook-damaged-20261207-183000.mdb";
        QTest::newRow("partial copy") << ".Hearthbook-20261207-1830.mdb.0a1b.partial";
        QTest::newRow("no such day") << "Hearthbook-20260230-1830.mdb";
        QTest::newRow("no such hour") << "Hearthbook-20261207-2430.mdb";
        QTest::newRow("no such minute") << "Hearthbook-20261207-1860.mdb";
        QTest::newRow("suffix 1") << "Hearthbook-20261207-1830-1.mdb";
        QTest::newRow("suffix 0") << "Hearthbook-20261207-1830-0.mdb";
        QTest::newRow("leading zero") << "Hearthbook-20261207-1830-02.mdb";
        QTest::newRow("other extension") << "Hearthbook-20261207-1830.mdb.bak";
        QTest::newRow("journal") << "Hearthbook-20261207-1830.mdb-journal";
        QTest::newRow("other prefix") << "Ledger-20261207-1830.mdb";
        QTest::newRow("short date") << "Hearthbook-2026127-1830.mdb";
    }
    void otherNamesAreNoBackups() {
        QFETCH(QString, name);
        QVERIFY(!TBackupName::Parse(name));
        // never chosen for removal, however many copies surround it
        QStringList names = Daily(QDate(2020, 1, 1), QDate(2026, 12, 7));
        names << name;
        QVERIFY(!BackupRotation::ToRemove(names, At(2026, 12, 7)).contains(name));
    }

    void newerOrdersByMinuteThenSuffix() {
        const TBackupName a{QDate(2026, 12, 7), QTime(18, 30), 1};
        const TBackupName b{QDate(2026, 12, 7), QTime(18, 30), 2};
        const TBackupName c{QDate(2026, 12, 7), QTime(18, 31), 1};
        QVERIFY(b.IsNewerThan(a));
        QVERIFY(c.IsNewerThan(b));
        QVERIFY(!a.IsNewerThan(a));
        QVERIFY(!a.IsNewerThan(c));
    }

    // Up to ten copies within one day are all kept; the eleventh newest goes.
    void keepsExactlyTheNewestTen() {
        QStringList names;
        for (int minute = 0; minute < 10; ++minute)
            names << Name(2026, 12, 7, 9, minute);
        QVERIFY(BackupRotation::ToRemove(names, At(2026, 12, 7)).isEmpty());
        names.prepend(Name(2026, 12, 7, 8, 59));
        // the month's and year's newest copy is among the ten, so the oldest of the eleven goes
        QCOMPARE(BackupRotation::ToRemove(names, At(2026, 12, 7)),
                 QStringList{Name(2026, 12, 7, 8, 59)});
    }

    // Copies of one minute with suffixes: the suffix counts as newer.
    void suffixCopiesRotateInOrder() {
        QStringList names;
        for (int sequence = 1; sequence <= 12; ++sequence)
            names << Name(2026, 12, 7, 18, 30, sequence);
        const QStringList removed = BackupRotation::ToRemove(names, At(2026, 12, 7));
        QCOMPARE(removed, (QStringList{Name(2026, 12, 7, 18, 30, 2), Name(2026, 12, 7, 18, 30)}));
    }

    // A copy a day for seven years: the newest ten, one per month for the twelve months up to
    // now's, one per year.
    void keepsTenMonthsAndYears() {
        const QStringList names = Daily(QDate(2020, 1, 1), QDate(2026, 12, 7));
        const QStringList kept = Kept(names, At(2026, 12, 7));
        QStringList expected = Daily(QDate(2026, 11, 28), QDate(2026, 12, 7)); // the newest ten
        for (int month = 1; month <= 11; ++month)
            expected << Name(2026, month, QDate(2026, month, 1).daysInMonth());
        for (int year = 2020; year <= 2025; ++year)
            expected << Name(year, 12, 31);
        QCOMPARE(QSet<QString>(kept.begin(), kept.end()),
                 QSet<QString>(expected.begin(), expected.end()));
        QCOMPARE(kept.size(), 10 + 10 + 6); // 30 November is both among the ten and its month's
    }

    // The month twelve months back is outside the window: December 2025 seen from December
    // 2026 keeps only its year's copy, January 2026 its month's.
    void monthWindowBoundary() {
        const QStringList names{Name(2025, 11, 30), Name(2025, 12, 1), Name(2025, 12, 31, 10),
                                Name(2026, 1, 1), Name(2026, 1, 31)};
        QStringList filled = names;
        for (int minute = 0; minute < 10; ++minute) // ten newer copies today
            filled << Name(2026, 12, 7, 9, minute);
        const QStringList removed = BackupRotation::ToRemove(filled, At(2026, 12, 7));
        QCOMPARE(QSet<QString>(removed.begin(), removed.end()),
                 (QSet<QString>{Name(2025, 11, 30), Name(2025, 12, 1), Name(2026, 1, 1)}));
        // a month later January 2026 falls out of the window too; its copy is not the year's
        filled << Name(2027, 1, 5);
        const QStringList later = BackupRotation::ToRemove(filled, At(2027, 1, 5));
        QVERIFY(later.contains(Name(2026, 1, 31)));
        QVERIFY(!later.contains(Name(2025, 12, 31, 10))); // the year 2025's newest
    }

    // Year boundary: the last copy of the old year is its year's copy even when it was made a
    // minute before midnight and the new year's first copy a minute after.
    void yearBoundary() {
        QStringList names{Name(2024, 12, 31, 23, 58), Name(2024, 12, 31, 23, 59)};
        names << Name(2025, 1, 1, 0, 0) << Name(2025, 1, 1, 0, 1);
        for (int minute = 0; minute < 10; ++minute)
            names << Name(2026, 12, 7, 9, minute);
        const QStringList removed = BackupRotation::ToRemove(names, At(2026, 12, 7));
        QCOMPARE(QSet<QString>(removed.begin(), removed.end()),
                 (QSet<QString>{Name(2024, 12, 31, 23, 58), Name(2025, 1, 1, 0, 0)}));
    }

    // The clock was put back (a time zone crossed, a wrong time corrected): copies of later
    // that day already fill the newest ten. The copy just made, named for now, holds the
    // ledger's latest state and stays.
    void keepsTheCopyOfNowWhenTheClockWentBack() {
        QStringList names;
        for (int minute = 0; minute < 10; ++minute)
            names << Name(2026, 12, 7, 21, minute);
        const QDateTime now = At(2026, 12, 7, 9, 15);
        names << TBackupName::At(now).FileName() << TBackupName::At(now, 2).FileName();
        const QStringList removed = BackupRotation::ToRemove(names, now);
        QVERIFY2(removed.isEmpty(), qPrintable(removed.join(u' ')));
    }

    void fewCopiesAreAllKept() {
        QVERIFY(BackupRotation::ToRemove({}, At(2026, 12, 7)).isEmpty());
        const QStringList names{Name(2001, 1, 1), Name(2013, 6, 1), Name(2026, 12, 7)};
        QVERIFY(BackupRotation::ToRemove(names, At(2026, 12, 7)).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBackupRotation)
#include "tst_backuprotation.moc"
