#include "ErrorOf.h"
#include "Files.h"
#include "Fixture.h"
#include "Pipe.h"

#include "data/DataModule.h"
#include "data/ledgerfile/backup/LedgerBackup.h"
#include "data/ledgerfile/LedgerCheck.h"
#include "data/ledgerfile/LedgerRestore.h"
#include "data/Schema.h"
#include "platform/Exception.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <sys/mount.h>

namespace {

const QString Backups = QStringLiteral("DataBase/Backup");

QStringList Files(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// Closes the fixture's ledger, as both callers of the restore do first.
void CloseLedger(TTestLedger& ledger) {
    ledger.ReleaseServices();
    delete dmMain;
    dmMain = nullptr;
}

// Fills the ledger with records enough for some hundred pages.
void FillManyPages(TTestLedger& ledger) {
    ledger.Exec("begin");
    for (int id = 1; id <= 1500; ++id)
        ledger.AddPayout(id, 7, QStringLiteral("午饭%1").arg(id), 25, QVariant(),
                         QDate(2026, 12, 1), QStringLiteral("家长"), QStringLiteral("支出"),
                         QString(150, u'记'));
    ledger.Exec("commit");
}

// A ledger of many pages, as a run leaves it that ended in the middle of a save: the journal
// SQLite writes back into the file at its next open.
QByteArray HotJournalOf(TTestLedger& ledger) {
    FillManyPages(ledger);
    QByteArray journal;
    {
        auto connection = QSqlDatabase::addDatabase("QSQLITE", "interrupted");
        connection.setDatabaseName(Schema::DatabasePath);
        if (connection.open()) {
            QSqlQuery query(connection);
            // a small page cache spills the change into the file before the commit
            query.exec("pragma cache_size = 10");
            query.exec("begin");
            query.exec("delete from fPayout");
            journal = ReadAll(Schema::DatabasePath + QStringLiteral("-journal"));
            query.exec("rollback");
        }
    }
    QSqlDatabase::removeDatabase("interrupted");
    return journal;
}

// The number of records and SQLite's check of a ledger opened for writing, as the program opens
// it: a journal beside it is written back into it first.
QString OpenedState(const QString& path) {
    QString state;
    {
        auto connection = QSqlDatabase::addDatabase("QSQLITE", "opened");
        connection.setDatabaseName(path);
        QSqlQuery query(connection);
        if (!connection.open())
            state = connection.lastError().text();
        else if (!query.exec("select count(*) from fPayout") || !query.next())
            state = query.lastError().text();
        else
            state = query.value(0).toString();
        query = QSqlQuery();
        QSqlQuery check(connection);
        if (check.exec("pragma quick_check") && check.next())
            state += u' ' + check.value(0).toString();
    }
    QSqlDatabase::removeDatabase("opened");
    return state;
}

// Copies the ledger at path, with records added by another SQLite program that works with a
// write-ahead log and has not yet folded it into the file, to copy: the file and its log as
// they stand while that program is still open.
void CopyWithSavesInTheLog(const QString& path, const QString& copy, int records) {
    {
        auto connection = QSqlDatabase::addDatabase("QSQLITE", "logging");
        connection.setDatabaseName(path);
        QVERIFY(connection.open());
        QSqlQuery query(connection);
        QVERIFY(query.exec("pragma journal_mode = wal"));
        QVERIFY(query.exec("pragma wal_autocheckpoint = 0"));
        for (int id = 1; id <= records; ++id)
            QVERIFY(query.exec(QStringLiteral("insert into fPayout (PayoutID, ItemProjectID, "
                                              "Payout, PayoutAccount, UseDate, PersonName, "
                                              "ItemType) values (%1, 7, '午饭', 25, 46363, "
                                              "'家长', '支出')")
                                   .arg(id)));
        QVERIFY(QFile::copy(path, copy));
        QVERIFY(QFile::copy(path + "-wal", copy + "-wal"));
    }
    QSqlDatabase::removeDatabase("logging");
}

} // namespace

// Putting a backup in place of the ledger: the replaced ledger kept under its own name, the
// backup itself left, and a copy that cannot be placed leaving the ledger as it was.
class TestLedgerRestore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void replacesAndKeepsTheLedger() {
        TTestLedger ledger;
        const QString backup =
            LedgerBackup::Write(ledger.Connection(), Schema::DatabasePath, ledger.Now());
        ledger.AddPayout(1, 7, "午饭", 25, QVariant(), QDate(2026, 12, 7), "家长", "支出");
        CloseLedger(ledger);
        const QByteArray before = ReadAll(Schema::DatabasePath);
        const QByteArray backupBytes = ReadAll(backup);

        const QString kept =
            LedgerRestore::Replace(backup, Schema::DatabasePath, "replaced", ledger.Now());
        QCOMPARE(kept, QStringLiteral("DataBase/Hearthbook-replaced-20261207-103000.mdb"));
        QCOMPARE(ReadAll(kept), before);
        QCOMPARE(ReadAll(Schema::DatabasePath), backupBytes);
        QCOMPARE(ReadAll(backup), backupBytes);

        // a second restore in the same second keeps the first restored ledger under the next name
        const QString again =
            LedgerRestore::Replace(backup, Schema::DatabasePath, "replaced", ledger.Now());
        QCOMPARE(again, QStringLiteral("DataBase/Hearthbook-replaced-20261207-103000-2.mdb"));
        QCOMPARE(ReadAll(kept), before);
        QCOMPARE(Files("DataBase"),
                 (QStringList{"Hearthbook-replaced-20261207-103000-2.mdb",
                              "Hearthbook-replaced-20261207-103000.mdb", "Hearthbook.mdb"}));
    }

    // The copy does not fit on the ledger's disk: refused with the cause, the ledger as it was,
    // no partial file left.
    void fullDiskLeavesTheLedger() {
        TTestLedger ledger;
        FillManyPages(ledger);
        const QString backup =
            LedgerBackup::Write(ledger.Connection(), Schema::DatabasePath, ledger.Now());
        QVERIFY(QFileInfo(backup).size() > 512 * 1024);
        QVERIFY(QFile::copy(backup, "big.mdb"));
        CloseLedger(ledger);

        // a small disk in place of the ledger's folder, holding a small ledger
        QVERIFY(QDir("DataBase").removeRecursively());
        QVERIFY(QDir().mkpath("DataBase"));
        const QByteArray folder = QFile::encodeName(QDir::current().absoluteFilePath("DataBase"));
        if (::mount("tmpfs", folder.constData(), "tmpfs", 0, "size=256k") != 0)
            QSKIP("this test may not mount a file system");
        struct TUnmount {
            QByteArray Folder;
            ~TUnmount() { ::umount2(Folder.constData(), MNT_DETACH); }
        } unmount{folder};
        Schema::CreateDatabase(Schema::DatabasePath);
        const QByteArray small = ReadAll(Schema::DatabasePath);
        QString message;
        try {
            LedgerRestore::Replace("big.mdb", Schema::DatabasePath, "replaced", ledger.Now());
        } catch (const EInOutError& error) {
            message = error.Message;
        }
        const QStringList left = Files("DataBase");
        const QByteArray after = ReadAll(Schema::DatabasePath);
        QVERIFY2(message.contains(QStringLiteral("磁盘空间不足")), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("没有改动")), qPrintable(message));
        QCOMPARE(left, QStringList{"Hearthbook.mdb"});
        QCOMPARE(after, small);
    }

    // The copy's last saves are still in its write-ahead log: the restored ledger holds them,
    // as the check of the copy saw them.
    void restoresTheSavesStillInTheLog() {
        TTestLedger ledger;
        const QString backup =
            LedgerBackup::Write(ledger.Connection(), Schema::DatabasePath, ledger.Now());
        CloseLedger(ledger);
        CopyWithSavesInTheLog(backup, "logged.mdb", 3);
        QVERIFY(QFileInfo("logged.mdb-wal").size() > 0);
        const QByteArray log = ReadAll("logged.mdb-wal");

        LedgerRestore::Replace("logged.mdb", Schema::DatabasePath, "replaced", ledger.Now());
        QCOMPARE(OpenedState(Schema::DatabasePath), QStringLiteral("3 ok"));
        QCOMPARE(ReadAll("logged.mdb-wal"), log);
        QCOMPARE(Files("DataBase"),
                 (QStringList{"Hearthbook-replaced-20261207-103000.mdb", "Hearthbook.mdb"}));
    }

    // The same copy on read-only media, without the log's index (-shm) that a read needs and
    // cannot make there: refused, saying why, the ledger as it was.
    void refusesALogThatCannotBeReadOnReadOnlyMedia() {
        TTestLedger ledger;
        const QString backup =
            LedgerBackup::Write(ledger.Connection(), Schema::DatabasePath, ledger.Now());
        CloseLedger(ledger);
        QVERIFY(QDir().mkpath("media"));
        CopyWithSavesInTheLog(backup, "media/logged.mdb", 3);
        const QByteArray before = ReadAll(Schema::DatabasePath);
        const QByteArray media = QFile::encodeName(QDir::current().absoluteFilePath("media"));
        if (::mount(media.constData(), media.constData(), nullptr, MS_BIND, nullptr) != 0)
            QSKIP("this test may not mount a file system");
        struct TUnmount {
            QByteArray Folder;
            ~TUnmount() { ::umount2(Folder.constData(), MNT_DETACH); }
        } unmount{media};
        QVERIFY(::mount(nullptr, media.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                        nullptr) == 0);
        const QString message = ErrorOf([&] {
            LedgerRestore::Replace("media/logged.mdb", Schema::DatabasePath, "replaced",
                                   ledger.Now());
        });
        QVERIFY2(message.contains(QDir::current().absoluteFilePath("media/logged.mdb-wal")) &&
                     message.contains(QStringLiteral("只能读取")),
                 qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("没有改动")), qPrintable(message));
        QCOMPARE(ReadAll(Schema::DatabasePath), before);
        QCOMPARE(Files("DataBase"), QStringList{"Hearthbook.mdb"});
    }

    // The newest by the name's minute and suffix; damaged copies and other files passed over.
    void newestGoodBackup() {
        TTestLedger ledger;
        const QDateTime now = ledger.Now();
        const QString older =
            LedgerBackup::Write(ledger.Connection(), Schema::DatabasePath, now.addMonths(-1));
        const QString first = LedgerBackup::Write(ledger.Connection(), Schema::DatabasePath, now);
        const QString second = LedgerBackup::Write(ledger.Connection(), Schema::DatabasePath, now);
        QCOMPARE(second, QStringLiteral("DataBase/Backup/Hearthbook-20261207-1030-2.mdb"));
        WriteAll(Backups + QStringLiteral("/Hearthbook-20991231-2359.mdb.old"), "not a copy");
        int rejected = -1;
        QCOMPARE(LedgerRestore::NewestGoodBackup(Schema::DatabasePath, &rejected),
                 QDir(Backups).filePath("Hearthbook-20261207-1030-2.mdb"));
        QCOMPARE(rejected, 0);
        {
            // a pipe under the name of a copy, or a link to one, is passed over at once
            const TPipe pipe(QStringLiteral("pipe"));
            QVERIFY(QFile::link(QDir::current().absoluteFilePath(pipe.Path),
                                Backups + QStringLiteral("/Hearthbook-20991231-2358.mdb")));
            const TPipe named(Backups + QStringLiteral("/Hearthbook-20991231-2359.mdb"));
            QCOMPARE(LedgerRestore::NewestGoodBackup(Schema::DatabasePath, &rejected),
                     QDir(Backups).filePath("Hearthbook-20261207-1030-2.mdb"));
            QVERIFY(!pipe.Opened());
            QVERIFY(!named.Opened());
            QVERIFY(QFile::remove(Backups + QStringLiteral("/Hearthbook-20991231-2358.mdb")));
        }
        Scribble(second, 4096, 4096);
        Scribble(first, 4096, 4096);
        QCOMPARE(LedgerRestore::NewestGoodBackup(Schema::DatabasePath, &rejected),
                 QDir(Backups).filePath(QFileInfo(older).fileName()));
        QCOMPARE(rejected, 2);
        Scribble(older, 4096, 4096);
        QCOMPARE(LedgerRestore::NewestGoodBackup(Schema::DatabasePath, &rejected), QString());
        QCOMPARE(rejected, 3);
    }

    // The ledger file was deleted by hand after an interrupted save, its journal left: the
    // journal is the old ledger's, and left beside the restored copy SQLite would write the
    // old ledger's pages into it at the next open. It is set aside, not deleted.
    void setsAsideTheJournalOfAMissingLedger() {
        TTestLedger ledger;
        const QByteArray journal = HotJournalOf(ledger);
        QVERIFY(journal.size() > 64 * 1024);
        const QString backup =
            LedgerBackup::Write(ledger.Connection(), Schema::DatabasePath, ledger.Now());
        CloseLedger(ledger);
        QCOMPARE(OpenedState(backup), QStringLiteral("1500 ok"));
        QVERIFY(QFile::remove(Schema::DatabasePath));
        WriteAll(Schema::DatabasePath + QStringLiteral("-journal"), journal);

        QCOMPARE(LedgerRestore::Replace(backup, Schema::DatabasePath, "replaced", ledger.Now()),
                 QString());
        QCOMPARE(Files("DataBase"), (QStringList{"Hearthbook-replaced-20261207-103000.mdb-journal",
                                                 "Hearthbook.mdb"}));
        QCOMPARE(ReadAll("DataBase/Hearthbook-replaced-20261207-103000.mdb-journal"), journal);
        QCOMPARE(OpenedState(Schema::DatabasePath), QStringLiteral("1500 ok"));
    }

    void refusesTheLedgerItselfAndAFolderInItsPlace() {
        TTestLedger ledger;
        CloseLedger(ledger);
        QVERIFY(QFile::copy(Schema::DatabasePath, "copy.mdb"));
        const QByteArray before = ReadAll(Schema::DatabasePath);
        QVERIFY_THROWS_EXCEPTION(EInOutError,
                                 LedgerRestore::Replace(Schema::DatabasePath, Schema::DatabasePath,
                                                        "replaced", ledger.Now()));
        QCOMPARE(ReadAll(Schema::DatabasePath), before);
        QCOMPARE(Files("DataBase"), QStringList{"Hearthbook.mdb"});

        QVERIFY(QFile::remove(Schema::DatabasePath));
        QVERIFY(QDir().mkdir(Schema::DatabasePath));
        QVERIFY_THROWS_EXCEPTION(
            EInOutError,
            LedgerRestore::Replace("copy.mdb", Schema::DatabasePath, "replaced", ledger.Now()));
        QVERIFY(QFileInfo(Schema::DatabasePath).isDir());
        QVERIFY(Files("DataBase").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLedgerRestore)
#include "tst_ledgerrestore.moc"
