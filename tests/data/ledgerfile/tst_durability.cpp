#include "SaveSequence.h"

#include "data/DataModule.h"
#include "data/ledgerfile/LedgerJournal.h"
#include "data/ledgerfile/LedgerLock.h"
#include "data/query/Query.h"
#include "data/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

// What the ledger holds after the program was killed while saving: every save it reported done,
// nothing half-written, and a ledger the next start opens (and locks) as usual.
class TestDurability : public QObject {
    Q_OBJECT

    QString FSaver;
    QString FPreviousDir;

    static QString LedgerIn(const QTemporaryDir& dir) {
        return dir.filePath(QStringLiteral("DataBase/Hearthbook.mdb"));
    }

    // The files in the ledger's folder.
    static QStringList FolderFiles(const QTemporaryDir& dir) {
        return QDir(dir.filePath(QStringLiteral("DataBase")))
            .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    // Bytes 18 and 19 of an SQLite file: 1 and 1 for a rollback journal, 2 and 2 for a log.
    static QByteArray JournalBytes(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return {};
        return file.read(20).mid(18, 2);
    }

    static QVariant Pragma(QSqlDatabase& connection, const QString& name) {
        QSqlQuery query(connection);
        if (!query.exec(QStringLiteral("pragma ") + name) || !query.next()) return {};
        return query.value(0);
    }

    // Complete output lines of the saver, each "<step> <key>".
    static QStringList Lines(QByteArray& pending, QProcess& process) {
        pending += process.readAllStandardOutput();
        QStringList lines;
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            lines << QString::fromUtf8(pending.left(end));
            pending.remove(0, end + 1);
        }
        return lines;
    }

    // Opens the ledger in dir the way the program does and checks that the table holds exactly
    // the saves of the first `reported` steps, or of one more (a save that was done when the
    // saver was killed, before it could say so).
    void CheckLedger(const QTemporaryDir& dir, const TSaveSequence& sequence, int reported,
                     const QString& context) {
        QDir::setCurrent(dir.path());
        TLedgerLock lock(Schema::DatabasePath);
        QVERIFY2(lock.TryLock(), qPrintable(context + lock.RefusalText()));
        TdmMain dataModule;
        dataModule.Open();
        QCOMPARE(Pragma(dataModule.cnHearthbook, QStringLiteral("integrity_check")).toString(),
                 QStringLiteral("ok"));
        TQuery query(dataModule.cnHearthbook);
        query.SQL = QStringList{sequence.Select()};
        query.Open();
        const TSaveSequence::TRecords found = sequence.Read(query);
        const QString reportedDifference =
            TSaveSequence::Difference(sequence.After(reported), found);
        if (!reportedDifference.isEmpty()) {
            const QString oneMoreDifference =
                TSaveSequence::Difference(sequence.After(reported + 1), found);
            QVERIFY2(oneMoreDifference.isEmpty(),
                     qPrintable(QStringLiteral("%1: %2 steps reported saved\n%3")
                                    .arg(context)
                                    .arg(reported)
                                    .arg(reportedDifference)));
        }
        // The other table is untouched, and the ledger takes a new record.
        QSqlQuery other(dataModule.cnHearthbook);
        QVERIFY(other.exec(QStringLiteral("insert into bPerson (PersonName) values ('新成员')")));
    }

private Q_SLOTS:
    void initTestCase() {
        FSaver = QCoreApplication::applicationDirPath() + QStringLiteral("/ledgersaver");
        QVERIFY2(QFileInfo(FSaver).isExecutable(), qPrintable(FSaver));
        FPreviousDir = QDir::currentPath();
    }

    void cleanup() { QDir::setCurrent(FPreviousDir); }

    // A new ledger is made with a rollback journal, not a log.
    void aNewLedgerUsesTheRollbackJournal() {
        QTemporaryDir dir;
        Schema::CreateDatabase(LedgerIn(dir));
        QCOMPARE(JournalBytes(LedgerIn(dir)), QByteArray("\x01\x01"));
        QCOMPARE(FolderFiles(dir), QStringList{QStringLiteral("Hearthbook.mdb")});
    }

    // Every open sets the journal and the flushing; closed, the ledger is one file again.
    void everyOpenSetsTheJournal() {
        QTemporaryDir dir;
        Schema::CreateDatabase(LedgerIn(dir));
        QDir::setCurrent(dir.path());
        {
            TdmMain dataModule;
            dataModule.Open();
            QCOMPARE(Pragma(dataModule.cnHearthbook, QStringLiteral("journal_mode")).toString(),
                     LedgerJournal::JournalMode);
            QCOMPARE(Pragma(dataModule.cnHearthbook, QStringLiteral("synchronous")).toInt(),
                     LedgerJournal::Synchronous);
            QSqlQuery insert(dataModule.cnHearthbook);
            QVERIFY(insert.exec(
                QStringLiteral("insert into fDiary (DiaryID, Diary) values (1, '记')")));
        }
        QCOMPARE(FolderFiles(dir), QStringList{QStringLiteral("Hearthbook.mdb")});
    }

    // A ledger left with a write-ahead log beside it (a crash of some other tool that set
    // one): the open folds the log into the file, so the file alone holds every record.
    void aLedgerWithALogBecomesOneFileAgain() {
        QTemporaryDir source;
        QTemporaryDir crashed;
        Schema::CreateDatabase(LedgerIn(source));
        QVERIFY(QDir(crashed.path()).mkpath(QStringLiteral("DataBase")));
        {
            auto connection =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("log"));
            connection.setDatabaseName(LedgerIn(source));
            QVERIFY(connection.open());
            QSqlQuery query(connection);
            QVERIFY(query.exec(QStringLiteral("pragma journal_mode = wal")));
            QVERIFY(query.exec(
                QStringLiteral("insert into fDiary (DiaryID, Diary) values (1, '日志中的记录')")));
            // The files as a crash at this moment leaves them: the record is in the log only.
            QVERIFY(QFile::copy(LedgerIn(source), LedgerIn(crashed)));
            QVERIFY(QFile::copy(LedgerIn(source) + QStringLiteral("-wal"),
                                LedgerIn(crashed) + QStringLiteral("-wal")));
            query = QSqlQuery();
            connection.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("log"));
        QCOMPARE(JournalBytes(LedgerIn(crashed)), QByteArray("\x02\x02"));

        QDir::setCurrent(crashed.path());
        {
            TdmMain dataModule;
            dataModule.Open();
            QCOMPARE(Pragma(dataModule.cnHearthbook, QStringLiteral("journal_mode")).toString(),
                     LedgerJournal::JournalMode);
        }
        QCOMPARE(FolderFiles(crashed), QStringList{QStringLiteral("Hearthbook.mdb")});
        QCOMPARE(JournalBytes(LedgerIn(crashed)), QByteArray("\x01\x01"));
        // A copy of the file alone has the record.
        QTemporaryDir copy;
        QVERIFY(QDir(copy.path()).mkpath(QStringLiteral("DataBase")));
        QVERIFY(QFile::copy(LedgerIn(crashed), LedgerIn(copy)));
        QDir::setCurrent(copy.path());
        TdmMain dataModule;
        dataModule.Open();
        QSqlQuery query(dataModule.cnHearthbook);
        QVERIFY(query.exec(QStringLiteral("select Diary from fDiary where DiaryID = 1")));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toString(), QStringLiteral("日志中的记录"));
    }

    // The check finds a lost save, a changed value and a record too many.
    void theCheckFindsWhatIsWrong() {
        const TSaveSequence sequence(TSaveSequence::Payout);
        const TSaveSequence::TRecords full = sequence.After(12);
        QVERIFY(TSaveSequence::Difference(full, full).isEmpty());
        QVERIFY(TSaveSequence::Difference(full, sequence.After(11))
                    .contains(QStringLiteral("missing")));
        QVERIFY(TSaveSequence::Difference(sequence.After(11), full)
                    .contains(QStringLiteral("unexpected")));
        TSaveSequence::TRecords changed = full;
        changed[3][QStringLiteral("Payout")] = QStringLiteral("别的内容");
        QVERIFY(TSaveSequence::Difference(full, changed).contains(QStringLiteral("record 3")));
        // Step 9 rewrites a record: the ledger before and after it differ.
        QVERIFY(sequence.Step(9).Edit);
        QVERIFY(!TSaveSequence::Difference(sequence.After(9), sequence.After(10)).isEmpty());
    }

    // Unkilled, the saver's records are exactly those the sequence says.
    void theSaverWritesTheSequence() {
        for (const auto table : {TSaveSequence::Payout, TSaveSequence::Diary}) {
            const TSaveSequence sequence(table);
            QTemporaryDir dir;
            Schema::CreateDatabase(LedgerIn(dir));
            QProcess saver;
            saver.start(FSaver, {dir.path(), table == TSaveSequence::Payout ? "payout" : "diary",
                                 QStringLiteral("40")});
            QVERIFY(saver.waitForFinished(60000));
            QVERIFY2(saver.exitCode() == 0, saver.readAllStandardError().constData());
            QByteArray pending;
            const QStringList lines = Lines(pending, saver);
            QCOMPARE(lines.size(), 40);
            QCOMPARE(lines.last(), QStringLiteral("39 %1").arg(sequence.Step(39).Key));
            CheckLedger(dir, sequence, 40, sequence.TableName());
            if (QTest::currentTestFailed()) return;
            QDir::setCurrent(FPreviousDir);
            // The saver ended normally: only the ledger is left, no journal and no lock.
            QCOMPARE(FolderFiles(dir), QStringList{QStringLiteral("Hearthbook.mdb")});
        }
    }

    void killWhileSaving_data() {
        QTest::addColumn<int>("table");
        QTest::addColumn<int>("lines"); // kill once this many saves were reported
        QTest::addColumn<int>("delay"); // or this many ms after the first report
        QTest::newRow("payout, after 50") << int(TSaveSequence::Payout) << 50 << -1;
        QTest::newRow("diary, after 300") << int(TSaveSequence::Diary) << 300 << -1;
        QTest::newRow("payout, after 1000") << int(TSaveSequence::Payout) << 1000 << -1;
        QTest::newRow("diary, after the first") << int(TSaveSequence::Diary) << 1 << -1;
        QTest::newRow("payout, 37 ms in") << int(TSaveSequence::Payout) << 1 << 37;
        for (int round = 0; round < 3; ++round)
            QTest::addRow("%s, random moment %d", round % 2 ? "diary" : "payout", round)
                << int(round % 2 ? TSaveSequence::Diary : TSaveSequence::Payout) << 1
                << int(QRandomGenerator::global()->bounded(500));
    }

    void killWhileSaving() {
        QFETCH(int, table);
        QFETCH(int, lines);
        QFETCH(int, delay);
        const TSaveSequence sequence(static_cast<TSaveSequence::TTable>(table));
        QTemporaryDir dir;
        Schema::CreateDatabase(LedgerIn(dir));

        QProcess saver;
        saver.start(FSaver, {dir.path(), table == TSaveSequence::Payout ? "payout" : "diary"});
        QVERIFY(saver.waitForStarted());
        QByteArray pending;
        QStringList reported;
        while (reported.size() < lines) {
            QVERIFY2(saver.waitForReadyRead(60000),
                     saver.readAllStandardError().constData()); // it ended or hangs
            reported += Lines(pending, saver);
        }
        if (delay > 0) QThread::msleep(delay);
        saver.kill();
        QVERIFY(saver.waitForFinished(60000));
        QCOMPARE(saver.exitStatus(), QProcess::CrashExit);
        reported += Lines(pending, saver);

        // The reports are the steps in order, each naming the key the step saves.
        for (int index = 0; index < reported.size(); ++index)
            QCOMPARE(reported[index],
                     QStringLiteral("%1 %2").arg(index).arg(sequence.Step(index).Key));
        // The killed saver's lock is still there, naming a process that has gone.
        QVERIFY(QFileInfo::exists(TLedgerLock::LockPathOf(LedgerIn(dir))));
        const QString context =
            QStringLiteral("killed after %1 reported saves").arg(reported.size());
        CheckLedger(dir, sequence, int(reported.size()), context);
    }
};

QTEST_GUILESS_MAIN(TestDurability)
#include "tst_durability.moc"
