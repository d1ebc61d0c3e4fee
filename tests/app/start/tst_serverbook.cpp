#include "PgServer.h"
#include "ProgramRun.h"

#include "data/ledgerfile/LedgerLock.h"
#include "data/ledgerfile/backup/BackupName.h"
#include "data/Schema.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

// The book on a server as the real program's commands and window meet it: chosen by --ledger or
// by the setting file, created on an empty database, backed up into a dated ledger file, and
// opened by the window without a lock.
namespace {

// Runs statements on a database (a file or a server's); returns the first value of the last.
QVariant On(const TLedgerLocation& location, const QStringList& statements) {
    QVariant value;
    {
        QSqlDatabase connection = QSqlDatabase::addDatabase(location.DriverName(), "test-on");
        if (location.IsServer())
            location.ApplyTo(connection);
        else
            connection.setDatabaseName(location.FilePath());
        if (!connection.open()) qWarning() << connection.lastError().text();
        QSqlQuery query(connection);
        for (const QString& statement : statements) {
            if (!query.exec(statement)) qWarning() << statement << query.lastError().text();
            value = query.next() ? query.value(0) : QVariant();
        }
    }
    QSqlDatabase::removeDatabase("test-on");
    return value;
}

QString Uri(const TLedgerLocation& location) {
    return QString("postgresql:///%1?host=%2&user=postgres")
        .arg(location.Database(), TPgServer::Shared().SocketFolder());
}

// A new book on the server, made by the program.
TLedgerLocation NewBook() {
    const TLedgerLocation location = TPgServer::Shared().NewDatabase();
    const TProgramRun run = RunProgram(QDir::tempPath(), {"--create-database", "--ledger", Uri(location)});
    if (run.ExitCode != 0) qWarning() << run.Err;
    return location;
}


} // namespace

class TestServerBook : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        // No password from the tester's own files or environment reaches the program.
        qunsetenv("PGPASSWORD");
        qputenv("PGPASSFILE", "/nonexistent/pgpass");
        TPgServer& server = TPgServer::Shared();
        QVERIFY(server.AddPasswordRole("anna", "right-password"));
        server.NewDatabase("annasbook");
        QVERIFY(server.Admin("alter database annasbook owner to anna"));
    }

    void createOnAnEmptyDatabase() {
        const TLedgerLocation location = TPgServer::Shared().NewDatabase();
        QTemporaryDir dir;
        TProgramRun run = RunProgram(dir.path(), {"--create-database", "--ledger", Uri(location)});
        QCOMPARE(run.ExitCode, 0);
        QCOMPARE(run.Out, QString("已在服务器上创建账本 %1（默认成员“家长”，登录帐号“admin”，密码“admin”）")
                              .arg(location.Shown()));
        QCOMPARE(On(location, {"select PersonName from bPerson where LoginAccount = 'ADMIN'"}).toString(),
                 QString("家长"));
        QCOMPARE(On(location, {"select count(*) from bItemProject"}).toInt(), 18);
        QVERIFY(!QFileInfo::exists(dir.filePath("DataBase"))); // no ledger file beside it

        // A second create finds the book and leaves it be.
        On(location, {"insert into fPayout (PayoutID, Payout) values (1, '午饭')"});
        run = RunProgram(dir.path(), {"--ledger", Uri(location), "--create-database"});
        QCOMPARE(run.ExitCode, 1);
        QVERIFY2(run.Err.contains("已经有一个账本，不会覆盖"), qPrintable(run.Err));
        QCOMPARE(On(location, {"select count(*) from fPayout"}).toInt(), 1);
    }

    void createRefusesADatabaseWithTablesOfItsOwn() {
        const TLedgerLocation location = TPgServer::Shared().NewDatabase();
        On(location, {"create table recipes (name text)"});
        const TProgramRun run =
            RunProgram(QDir::tempPath(), {"--create-database", "--ledger", Uri(location)});
        QCOMPARE(run.ExitCode, 1);
        QVERIFY2(run.Err.contains("不是空的（其中已有数据表 recipes）"), qPrintable(run.Err));
        QCOMPARE(On(location, {"select count(*) from information_schema.tables where "
                               "table_schema = 'public'"}).toInt(), 1);
    }

    // The commands name the server and the cause (the causes' words: tst_serverconnection).
    void commandsNameTheServerThatFails_data() {
        QTest::addColumn<QStringList>("command");
        QTest::newRow("create") << QStringList{"--create-database"};
        QTest::newRow("backup") << QStringList{"--backup"};
        QTest::newRow("export") << QStringList{"--export-csv", "out.csv", "--account", "admin"};
    }
    void commandsNameTheServerThatFails() {
        QFETCH(QStringList, command);
        QTemporaryDir dir;
        const TLedgerLocation missing = TPgServer::Shared().Location("nosuchdb");
        const TProgramRun run = RunProgram(dir.path(), command + QStringList{"--ledger", Uri(missing)});
        QCOMPARE(run.ExitCode, 1);
        QVERIFY2(run.Err.startsWith("无法连接账本服务器 " + missing.Shown() + "：服务器上没有名为“nosuchdb”"),
                 qPrintable(run.Err));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    }

    void badLocationsAreBadArguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("setting");
        QTest::newRow("--ledger of a command") << QStringList{"--backup", "--ledger", "postgresql://study"} << "";
        QTest::newRow("--ledger of the window")
            << QStringList{"--check-start", "--ledger", "postgresql://study"} << "";
        QTest::newRow("setting of a command") << QStringList{"--backup"} << "postgresql://study\n";
        QTest::newRow("setting of the window") << QStringList{"--check-start"} << "postgresql://study\n";
    }
    void badLocationsAreBadArguments() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, setting);
        QTemporaryDir dir;
        if (!setting.isEmpty()) {
            QFile file(dir.filePath("Ledger.uri"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(setting.toUtf8());
        }
        const TProgramRun run = RunProgram(dir.path(), arguments);
        QCOMPARE(run.ExitCode, 2);
        QVERIFY2(run.Err.contains("账本位置“postgresql://study”不能使用：没有给出数据库的名称"),
                 qPrintable(run.Err));
        QVERIFY(!QFileInfo::exists(dir.filePath("DataBase")));
    }

    void unknownOptionShowsTheUsage() {
        QTemporaryDir dir;
        const TProgramRun run = RunProgram(dir.path(), {"--whatever"});
        QCOMPARE(run.ExitCode, 2);
        QVERIFY2(run.Err.startsWith("不认识的参数“--whatever”。\n用法："), qPrintable(run.Err));
        QVERIFY(!QFileInfo::exists(dir.filePath("DataBase")));
    }

    void fileCommandsRefuseAServer_data() {
        QTest::addColumn<QStringList>("command");
        QTest::newRow("import-access") << QStringList{"--import-access", "old.mdb"};
        QTest::newRow("restore") << QStringList{"--restore", "copy.mdb"};
    }
    void fileCommandsRefuseAServer() {
        QFETCH(QStringList, command);
        QTemporaryDir dir;
        const TProgramRun run = RunProgram(dir.path(), command + QStringList{"--ledger", "postgresql:///book"});
        QCOMPARE(run.ExitCode, 2);
        QVERIFY2(run.Err.contains("只能用于本机的账本文件"), qPrintable(run.Err));
    }

    // --backup of a server book (named by the setting file): a dated ledger file in
    // DataBase/Backup with every row, the folder rotated as a file's backups are.
    void backupWritesADatedFileAndRotates() {
        const TLedgerLocation book = NewBook();
        On(book, {"insert into fPayout (PayoutID, ItemProjectID, Payout, PayoutAccount, IncomeAccount, "
                  "UseDate, PersonName, ItemType, MonthNum, YearNum, QuarterNum) "
                  "select i, 7, '午饭' || i, 12.3456 * i, null, 46363.5 + i, '家长', '支出', 12, 2026, 4 "
                  "from generate_series(1, 1500) as i",
                  "insert into fDiary (DiaryID, Diary, DiaryDate, PersonID) values (1, '晴', 46363, 1)",
                  "insert into bLedgerInfo (Name, Value) values ('LedgerId', 'abc')"});
        QTemporaryDir dir;
        QFile setting(dir.filePath("Ledger.uri"));
        QVERIFY(setting.open(QIODevice::WriteOnly));
        setting.write(("# the family's book\n" + Uri(book) + "\n").toUtf8());
        setting.close();
        // Twelve copies of a year long past: the newest ten copies are kept, and one a year.
        const QString folder = dir.filePath("DataBase/Backup");
        QVERIFY(QDir().mkpath(folder));
        QStringList old;
        for (int minute = 0; minute < 12; ++minute) {
            old << TBackupName::At(QDateTime(QDate(2019, 3, 1), QTime(8, minute))).FileName();
            QFile copy(QDir(folder).filePath(old.last()));
            QVERIFY(copy.open(QIODevice::WriteOnly));
        }

        const QDateTime before = QDateTime::currentDateTime();
        const TProgramRun run = RunProgram(dir.path(), {"--backup"});
        QCOMPARE(run.ExitCode, 0);
        const QStringList copies = QDir(folder).entryList(QDir::Files, QDir::Name);
        QCOMPARE(copies.size(), 10);
        QCOMPARE(copies.mid(0, 9), old.mid(3));
        const QString copy = copies.last();
        const auto name = TBackupName::Parse(copy);
        QVERIFY(name && name->Date >= before.date());
        QVERIFY2(run.Out.startsWith(QString("已把账本 %1 备份为 ").arg(book.Shown())), qPrintable(run.Out));
        QVERIFY2(run.Out.contains(old[0]), qPrintable(run.Out)); // the removed are named

        const TLedgerLocation file = TLedgerLocation::File(QDir(folder).filePath(copy));
        QCOMPARE(On(file, {"select count(*) from fPayout"}).toInt(), 1500);
        QCOMPARE(On(file, {"select sum(PayoutAccount) from fPayout"}).toDouble(), 13898059.2);
        QCOMPARE(On(file, {"select sum(UseDate) from fPayout"}).toDouble(), 1500 * 46363.5 + 1125750);
        QCOMPARE(On(file, {"select count(*) from fPayout where IncomeAccount is null"}).toInt(), 1500);
        QCOMPARE(On(file, {"select Payout from fPayout where PayoutID = 7"}).toString(), QString("午饭7"));
        for (const char* table : {"bPerson", "bItemProject", "fDiary", "bLedgerInfo"})
            QCOMPARE(On(file, {QString("select count(*) from %1").arg(table)}).toInt(),
                     On(book, {QString("select count(*) from %1").arg(table)}).toInt());
        QCOMPARE(On(file, {"select count(*) from bPerson where LoginAccount = 'ADMIN'"}).toInt(), 1);
        // No ledger file appeared beside the backups, nor a lock.
        QCOMPARE(QDir(dir.filePath("DataBase")).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // The window and the member commands on a server book: shared, so the ledger file's lock,
    // held here by another program, keeps none of them off; no ledger file is made or checked.
    void serverBookTakesNoFileLock_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("out");
        QTest::newRow("window") << QStringList{"--check-start"} << "ledger: %1 (open)";
        QTest::newRow("export") << QStringList{"--export-csv", "book.csv", "--account", "admin"}
                                << "";
        QTest::newRow("backup") << QStringList{"--backup"} << "已把账本 %1 备份为";
    }
    void serverBookTakesNoFileLock() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, out);
        const TLedgerLocation book = NewBook();
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("DataBase"));
        TLedgerLock held(dir.filePath(Schema::DatabasePath));
        QVERIFY(held.TryLock());
        const TProgramRun run = RunProgram(dir.path(), arguments + QStringList{"--ledger", Uri(book)});
        QVERIFY2(run.ExitCode == 0, qPrintable(run.Err));
        if (!out.isEmpty()) QVERIFY2(run.Out.contains(out.arg(book.Shown())), qPrintable(run.Out));
        QVERIFY(!QFileInfo::exists(dir.filePath(Schema::DatabasePath)));
    }

    // A server that cannot be reached, or that wants a password no file gave: the window asks
    // for it, then names the server and offers the ledger file; the check answers neither, and
    // the run ends.
    void windowOffersTheFileWhenTheServerFails_data() {
        QTest::addColumn<QString>("uri");
        QTest::addColumn<QStringList>("messages"); // the start of each, in order
        const QString noServer = QDir::tempPath() + "/no-server-here";
        const QString book = QString("postgresql://anna@/annasbook?host=%1").arg(TPgServer::Shared().SocketFolder());
        QTest::newRow("no server")
            << QString("postgresql:///book?host=%1&user=postgres").arg(noServer)
            << QStringList{"无法连接账本服务器 postgresql://postgres@/book?host=" + noServer + "："};
        QTest::newRow("a password")
            << book << QStringList{"账本服务器 " + book + " 要求输入密码：",
                                   "无法连接账本服务器 " + book + "：服务器要求输入用户“anna”的密码"};
    }
    void windowOffersTheFileWhenTheServerFails() {
        QFETCH(QString, uri);
        QFETCH(QStringList, messages);
        QTemporaryDir dir;
        const TProgramRun run = RunProgram(dir.path(), {"--check-start", "--ledger", uri});
        QCOMPARE(run.ExitCode, 1);
        const QStringList shown = run.Err.split("message: ").mid(1);
        QCOMPARE(shown.size(), messages.size());
        for (int i = 0; i < shown.size(); ++i)
            QVERIFY2(shown[i].startsWith(messages[i]), qPrintable(shown[i]));
        QVERIFY2(shown.last().trimmed().endsWith("\n\n要改用本机的账本文件吗？"), qPrintable(run.Err));
        QVERIFY(!run.Out.contains("login shown"));
    }
};

QTEST_GUILESS_MAIN(TestServerBook)
#include "tst_serverbook.moc"
