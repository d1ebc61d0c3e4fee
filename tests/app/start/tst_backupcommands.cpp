#include "Files.h"
#include "Pipe.h"
#include "ProgramRun.h"

#include "data/ledgerfile/backup/BackupName.h"
#include "data/ledgerfile/LedgerCheck.h"
#include "data/ledgerfile/LedgerLock.h"
#include "data/Schema.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>


namespace {

TProgramRun Run(const QString& folder, const QStringList& arguments, qint64 fileSizeLimit = 0) {
    return RunProgram(folder, arguments, {.FileSizeLimit = fileSizeLimit});
}

// The system calls that rename, link or remove a file.
const QStringList FileNameCalls{"rename", "renameat", "renameat2", "link",
                                "linkat", "unlink",   "unlinkat"};

// Runs the program in folder under strace, killed as it enters its step-th call of one kind
// (strace counts each kind on its own); the exit code when it made fewer such calls, else -1.
int RunKilledAt(const QString& folder, const QStringList& arguments, const QString& call,
                int step) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start("strace",
                  QStringList{"-f", "-qq", "-o", "/dev/null", "-e", "trace=" + call, "-e",
                              QStringLiteral("inject=%1:signal=KILL:when=%2").arg(call).arg(step),
                              PENNYVALE_PROGRAM} +
                      arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QStringList Files(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// Runs statements on a ledger file through a connection of the test's own.
void Exec(const QString& path, const QStringList& statements) {
    {
        auto connection = QSqlDatabase::addDatabase("QSQLITE", "test-exec");
        connection.setDatabaseName(path);
        QVERIFY(connection.open());
        QSqlQuery query(connection);
        for (const QString& sql : statements)
            QVERIFY2(query.exec(sql), qPrintable(sql + ": " + query.lastError().text()));
    }
    QSqlDatabase::removeDatabase("test-exec");
}

// A new ledger in folder, made by the program's create step.
QString CreateLedger(const QString& folder) {
    const TProgramRun run = Run(folder, {"--create-database"});
    if (run.ExitCode != 0) qWarning("create: %s", qPrintable(run.Err));
    return QDir(folder).filePath(Schema::DatabasePath);
}

// Adds rows of records to a ledger: 3000 make it about a megabyte and a half.
void AddRecords(const QString& path, int first, int count) {
    Exec(path, {QStringLiteral(
                    "with recursive n(i) as (select %1 union all select i + 1 from n where i < %2) "
                    "insert into fPayout (PayoutID, ItemProjectID, Payout, PayoutAccount, UseDate, "
                    "PersonName, Memos, ItemType, MonthNum, YearNum, QuarterNum) "
                    "select i, 7, '午饭' || i, 25, 46363, '家长', printf('%.150c', '记'), '支出', "
                    "12, 2026, 4 from n")
                    .arg(first)
                    .arg(first + count - 1)});
}

// A copy in folder of the ledger as a run leaves it that was killed in the middle of a save:
// the file partly written, beside it the journal that undoes the save at the next open.
void CopyInterruptedSave(const QString& ledger, const QString& folder) {
    {
        auto connection = QSqlDatabase::addDatabase("QSQLITE", "interrupted");
        connection.setDatabaseName(ledger);
        QVERIFY(connection.open());
        QSqlQuery query(connection);
        // a small page cache spills the change into the file before the commit
        QVERIFY(query.exec("pragma cache_size = 10"));
        QVERIFY(query.exec("begin"));
        QVERIFY(query.exec("delete from fPayout"));
        const QString copy = QDir(folder).filePath(Schema::DatabasePath);
        QVERIFY(QDir().mkpath(QFileInfo(copy).path()));
        QVERIFY(QFile::copy(ledger, copy));
        QVERIFY(QFile::copy(ledger + "-journal", copy + "-journal"));
        QVERIFY(query.exec("rollback"));
    }
    QSqlDatabase::removeDatabase("interrupted");
}

} // namespace

// The backup commands of the real program: --backup writes a copy now, --restore FILE puts one
// in place; and what a start does with the ledger's backups.
class TestBackupCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void backupWritesACheckedCopy() {
        QTemporaryDir dir;
        CreateLedger(dir.path());
        const TProgramRun run = Run(dir.path(), {"--backup"});
        QCOMPARE(run.ExitCode, 0);
        const QString folder = dir.filePath("DataBase/Backup");
        const QStringList copies = Files(folder);
        QCOMPARE(copies.size(), 1);
        QVERIFY2(TBackupName::Parse(copies[0]), qPrintable(copies[0]));
        QVERIFY2(run.Out.contains(QDir(folder).filePath(copies[0])), qPrintable(run.Out));
        QCOMPARE(LedgerCheck::CheckFile(QDir(folder).filePath(copies[0])), TLedgerProblem::None);
        // a second copy never overwrites the first
        QCOMPARE(Run(dir.path(), {"--backup"}).ExitCode, 0);
        QCOMPARE(Files(folder).size(), 2);
    }

    void backupWithoutLedger() {
        QTemporaryDir dir;
        const TProgramRun run = Run(dir.path(), {"--backup"});
        QCOMPARE(run.ExitCode, 1);
        QVERIFY2(run.Err.contains(QStringLiteral("找不到")), qPrintable(run.Err));
        QVERIFY(!QFileInfo::exists(dir.filePath("DataBase")));
    }

    // The copy grows past what the system lets the program write, as on a full disk: the failure
    // names the folder and the cause; the ledger, the earlier copy and the folder are as before.
    void backupStoppedByTheFileSizeLimit() {
        QTemporaryDir dir;
        const QString ledger = CreateLedger(dir.path());
        AddRecords(ledger, 1, 3000);
        QCOMPARE(Run(dir.path(), {"--backup"}).ExitCode, 0);
        const QString folder = dir.filePath("DataBase/Backup");
        const QStringList before = Files(folder);
        QCOMPARE(before.size(), 1);
        const QByteArray earlier = ReadAll(QDir(folder).filePath(before[0]));
        const QByteArray ledgerBytes = ReadAll(ledger);

        const TProgramRun run = Run(dir.path(), {"--backup"}, 256 * 1024);
        QCOMPARE(run.ExitCode, 1);
        QVERIFY2(run.Err.contains(folder), qPrintable(run.Err));
        QVERIFY2(run.Err.contains(QStringLiteral("文件超过了允许的大小")) ||
                     run.Err.contains(QStringLiteral("磁盘空间不足")),
                 qPrintable(run.Err));
        QCOMPARE(Files(folder), before);
        QCOMPARE(ReadAll(QDir(folder).filePath(before[0])), earlier);
        QCOMPARE(ReadAll(ledger), ledgerBytes);
    }

    // The last run was killed while saving: the copy cannot be read until the program's next
    // start has undone the unfinished save. Said so, naming the ledger's journal, and nothing
    // is changed.
    void backupOfALedgerWithAnUnfinishedSave() {
        QTemporaryDir source, dir;
        const QString file = CreateLedger(source.path());
        AddRecords(file, 1, 3000);
        CopyInterruptedSave(file, dir.path());
        const QString ledger = dir.filePath(Schema::DatabasePath);
        const QByteArray before = ReadAll(ledger);
        const QByteArray journal = ReadAll(ledger + "-journal");
        QVERIFY(!journal.isEmpty());

        const TProgramRun run = Run(dir.path(), {"--backup"});
        QCOMPARE(run.ExitCode, 1);
        QVERIFY2(run.Err.contains(QStringLiteral("没有正常关闭")), qPrintable(run.Err));
        QVERIFY2(run.Err.contains(ledger + "-journal"), qPrintable(run.Err));
        QVERIFY2(run.Err.contains(QStringLiteral("先启动一次本程序")), qPrintable(run.Err));
        QCOMPARE(ReadAll(ledger), before);
        QCOMPARE(ReadAll(ledger + "-journal"), journal);
        QCOMPARE(Files(dir.filePath("DataBase/Backup")), QStringList());
    }

    // A file with a save left unfinished beside it cannot be checked read-only: refused, saying
    // so in plain words, and nothing changes on either side.
    void restoreOfAFileWithAnUnfinishedSave() {
        QTemporaryDir source, left, target;
        const QString file = CreateLedger(source.path());
        AddRecords(file, 1, 3000);
        CopyInterruptedSave(file, left.path());
        const QString interrupted = left.filePath(Schema::DatabasePath);
        const QByteArray journal = ReadAll(interrupted + "-journal");
        const QString ledger = CreateLedger(target.path());
        const QByteArray old = ReadAll(ledger);

        const TProgramRun run = Run(target.path(), {"--restore", interrupted});
        QCOMPARE(run.ExitCode, 1);
        QVERIFY2(run.Err.contains(QStringLiteral("没有正常关闭")) &&
                     run.Err.contains(interrupted + "-journal"),
                 qPrintable(run.Err));
        QVERIFY2(!run.Err.contains(QStringLiteral("readonly")), qPrintable(run.Err));
        QCOMPARE(ReadAll(ledger), old);
        QCOMPARE(ReadAll(interrupted + "-journal"), journal);
    }

    void restorePutsACopyInPlaceAndKeepsTheLedger() {
        QTemporaryDir source, target;
        const QString sourceLedger = CreateLedger(source.path());
        AddRecords(sourceLedger, 1, 5);
        QCOMPARE(Run(source.path(), {"--backup"}).ExitCode, 0);
        const QString backup = QDir(source.filePath("DataBase/Backup"))
                                   .filePath(Files(source.filePath("DataBase/Backup"))[0]);
        const QByteArray backupBytes = ReadAll(backup);
        const QString ledger = CreateLedger(target.path());
        const QByteArray old = ReadAll(ledger);

        const TProgramRun run = Run(target.path(), {"--restore", backup});
        QCOMPARE(run.ExitCode, 0);
        QCOMPARE(ReadAll(ledger), backupBytes);
        QCOMPARE(ReadAll(backup), backupBytes);
        const QStringList files = Files(target.filePath("DataBase"));
        QCOMPARE(files.size(), 2);
        const QString kept = files[0];
        QVERIFY2(kept.startsWith("Hearthbook-replaced-") && kept.endsWith(".mdb"),
                 qPrintable(kept));
        QCOMPARE(ReadAll(target.filePath("DataBase/" + kept)), old);
        QVERIFY2(run.Out.contains(target.filePath("DataBase/" + kept)), qPrintable(run.Out));
        QVERIFY2(run.Out.contains(backup), qPrintable(run.Out));
        // a second restore keeps the first restored ledger too
        QCOMPARE(Run(target.path(), {"--restore", backup}).ExitCode, 0);
        QCOMPARE(Files(target.filePath("DataBase")).size(), 3);
    }

    // Files SQLite keeps beside the ledger after a crash belong to it and go with it; left in
    // place they would be read into the restored copy.
    void restoreTakesTheLedgersJournalsAlong() {
        QTemporaryDir source, dir;
        const QString file = CreateLedger(source.path());
        const QString ledger = CreateLedger(dir.path());
        WriteAll(ledger + "-wal", "the old ledger's log");
        WriteAll(ledger + "-journal", "the old ledger's journal");
        QCOMPARE(Run(dir.path(), {"--restore", file}).ExitCode, 0);
        const QStringList files = Files(dir.filePath("DataBase"));
        QCOMPARE(files.size(), 4);
        QVERIFY(!files.contains("Hearthbook.mdb-wal"));
        QVERIFY(!files.contains("Hearthbook.mdb-journal"));
        const QString kept = dir.filePath("DataBase/" + files[0]);
        QVERIFY2(files[0].startsWith("Hearthbook-replaced-"), qPrintable(files[0]));
        QCOMPARE(ReadAll(kept + "-wal"), QByteArray("the old ledger's log"));
        QCOMPARE(ReadAll(kept + "-journal"), QByteArray("the old ledger's journal"));
        QCOMPARE(ReadAll(ledger), ReadAll(file));
    }

    // A restore killed at any rename, link or removal leaves a ledger under the ledger's name,
    // the one that was there or the restored copy, and the one that was there is never lost.
    void restoreKilledAtAnyStepLeavesALedger() {
        QProcess probe;
        probe.start("strace", {"-o", "/dev/null", "true"});
        if (!probe.waitForFinished() || probe.exitStatus() != QProcess::NormalExit ||
            probe.exitCode() != 0)
            QSKIP("strace cannot trace a program here");
        QTemporaryDir source;
        const QString file = CreateLedger(source.path());
        AddRecords(file, 1, 5);
        const QByteArray restored = ReadAll(file);
        int kills = 0;
        for (const QString& call : FileNameCalls) {
            int exitCode = -1;
            for (int step = 1; exitCode == -1 && step <= 30; ++step) {
                QTemporaryDir dir;
                const QString ledger = CreateLedger(dir.path());
                const QByteArray old = ReadAll(ledger);
                exitCode = RunKilledAt(dir.path(), {"--restore", file}, call, step);
                if (exitCode == -1) ++kills;
                const QString at = QStringLiteral("killed at %1 number %2").arg(call).arg(step);
                QVERIFY2(QFileInfo::exists(ledger), qPrintable(at));
                const QByteArray now = ReadAll(ledger);
                QVERIFY2(now == old || now == restored, qPrintable(at));
                bool oldKept = now == old;
                for (const QString& name : Files(dir.filePath("DataBase")))
                    if (name.startsWith("Hearthbook-replaced-") && name.endsWith(".mdb"))
                        oldKept = oldKept || ReadAll(dir.filePath("DataBase/" + name)) == old;
                QVERIFY2(oldKept, qPrintable(at));
            }
            QCOMPARE(exitCode, 0);
        }
        QVERIFY(kills >= 2); // at least the two steps that give the ledger's file its names
    }

    void restoreRefusesUnusableFiles_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("words");
        QTest::newRow("damaged") << "damaged" << QStringLiteral("已损坏");
        QTest::newRow("other database") << "foreign" << QStringLiteral("不是本程序的账本");
        QTest::newRow("text file") << "text" << QStringLiteral("不是本程序的账本");
        QTest::newRow("missing") << "missing" << QStringLiteral("找不到文件");
        QTest::newRow("empty") << "empty" << QStringLiteral("是空的");
    }
    void restoreRefusesUnusableFiles() {
        QFETCH(QString, kind);
        QFETCH(QString, words);
        QTemporaryDir dir, other;
        const QString ledger = CreateLedger(dir.path());
        const QByteArray ledgerBytes = ReadAll(ledger);
        const QString file = other.filePath("offered.mdb");
        if (kind == "damaged") {
            QVERIFY(QFile::copy(ledger, file));
            Scribble(file, 4096, 4096);
        } else if (kind == "foreign") {
            Exec(file, {"create table t (a)", "insert into t values (1)"});
        } else if (kind == "text") {
            WriteAll(file, QByteArray(8192, 'x'));
        } else if (kind == "empty") {
            WriteAll(file, {});
        }
        const TProgramRun run = Run(dir.path(), {"--restore", file});
        QCOMPARE(run.ExitCode, 1);
        QVERIFY2(run.Err.contains(words), qPrintable(run.Err));
        QVERIFY2(run.Err.contains(QStringLiteral("没有改动")), qPrintable(run.Err));
        QCOMPARE(ReadAll(ledger), ledgerBytes);
        QCOMPARE(Files(dir.filePath("DataBase")), QStringList{"Hearthbook.mdb"});
    }

    // A named pipe given as the copy, or standing at the ledger, or as the journal or log beside
    // either, would be read for ever: refused at once, naming it, and nothing changes.
    void refusesAPipeAtOnce_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("pipeAt");
        QTest::newRow("restore from a pipe") << "--restore"
                                             << "offered.mdb";
        QTest::newRow("restore, the copy's log") << "--restore"
                                                 << "offered.mdb-wal";
        QTest::newRow("backup of a pipe") << "--backup" << Schema::DatabasePath;
        QTest::newRow("backup, the ledger's log") << "--backup" << Schema::DatabasePath + "-wal";
    }
    void refusesAPipeAtOnce() {
        QFETCH(QString, command);
        QFETCH(QString, pipeAt);
        QTemporaryDir dir;
        const QString ledger = CreateLedger(dir.path());
        if (pipeAt != "offered.mdb") QVERIFY(QFile::copy(ledger, dir.filePath("offered.mdb")));
        if (pipeAt == Schema::DatabasePath) QVERIFY(QFile::remove(ledger));
        const QByteArray ledgerBytes = ReadAll(ledger);
        const TPipe pipe(dir.filePath(pipeAt));
        QStringList arguments{command};
        if (command == "--restore") arguments << "offered.mdb";
        const TProgramRun run = Run(dir.path(), arguments);
        QCOMPARE(run.ExitCode, 1);
        QVERIFY2(run.Err.contains(pipe.Path + QStringLiteral(" 不是普通文件，而是一个命名管道")),
                 qPrintable(run.Err));
        QVERIFY(!pipe.Opened());
        if (pipeAt != Schema::DatabasePath) QCOMPARE(ReadAll(ledger), ledgerBytes);
        QCOMPARE(Files(dir.filePath("DataBase")),
                 pipeAt == Schema::DatabasePath ? QStringList() : QStringList{"Hearthbook.mdb"});
    }

    // The ledger is a link to the real file (in a synced folder, on another disk): the restored
    // copy takes the real file's place, the link stays, and the replaced file is kept beside
    // the real one.
    void restoreKeepsALinkedLedgerALink() {
        QTemporaryDir source, dir, synced;
        const QString file = CreateLedger(source.path());
        AddRecords(file, 1, 5);
        const QString real = synced.filePath("Hearthbook.mdb");
        QVERIFY(QFile::copy(CreateLedger(synced.path()), real));
        const QByteArray old = ReadAll(real);
        const QString ledger = dir.filePath(Schema::DatabasePath);
        QVERIFY(QDir().mkpath(QFileInfo(ledger).path()));
        QVERIFY(QFile::link(real, ledger));

        const TProgramRun run = Run(dir.path(), {"--restore", file});
        QCOMPARE(run.ExitCode, 0);
        QCOMPARE(QFileInfo(ledger).symLinkTarget(), real);
        QCOMPARE(ReadAll(real), ReadAll(file));
        const QStringList kept = QDir(synced.path()).entryList({"Hearthbook-replaced-*.mdb"});
        QCOMPARE(kept.size(), 1);
        QCOMPARE(ReadAll(synced.filePath(kept[0])), old);
        QVERIFY2(run.Out.contains(synced.filePath(kept[0])), qPrintable(run.Out));
        QCOMPARE(Files(QFileInfo(ledger).path()), QStringList{"Hearthbook.mdb"});
    }

    // The ledger is in use by a running program: refused, nothing changed.
    void restoreRefusedWhileTheLedgerIsHeld() {
        QTemporaryDir dir, other;
        const QString ledger = CreateLedger(dir.path());
        const QString file = other.filePath("copy.mdb");
        QVERIFY(QFile::copy(ledger, file));
        AddRecords(file, 1, 3);
        const QByteArray ledgerBytes = ReadAll(ledger);
        {
            TLedgerLock lock(ledger);
            QVERIFY(lock.TryLock());
            const TProgramRun run = Run(dir.path(), {"--restore", file});
            QCOMPARE(run.ExitCode, 1);
            QVERIFY2(run.Err.contains(QStringLiteral("已经打开")), qPrintable(run.Err));
            QVERIFY2(run.Err.contains(QStringLiteral("没有恢复")), qPrintable(run.Err));
            QCOMPARE(ReadAll(ledger), ledgerBytes);
        }
        QCOMPARE(Run(dir.path(), {"--restore", file}).ExitCode, 0);
        QCOMPARE(ReadAll(ledger), ReadAll(file));
    }

    void restoreWhereNoLedgerIsYet() {
        QTemporaryDir source, dir;
        const QString file = CreateLedger(source.path());
        const TProgramRun run = Run(dir.path(), {"--restore", file});
        QCOMPARE(run.ExitCode, 0);
        QCOMPARE(ReadAll(dir.filePath(Schema::DatabasePath)), ReadAll(file));
        QVERIFY2(run.Out.contains(QStringLiteral("原来没有账本文件")), qPrintable(run.Out));
        // a damaged copy where no ledger is yet leaves not even the folder behind
        QTemporaryDir empty;
        Scribble(file, 4096, 4096);
        QCOMPARE(Run(empty.path(), {"--restore", file}).ExitCode, 1);
        QVERIFY(!QFileInfo::exists(empty.filePath("DataBase")));
    }

    void restoreOfTheLedgerItself() {
        QTemporaryDir dir;
        const QString ledger = CreateLedger(dir.path());
        const TProgramRun run = Run(dir.path(), {"--restore", Schema::DatabasePath});
        QCOMPARE(run.ExitCode, 1);
        QVERIFY2(run.Err.contains(QStringLiteral("就是账本本身")), qPrintable(run.Err));
        QCOMPARE(Files(dir.filePath("DataBase")), QStringList{"Hearthbook.mdb"});
    }

    void restoreWithoutFile() {
        QTemporaryDir dir;
        QCOMPARE(Run(dir.path(), {"--restore"}).ExitCode, 2);
    }

    // A start that only looks (the start check leaves at the login) writes no copy, though the
    // open refreshed the planner's statistics of a ledger that grew.
    void runThatOnlyLooksWritesNoCopy() {
        QTemporaryDir dir;
        const QString ledger = CreateLedger(dir.path());
        AddRecords(ledger, 1, 500);
        const TProgramRun run = Run(dir.path(), {"--check-start"});
        QVERIFY2(run.ExitCode == 0, qPrintable(run.Out + run.Err));
        QVERIFY(!QFileInfo::exists(dir.filePath("DataBase/Backup")));
    }

    // A damaged ledger at start: the check names it; the start check answers no, so the file
    // stays as it is.
    void startNamesADamagedLedger() {
        QTemporaryDir dir;
        const QString ledger = CreateLedger(dir.path());
        QCOMPARE(Run(dir.path(), {"--backup"}).ExitCode, 0);
        Scribble(ledger, 4096, 4096);
        const QByteArray damaged = ReadAll(ledger);
        const TProgramRun run = Run(dir.path(), {"--check-start"});
        QCOMPARE(run.ExitCode, 1);
        QVERIFY2(run.Err.contains(ledger + QStringLiteral(" 已损坏")), qPrintable(run.Err));
        QVERIFY2(run.Err.contains(QStringLiteral("没有恢复账本")), qPrintable(run.Err));
        QCOMPARE(ReadAll(ledger), damaged);
        QCOMPARE(Files(dir.filePath("DataBase")), QStringList{"Hearthbook.mdb"});
    }
};

QTEST_GUILESS_MAIN(TestBackupCommands)
#include "tst_backupcommands.moc"
