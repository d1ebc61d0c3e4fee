#include "LegacyFixture.h"

#include "data/ledgerfile/LedgerLock.h"
#include "data/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>

#include <unistd.h>

// The program itself, started more than once on one ledger: only one of them works on it.
class TestOneInstance : public QObject {
    Q_OBJECT

    QString FProgram;

    static QString LedgerIn(const QTemporaryDir& dir) {
        return dir.filePath(QStringLiteral("DataBase/Hearthbook.mdb"));
    }

    std::unique_ptr<QProcess> Start(const QString& folder, const QStringList& arguments) {
        auto process = std::make_unique<QProcess>();
        process->setWorkingDirectory(folder);
        process->start(FProgram, arguments);
        return process;
    }

    // A start that shows the login and ends at once (--check-start); its exit code, standard
    // output and standard error.
    struct TRun {
        int Code = -1;
        QString Out;
        QString Err;
    };
    TRun CheckStart(const QString& folder) {
        auto process = Start(folder, {QStringLiteral("--check-start")});
        TRun run;
        if (!process->waitForFinished(60000)) return run;
        run.Code = process->exitCode();
        run.Out = QString::fromUtf8(process->readAllStandardOutput());
        run.Err = QString::fromUtf8(process->readAllStandardError());
        return run;
    }

    static qint64 HolderPid(const QString& ledger) {
        QLockFile reader(TLedgerLock::LockPathOf(ledger));
        qint64 pid = 0;
        return reader.getLockInfo(&pid, nullptr, nullptr) ? pid : 0;
    }

    static QByteArray Bytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // A lock file naming pid under the program's name, on this computer, written in this boot.
    static void WriteLock(const QString& ledger, qint64 pid) {
        QFile file(TLedgerLock::LockPathOf(ledger));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray::number(pid) + "\npennyvale\n" +
                   QSysInfo::machineHostName().toUtf8() + '\n' + QSysInfo::machineUniqueId() +
                   '\n' + QSysInfo::bootUniqueId() + '\n');
    }

private Q_SLOTS:
    void initTestCase() {
        FProgram = QCoreApplication::applicationDirPath() + QStringLiteral("/pennyvale");
        QVERIFY2(QFileInfo(FProgram).isExecutable(), qPrintable(FProgram));
    }

    // The second start says where the ledger is open and ends without touching it; the first
    // goes on. After the first was killed, the lock it left never blocks the next start.
    void aSecondStartIsRefusedAndAKilledFirstBlocksNothing() {
        QTemporaryDir dir;
        Schema::CreateDatabase(LedgerIn(dir));
        const QString lockPath = TLedgerLock::LockPathOf(LedgerIn(dir));
        auto first = Start(dir.path(), {});
        QVERIFY(first->waitForStarted());
        // The first waits at its login; it has the lock once the lock file names it.
        QTRY_VERIFY_WITH_TIMEOUT(HolderPid(LedgerIn(dir)) == first->processId(), 60000);
        const QByteArray before = Bytes(LedgerIn(dir));

        const TRun second = CheckStart(dir.path());
        QCOMPARE(second.Code, 1);
        QVERIFY2(second.Err.contains(QStringLiteral("已经打开")), qPrintable(second.Err));
        QVERIFY2(
            second.Err.contains(QStringLiteral("进程 %1（pennyvale）").arg(first->processId())),
            qPrintable(second.Err));
        QVERIFY2(second.Err.contains(QDir::toNativeSeparators(LedgerIn(dir))),
                 qPrintable(second.Err));
        QVERIFY2(!second.Out.contains(QStringLiteral("login shown")), qPrintable(second.Out));
        QCOMPARE(Bytes(LedgerIn(dir)), before);
        QCOMPARE(first->state(), QProcess::Running);
        QCOMPARE(HolderPid(LedgerIn(dir)), first->processId());

        first->kill();
        QVERIFY(first->waitForFinished(60000));
        QVERIFY(QFileInfo::exists(lockPath)); // left behind by the killed run
        const TRun next = CheckStart(dir.path());
        QVERIFY2(next.Code == 0, qPrintable(next.Out + next.Err));
        QVERIFY2(next.Out.contains(QStringLiteral("(open)")), qPrintable(next.Out));
        QVERIFY(!QFileInfo::exists(lockPath)); // released at the end of the run
    }

    // The system asks the program to stop (logout, shutdown): it ends in order and removes its
    // lock, so no lock file travels with a copy of the ledger folder.
    void aStopSignalEndsTheRunAndReleasesTheLock() {
        QTemporaryDir dir;
        Schema::CreateDatabase(LedgerIn(dir));
        auto program = Start(dir.path(), {});
        QVERIFY(program->waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(HolderPid(LedgerIn(dir)) == program->processId(), 60000);
        program->terminate();
        QVERIFY(program->waitForFinished(60000));
        QCOMPARE(program->exitStatus(), QProcess::NormalExit);
        QCOMPARE(program->exitCode(), 128 + SIGTERM);
        QCOMPARE(QDir(dir.filePath(QStringLiteral("DataBase")))
                     .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("Hearthbook.mdb")});
    }

    void aLockOfAProcessThatHasGoneBlocksNothing() {
        QTemporaryDir dir;
        Schema::CreateDatabase(LedgerIn(dir));
        QProcess ended;
        ended.start(QStringLiteral("true"), {});
        QVERIFY(ended.waitForStarted());
        const qint64 pid = ended.processId();
        QVERIFY(ended.waitForFinished());
        WriteLock(LedgerIn(dir), pid);
        const TRun run = CheckStart(dir.path());
        QVERIFY2(run.Code == 0, qPrintable(run.Out + run.Err));
        QVERIFY(!QFileInfo::exists(TLedgerLock::LockPathOf(LedgerIn(dir))));
    }

    // The number in the lock now belongs to an unrelated running program.
    void aLockWhosePidWasReusedBlocksNothing() {
        QTemporaryDir dir;
        Schema::CreateDatabase(LedgerIn(dir));
        QProcess other;
        other.start(QStringLiteral("sleep"), {QStringLiteral("120")});
        QVERIFY(other.waitForStarted());
        WriteLock(LedgerIn(dir), other.processId());
        const TRun run = CheckStart(dir.path());
        other.kill();
        other.waitForFinished();
        QVERIFY2(run.Code == 0, qPrintable(run.Out + run.Err));
    }

    // Without a DataBase folder no lock can be written; the user reads that the ledger is
    // missing, not a complaint about a lock, and no folder or file is made.
    void aMissingLedgerFolderGetsTheMissingLedgerMessage() {
        QTemporaryDir dir;
        const TRun run = CheckStart(dir.path());
        QCOMPARE(run.Code, 1);
        QVERIFY2(run.Err.contains(QStringLiteral("找不到账本文件")), qPrintable(run.Err));
        QVERIFY2(!run.Err.contains(QStringLiteral("锁")), qPrintable(run.Err));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("DataBase"))));
    }

    // With the folder there but no ledger in it: the same message, and no lock left behind.
    void aMissingLedgerFileGetsTheMissingLedgerMessage() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("DataBase")));
        const TRun run = CheckStart(dir.path());
        QCOMPARE(run.Code, 1);
        QVERIFY2(run.Err.contains(QStringLiteral("找不到账本文件")), qPrintable(run.Err));
        QVERIFY2(!run.Err.contains(QStringLiteral("锁")), qPrintable(run.Err));
        QCOMPARE(QDir(dir.filePath(QStringLiteral("DataBase")))
                     .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // A conversion from the command line does not write a ledger a running program holds.
    void anImportWaitsForTheRunningProgram() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("DataBase")));
        TLedgerLock held(LedgerIn(dir));
        QVERIFY(held.TryLock());
        auto refused =
            Start(dir.path(), {QStringLiteral("--import-access"), LegacyFixture::LedgerPath()});
        QVERIFY(refused->waitForFinished(60000));
        const QString text = QString::fromUtf8(refused->readAllStandardError());
        QCOMPARE(refused->exitCode(), 1);
        QVERIFY2(text.contains(QStringLiteral("已经打开")), qPrintable(text));
        QVERIFY(!QFileInfo::exists(LedgerIn(dir)));

        held.Unlock();
        auto done =
            Start(dir.path(), {QStringLiteral("--import-access"), LegacyFixture::LedgerPath()});
        QVERIFY(done->waitForFinished(60000));
        QVERIFY2(done->exitCode() == 0, done->readAllStandardError().constData());
        QVERIFY(QFileInfo(LedgerIn(dir)).size() > 0);
        QVERIFY(!QFileInfo::exists(TLedgerLock::LockPathOf(LedgerIn(dir))));
    }

    // A folder the program cannot write to (not testable as root, who may write anywhere).
    void anUnwritableLedgerFolderIsNamed() {
        if (::geteuid() == 0) QSKIP("root may write to any folder");
        QTemporaryDir dir;
        Schema::CreateDatabase(LedgerIn(dir));
        const QString folder = dir.filePath(QStringLiteral("DataBase"));
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const TRun run = CheckStart(dir.path());
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
        QCOMPARE(run.Code, 1);
        QVERIFY2(run.Err.contains(QDir::toNativeSeparators(folder)), qPrintable(run.Err));
        QVERIFY2(run.Err.contains(QStringLiteral("权限")), qPrintable(run.Err));
    }
};

QTEST_GUILESS_MAIN(TestOneInstance)
#include "tst_oneinstance.moc"
