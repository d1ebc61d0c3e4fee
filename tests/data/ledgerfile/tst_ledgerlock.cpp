#include "Files.h"
#include "Pipe.h"

#include "data/ledgerfile/LedgerLock.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include <unistd.h>

// The lock that keeps a second program off a ledger, and the leftovers it takes over.
class TestLedgerLock : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    QString FLedger;

    // This process's name as a lock file records it (the program's file name).
    static QString OwnName() {
        return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    }

    // Writes a lock file in the layout QLockFile reads: process, its name, computer, the
    // computer's id and the id of its current boot.
    void WriteLock(qint64 pid, const QString& name,
                   const QString& host = QSysInfo::machineHostName(),
                   const QByteArray& hostId = QSysInfo::machineUniqueId(),
                   const QByteArray& bootId = QSysInfo::bootUniqueId()) {
        QFile file(TLedgerLock::LockPathOf(FLedger));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray::number(pid) + '\n' + name.toUtf8() + '\n' + host.toUtf8() + '\n' +
                   hostId + '\n' + bootId + '\n');
    }

    // The process the lock file names now.
    qint64 HolderPid() const {
        QLockFile reader(TLedgerLock::LockPathOf(FLedger));
        qint64 pid = 0;
        return reader.getLockInfo(&pid, nullptr, nullptr) ? pid : 0;
    }

    // A process that has ended: its number names nobody now.
    static qint64 EndedPid() {
        QProcess process;
        process.start(QStringLiteral("true"), {});
        if (!process.waitForStarted()) return 0;
        const qint64 pid = process.processId();
        process.waitForFinished();
        return pid;
    }

private Q_SLOTS:
    void init() {
        QVERIFY(FDir.isValid());
        QVERIFY(QDir(FDir.path()).mkpath(QStringLiteral("DataBase")));
        FLedger = FDir.filePath(QStringLiteral("DataBase/Hearthbook.mdb"));
        QFile ledger(FLedger);
        QVERIFY(ledger.open(QIODevice::WriteOnly));
        QFile::remove(TLedgerLock::LockPathOf(FLedger));
        QDir().rmdir(TLedgerLock::LockPathOf(FLedger));
    }

    void theLockFileLiesBesideTheLedger() {
        QCOMPARE(TLedgerLock::LockPathOf(FLedger), FLedger + QStringLiteral(".lock"));
        TLedgerLock lock(FLedger);
        QVERIFY(lock.TryLock());
        QVERIFY(lock.IsLocked());
        QVERIFY(QFileInfo::exists(lock.LockPath()));
        QCOMPARE(HolderPid(), QCoreApplication::applicationPid());
        lock.Unlock();
        QVERIFY(!lock.IsLocked());
        QVERIFY(!QFileInfo::exists(lock.LockPath()));
    }

    void aSecondHolderIsRefusedUntilTheFirstLetsGo() {
        TLedgerLock first(FLedger);
        QVERIFY(first.TryLock());
        TLedgerLock second(FLedger);
        QVERIFY(!second.TryLock());
        QVERIFY(second.Refuses());
        const QString pid = QString::number(QCoreApplication::applicationPid());
        QCOMPARE(second.Error(), QStringLiteral("进程 %1（%2）").arg(pid, OwnName()));
        // This computer's own program: no computer named.
        QCOMPARE(second.RefusalText(),
                 QStringLiteral("账本 %1 已经打开：进程 %2（%3）正在使用它。请切换到那个窗口继续"
                                "记账，或者先关闭它再启动本程序。")
                     .arg(QDir::toNativeSeparators(FLedger), pid, OwnName()));
        QCOMPARE(HolderPid(), QCoreApplication::applicationPid());
        first.Unlock();
        QVERIFY(second.TryLock());
        QVERIFY(!second.Refuses());
    }

    // A ledger reached through a link to the real file is the same ledger: one lock for both,
    // beside the real file.
    void aLinkedLedgerSharesTheLockOfItsFile() {
        const QString other = FDir.filePath(QStringLiteral("Other"));
        QVERIFY(QDir().mkpath(other));
        const QString linked = other + QStringLiteral("/Hearthbook.mdb");
        QVERIFY(QFile::link(FLedger, linked));
        QCOMPARE(TLedgerLock::LockPathOf(linked), FLedger + QStringLiteral(".lock"));
        TLedgerLock first(FLedger);
        QVERIFY(first.TryLock());
        TLedgerLock second(linked);
        QVERIFY(!second.TryLock());
        QVERIFY(second.Refuses());
        first.Unlock();
        QVERIFY(second.TryLock());
        QVERIFY(QFileInfo::exists(FLedger + QStringLiteral(".lock")));
        second.Unlock();
        QFile::remove(linked);
    }

    // A folder or a pipe where the lock file should be is no other program's lock: the refusal
    // says what stands there, names it and says to remove it.
    void somethingElseInPlaceOfTheLockFile_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("word");
        QTest::newRow("folder") << "folder" << QStringLiteral("文件夹");
        QTest::newRow("pipe") << "pipe" << QStringLiteral("命名管道");
    }
    void somethingElseInPlaceOfTheLockFile() {
        QFETCH(QString, kind);
        QFETCH(QString, word);
        const QString path = TLedgerLock::LockPathOf(FLedger);
        std::unique_ptr<TPipe> pipe;
        if (kind == "folder")
            QVERIFY(QDir().mkdir(path));
        else
            pipe = std::make_unique<TPipe>(path);
        TLedgerLock lock(FLedger);
        QVERIFY(!lock.TryLock());
        QVERIFY(lock.Refuses());
        QCOMPARE(lock.RefusalText(),
                 QStringLiteral("无法锁定账本 %1：锁文件的位置 %2 上是一个%3，不是锁文件。"
                                "请把它移走或删除，然后再启动本程序。")
                     .arg(QDir::toNativeSeparators(FLedger), QDir::toNativeSeparators(path), word));
        QVERIFY(QFileInfo::exists(path)); // left as it is
        QVERIFY(!pipe || !pipe->Opened());
    }

    void aLockOfAnEndedProcessIsTakenOver() {
        const qint64 ended = EndedPid();
        QVERIFY(ended > 0);
        WriteLock(ended, OwnName());
        TLedgerLock lock(FLedger);
        QVERIFY(lock.TryLock());
        QCOMPARE(HolderPid(), QCoreApplication::applicationPid());
    }

    // The number of the process that wrote the lock now belongs to an unrelated program.
    void aLockWhosePidWasReusedIsTakenOver() {
        QProcess other;
        other.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        QVERIFY(other.waitForStarted());
        WriteLock(other.processId(), OwnName());
        TLedgerLock lock(FLedger);
        const bool taken = lock.TryLock();
        other.kill();
        other.waitForFinished();
        QVERIFY(taken);
        QCOMPARE(HolderPid(), QCoreApplication::applicationPid());
    }

    // The same running process under its own name does hold the ledger.
    void aLockOfARunningProgramHolds() {
        QProcess other;
        other.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        QVERIFY(other.waitForStarted());
        const qint64 pid = other.processId();
        WriteLock(pid, QStringLiteral("sleep"));
        TLedgerLock lock(FLedger);
        const bool taken = lock.TryLock();
        const QString error = lock.Error();
        other.kill();
        other.waitForFinished();
        QVERIFY(!taken);
        QVERIFY(lock.Refuses());
        QCOMPARE(error, QStringLiteral("进程 %1（sleep）").arg(pid));
    }

    void aLockFromBeforeARestartIsTakenOver() {
        if (QSysInfo::bootUniqueId().isEmpty()) QSKIP("this system does not tell its boot id");
        // This very process, alive, but the lock says it was written during another boot.
        WriteLock(QCoreApplication::applicationPid(), OwnName(), QSysInfo::machineHostName(),
                  QSysInfo::machineUniqueId(), "00000000-0000-0000-0000-000000000000");
        TLedgerLock lock(FLedger);
        QVERIFY(lock.TryLock());
    }

    // A ledger folder on a share, or copied from another computer with the lock in it: the
    // lock holds, and the text says which computer and which file to delete if it is wrong.
    void aLockOfAnotherComputerHoldsAndSaysHowToClearIt() {
        WriteLock(1, QStringLiteral("pennyvale"), QStringLiteral("study-pc"),
                  "0123456789abcdef0123456789abcdef", "11111111-2222-3333-4444-555555555555");
        TLedgerLock lock(FLedger);
        QVERIFY(!lock.TryLock());
        QVERIFY(lock.Refuses());
        QCOMPARE(lock.Error(), QStringLiteral("进程 1（pennyvale，计算机 study-pc）"));
        const QString text = lock.RefusalText();
        QVERIFY2(text.contains(QStringLiteral("另一台计算机（study-pc）")), qPrintable(text));
        QVERIFY2(text.contains(QDir::toNativeSeparators(lock.LockPath())), qPrintable(text));
        QVERIFY2(text.contains(QDir::toNativeSeparators(FLedger)), qPrintable(text));
        QVERIFY(QFileInfo::exists(lock.LockPath()));
    }

    // A computer of the same name is still another computer (a copied folder from a computer
    // also called "localhost", say).
    void aLockOfAnotherComputerOfTheSameNameHolds() {
        if (QSysInfo::machineUniqueId().isEmpty())
            QSKIP("this system does not tell its machine id");
        WriteLock(1, QStringLiteral("pennyvale"), QSysInfo::machineHostName(),
                  "0123456789abcdef0123456789abcdef", "11111111-2222-3333-4444-555555555555");
        TLedgerLock lock(FLedger);
        QVERIFY(!lock.TryLock());
        const QString text = lock.RefusalText();
        QVERIFY2(text.contains(QStringLiteral("另一台计算机")), qPrintable(text));
        QVERIFY2(text.contains(QDir::toNativeSeparators(lock.LockPath())), qPrintable(text));
    }

    // A run that ended while writing its lock (a power cut at the start) leaves a file that
    // names nobody; once it is old it stands in no one's way.
    void anOldLockThatNamesNobodyIsTakenOver() {
        WriteAged(TLedgerLock::LockPathOf(FLedger), {}, 3600);
        TLedgerLock lock(FLedger);
        QVERIFY(lock.TryLock());
        QCOMPARE(HolderPid(), QCoreApplication::applicationPid());
        QVERIFY(!QFileInfo::exists(lock.LockPath() + QStringLiteral(".rmlock")));
    }

    // One that is new may be a lock another program is writing at this moment.
    void aNewLockThatNamesNobodyHolds() {
        const int previous = std::exchange(TLedgerLock::UnnamedLockAgeMs, 24 * 3600 * 1000);
        {
            QFile file(TLedgerLock::LockPathOf(FLedger));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        TLedgerLock lock(FLedger);
        const bool taken = lock.TryLock();
        TLedgerLock::UnnamedLockAgeMs = previous;
        QVERIFY(!taken);
        QVERIFY(lock.Refuses());
        QCOMPARE(lock.Error(), QStringLiteral("另一个程序"));
        QVERIFY(QFileInfo::exists(lock.LockPath()));
    }

    // No folder: nothing can be locked, and nothing is there to protect; the open step names
    // the missing ledger. No folder is made on the way.
    void aMissingFolderDoesNotRefuse() {
        const QString ledger = FDir.filePath(QStringLiteral("elsewhere/DataBase/Hearthbook.mdb"));
        TLedgerLock lock(ledger);
        QVERIFY(!lock.TryLock());
        QVERIFY(!lock.Refuses());
        const QString folder = QDir::toNativeSeparators(QFileInfo(ledger).absolutePath());
        QCOMPARE(lock.Error(), QStringLiteral("文件夹 %1 不存在").arg(folder));
        QVERIFY2(lock.RefusalText().contains(folder), qPrintable(lock.RefusalText()));
        QVERIFY(!QFileInfo::exists(FDir.filePath(QStringLiteral("elsewhere"))));
    }

    // A folder the program cannot write to (not testable as root, who may write anywhere).
    void anUnwritableFolderRefusesOnlyWhenTheLedgerIsThere() {
        if (::geteuid() == 0) QSKIP("root may write to any folder");
        const QString folder = QFileInfo(FLedger).absolutePath();
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        TLedgerLock lock(FLedger);
        const bool taken = lock.TryLock();
        const bool refuses = lock.Refuses();
        const QString text = lock.RefusalText();
        TLedgerLock absent(FDir.filePath(QStringLiteral("DataBase/Other.mdb")));
        const bool absentTaken = absent.TryLock();
        const bool absentRefuses = absent.Refuses();
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
        QVERIFY(!taken);
        QVERIFY(refuses);
        QVERIFY2(text.contains(QStringLiteral("权限")), qPrintable(text));
        QVERIFY2(text.contains(QDir::toNativeSeparators(folder)), qPrintable(text));
        QVERIFY(!absentTaken);
        QVERIFY(!absentRefuses);
    }
};

QTEST_GUILESS_MAIN(TestLedgerLock)
#include "tst_ledgerlock.moc"
