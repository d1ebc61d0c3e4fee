#include "Files.h"
#include "Fixture.h"

#include "data/ledgerfile/backup/BackupName.h"
#include "data/DataModule.h"
#include "data/ledgerfile/backup/LedgerBackup.h"
#include "data/ledgerfile/LedgerCheck.h"
#include "data/Schema.h"
#include "platform/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTest>

#include <sys/mount.h>
#include <unistd.h>

namespace {

const QString Folder = QStringLiteral("DataBase/Backup");

// A small tmpfs mounted over a folder for the test's lifetime (only where the test may mount).
class TMountedTmpfs {
public:
    TMountedTmpfs(const QString& folder, const QByteArray& options, bool readOnly = false)
        : FFolder(QFile::encodeName(QDir::current().absoluteFilePath(folder))) {
        QDir().mkpath(folder);
        FMounted = ::mount("tmpfs", FFolder.constData(), "tmpfs", readOnly ? MS_RDONLY : 0,
                           options.constData()) == 0;
    }
    ~TMountedTmpfs() {
        if (FMounted) ::umount2(FFolder.constData(), MNT_DETACH);
    }
    bool Mounted() const { return FMounted; }

private:
    QByteArray FFolder;
    bool FMounted = false;
};

QStringList FolderEntries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// A ledger large enough (about 300 kB) that its copy does not fit on a tiny disk.
void Fill(TTestLedger& ledger) {
    ledger.Exec("begin");
    for (int id = 1; id <= 1500; ++id)
        ledger.AddPayout(id, 7, QStringLiteral("午饭%1").arg(id), 25, QVariant(),
                         QDate(2026, 12, 1).addDays(id % 7), QStringLiteral("家长"),
                         QStringLiteral("支出"), QString(150, u'记'));
    ledger.Exec("commit");
}

} // namespace

// Backup copies of the ledger: written by SQLite into DataBase/Backup, named after the minute,
// never half-written under a backup's name, and a failure that leaves everything as it was.
class TestLedgerBackup : public QObject {
    Q_OBJECT

    // The message of the failure a backup of the ledger meets, or "<no error>" when it writes.
    static QString BackupFailure(TTestLedger& ledger) {
        try {
            LedgerBackup::Write(ledger.Connection(), Schema::DatabasePath, ledger.Now());
        } catch (const EInOutError& error) {
            return error.Message;
        }
        return QStringLiteral("<no error>");
    }

    // Whether a failure's message names the backup folder and says its cause.
    static bool NamesFolderAndCause(const QString& message, const QString& cause) {
        return message.contains(QDir::current().absoluteFilePath(Folder)) &&
               message.contains(cause);
    }

private Q_SLOTS:
    void writesACheckedCopyNamedAfterTheMinute() {
        TTestLedger ledger;
        ledger.AddPayout(1, 7, "午饭", 25, QVariant(), QDate(2026, 12, 7), "家长", "支出");
        const QString copy =
            LedgerBackup::Write(ledger.Connection(), Schema::DatabasePath, ledger.Now());
        QCOMPARE(copy, QStringLiteral("DataBase/Backup/Hearthbook-20261207-1030.mdb"));
        QCOMPARE(LedgerCheck::CheckFile(copy), TLedgerProblem::None);
        QCOMPARE(FolderEntries(Folder),
                 QStringList{QStringLiteral("Hearthbook-20261207-1030.mdb")});
        // the copy holds what the ledger held
        {
            auto connection = QSqlDatabase::addDatabase("QSQLITE", "copy");
            connection.setDatabaseName(copy);
            QVERIFY(connection.open());
            QSqlQuery query(connection);
            QVERIFY(query.exec("select Payout, PayoutAccount from fPayout where PayoutID = 1"));
            QVERIFY(query.next());
            QCOMPARE(query.value(0).toString(), QStringLiteral("午饭"));
            QCOMPARE(query.value(1).toInt(), 25);
        }
        QSqlDatabase::removeDatabase("copy");
    }

    // A second copy in the same minute takes the next suffix and leaves the first alone.
    void copiesOfOneMinuteGetSuffixes() {
        TTestLedger ledger;
        const QString first =
            LedgerBackup::Write(ledger.Connection(), Schema::DatabasePath, ledger.Now());
        const QByteArray firstBytes = ReadAll(first);
        ledger.AddPayout(1, 7, "午饭", 25, QVariant(), QDate(2026, 12, 7), "家长", "支出");
        const QString second = LedgerBackup::Write(ledger.Connection(), Schema::DatabasePath,
                                                   ledger.Now().addSecs(59));
        const QString third =
            LedgerBackup::Write(ledger.Connection(), Schema::DatabasePath, ledger.Now());
        QCOMPARE(second, QStringLiteral("DataBase/Backup/Hearthbook-20261207-1030-2.mdb"));
        QCOMPARE(third, QStringLiteral("DataBase/Backup/Hearthbook-20261207-1030-3.mdb"));
        QCOMPARE(ReadAll(first), firstBytes);
        QVERIFY(ReadAll(second) != firstBytes);
        QCOMPARE(FolderEntries(Folder).size(), 3);
    }

    // Only rows written during the run count as a change; opening, reading and refreshing the
    // planner's statistics do not.
    void onlyWritesCountAsChanges() {
        TTestLedger ledger;
        ledger.ReleaseServices();
        Fill(ledger); // far more records than the statistics knew: the next open analyses
        const QString statistics = "select group_concat(tbl || ':' || stat, ';') from sqlite_stat1";
        const QString before = ledger.Scalar(statistics).toString();
        delete dmMain;
        dmMain = new TdmMain;
        dmMain->DataModuleCreate();
        QVERIFY(dmMain->cnHearthbook.isOpen());
        QVERIFY(ledger.Scalar(statistics).toString() != before); // the open did analyse
        QCOMPARE(ledger.Scalar("select count(*) from fPayout").toInt(), 1500);
        QVERIFY(!LedgerBackup::ChangedSinceOpen(dmMain->cnHearthbook));
        QCOMPARE(dmMain->BackupAtEnd(), QString());
        QVERIFY(!QFileInfo::exists(Folder));

        ledger.Exec("update fPayout set Memos = '改' where PayoutID = 3");
        QVERIFY(LedgerBackup::ChangedSinceOpen(dmMain->cnHearthbook));
        QCOMPARE(dmMain->BackupAtEnd(),
                 QStringLiteral("DataBase/Backup/Hearthbook-20261207-1030.mdb"));
    }

    // The end of a run with changes rotates the folder after writing its copy.
    void endOfRunRotates() {
        TTestLedger ledger;
        QDir().mkpath(Folder);
        QStringList old;
        for (int day = 1; day <= 11; ++day) {
            old << TBackupName{QDate(2026, 11, day), QTime(9, 0)}.FileName();
            WriteAll(Folder + u'/' + old.last(), "old copy");
        }
        WriteAll(Folder + QStringLiteral("/notes.txt"), "mine");
        ledger.AddPayout(1, 7, "午饭", 25, QVariant(), QDate(2026, 12, 7), "家长", "支出");
        QVERIFY(!dmMain->BackupAtEnd().isEmpty());
        const QStringList left = FolderEntries(Folder);
        // the newest ten (the new copy and November's 3rd to 11th), and the notes
        QCOMPARE(left.size(), 11);
        QVERIFY(!left.contains(old[0]));
        QVERIFY(!left.contains(old[1]));
        QVERIFY(left.contains(old[2]));
        QVERIFY(left.contains(QStringLiteral("notes.txt")));
        QVERIFY(left.contains(QStringLiteral("Hearthbook-20261207-1030.mdb")));
    }

    // What an interrupted copy left behind an hour ago goes; a copy being written now stays.
    void leftoversOfInterruptedCopiesAreCleared() {
        TTestLedger ledger;
        QDir().mkpath(Folder);
        const QString stale = Folder + QStringLiteral("/.Hearthbook-20261206-2100.mdb.0f.partial");
        const QString fresh = Folder + QStringLiteral("/.Hearthbook-20261207-1029.mdb.1e.partial");
        for (const QString& path : {stale, stale + QStringLiteral("-journal")})
            WriteAged(path, "partial", 2 * 3600);
        WriteAll(fresh, "partial");
        LedgerBackup::Write(ledger.Connection(), Schema::DatabasePath, ledger.Now());
        QCOMPARE(FolderEntries(Folder),
                 (QStringList{QStringLiteral(".Hearthbook-20261207-1029.mdb.1e.partial"),
                              QStringLiteral("Hearthbook-20261207-1030.mdb")}));
    }

    // A file named Backup stands where the folder should be: refused, named, nothing touched.
    void backupIsAFile() {
        TTestLedger ledger;
        WriteAll(Folder, "not a folder");
        const QByteArray ledgerBytes = ReadAll(Schema::DatabasePath);
        const QString message = BackupFailure(ledger);
        QVERIFY2(NamesFolderAndCause(message, QStringLiteral("同名的文件")), qPrintable(message));
        QCOMPARE(ReadAll(Folder), QByteArray("not a folder"));
        QCOMPARE(ReadAll(Schema::DatabasePath), ledgerBytes);
        QCOMPARE(FolderEntries("DataBase"),
                 (QStringList{QStringLiteral("Backup"), QStringLiteral("Hearthbook.mdb")}));
    }

    // A folder the user may not write to (only as another user than root, who writes anywhere).
    void unwritableFolder() {
        TTestLedger ledger;
        QDir().mkpath(Folder);
        QVERIFY(QFile::setPermissions(Folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const bool writable = ::access(qPrintable(Folder), W_OK) == 0;
        const QString message = writable ? QString() : BackupFailure(ledger);
        QFile::setPermissions(Folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
        if (writable) QSKIP("permissions do not hold back this user (root)");
        QVERIFY2(NamesFolderAndCause(message, QStringLiteral("没有写入权限")), qPrintable(message));
        QVERIFY(FolderEntries(Folder).isEmpty());
    }

    // A backup folder on a disk mounted read-only: root cannot write there either.
    void readOnlyDisk() {
        TTestLedger ledger;
        QDir().mkpath(Folder);
        TMountedTmpfs disk(Folder, "size=1m", true);
        if (!disk.Mounted()) QSKIP("this test may not mount a file system");
        const QString message = BackupFailure(ledger);
        QVERIFY2(NamesFolderAndCause(message, QStringLiteral("只读")), qPrintable(message));
    }

    // A full disk: the failure names the folder and the cause, the partial copy is gone, and the
    // ledger and the copies made before are as they were.
    void fullDisk() {
        TTestLedger ledger;
        Fill(ledger);
        QVERIFY(QFileInfo(Schema::DatabasePath).size() > 256 * 1024);
        TMountedTmpfs disk(Folder, "size=128k");
        if (!disk.Mounted()) QSKIP("this test may not mount a file system");
        const QString earlier = Folder + QStringLiteral("/Hearthbook-20261206-2100.mdb");
        const QByteArray earlierBytes(20000, 'e');
        WriteAll(earlier, earlierBytes);
        const QByteArray ledgerBytes = ReadAll(Schema::DatabasePath);
        const QString message = BackupFailure(ledger);
        QVERIFY2(NamesFolderAndCause(message, QStringLiteral("磁盘空间不足")), qPrintable(message));
        QCOMPARE(FolderEntries(Folder),
                 QStringList{QStringLiteral("Hearthbook-20261206-2100.mdb")});
        QCOMPARE(ReadAll(earlier), earlierBytes);
        QCOMPARE(ReadAll(Schema::DatabasePath), ledgerBytes);
        QCOMPARE(ledger.Scalar("select count(*) from fPayout").toInt(), 1500);
        // with room again the next copy succeeds
        QFile::remove(earlier);
        TMountedTmpfs larger(Folder, "size=4m");
        QVERIFY(larger.Mounted());
        QVERIFY(!LedgerBackup::Write(ledger.Connection(), Schema::DatabasePath, ledger.Now())
                     .isEmpty());
    }

    // A ledger whose content is damaged is not copied under a backup's name.
    void damagedLedgerLeavesNoCopy() {
        TTestLedger ledger;
        ledger.ReleaseServices();
        delete dmMain;
        Scribble(Schema::DatabasePath, 4096, 4096); // page 2: the first table's records
        dmMain = new TdmMain;
        dmMain->DataModuleCreate();
        QVERIFY(dmMain->cnHearthbook.isOpen());
        QVERIFY(!LedgerCheck::QuickCheck(dmMain->cnHearthbook).isEmpty());
        QVERIFY_THROWS_EXCEPTION(
            EInOutError,
            LedgerBackup::Write(ledger.Connection(), Schema::DatabasePath, ledger.Now()));
        QVERIFY(FolderEntries(Folder).isEmpty());
    }
};

QTEST_MAIN(TestLedgerBackup)
#include "tst_ledgerbackup.moc"
