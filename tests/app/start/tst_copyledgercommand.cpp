#include "HostileBook.h"
#include "PgServer.h"
#include "ProgramRun.h"
#include "data/Schema.h"
#include "data/ledgerfile/LedgerLock.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

// pennyvale --copy-ledger FROM TO, run as the user runs it: a book moved from a file to a server
// and back arrives unchanged, a target that holds anything is refused, and a copy that fails on
// the way leaves no target.
namespace {

// The tables of a server database (names as the server keeps them).
QStringList ServerTables(const TLedgerLocation& location) {
    QStringList tables;
    {
        QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("look"));
        location.ApplyTo(connection);
        if (connection.open()) tables = connection.tables();
        connection.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("look"));
    return tables;
}

void ServerExec(const TLedgerLocation& location, const QString& sql) {
    {
        QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("exec"));
        location.ApplyTo(connection);
        QVERIFY(connection.open());
        QSqlQuery query(connection);
        QVERIFY2(query.exec(sql), qPrintable(sql));
        connection.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("exec"));
}

QString Uri(const TLedgerLocation& location) {
    return QStringLiteral("postgresql:///%1?host=%2&user=postgres")
        .arg(location.Database(), location.Host());
}

} // namespace

class TestCopyLedgerCommand : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    QString FBook; // the generated book, a file

    QString Path(const QString& name) const { return FDir.filePath(name); }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(FDir.isValid());
        FBook = Path(QStringLiteral("book.mdb"));
        HostileBook::WriteFile(FBook, 3000);
    }

    // File → server → file: the second file's tables are the first's, value for value and kind
    // for kind, and the program says what it copied.
    void fileToServerToFile() {
        const TLedgerLocation server = TPgServer::Shared().NewDatabase();
        const TProgramRun there = RunProgram(FDir.path(), {"--copy-ledger", FBook, Uri(server)});
        QVERIFY2(there.ExitCode == 0, qPrintable(there.Err));
        QVERIFY2(there.Out.contains(QStringLiteral("收支记录 3000 条")), qPrintable(there.Out));
        QVERIFY2(there.Out.contains(QStringLiteral("成员 4 个，收支项目 30 个")), qPrintable(there.Out));
        const QString back = Path(QStringLiteral("back/book.mdb"));
        const TProgramRun again = RunProgram(FDir.path(), {"--copy-ledger", Uri(server), back});
        QVERIFY2(again.ExitCode == 0, qPrintable(again.Err));
        QVERIFY2(again.Out.startsWith(QStringLiteral("已复制账本：")), qPrintable(again.Out));
        const QString before = HostileBook::Dump(FBook);
        QVERIFY(before.contains(QStringLiteral("INSERT INTO fPayout VALUES(3000,")));
        QCOMPARE(HostileBook::Dump(back), before);
        // file → file, the way a family copies a book without a server; the copy names both
        // its books, so a setting of the folder that cannot be used has no say
        QFile setting(Path(TLedgerLocation::SettingFileName));
        QVERIFY(setting.open(QIODevice::WriteOnly) && setting.write("postgresql://host:port/x\n") > 0);
        setting.close();
        const QString copy = Path(QStringLiteral("copy.mdb"));
        const TProgramRun local = RunProgram(FDir.path(), {"--copy-ledger", back, copy});
        setting.remove();
        QVERIFY2(local.ExitCode == 0, qPrintable(local.Err));
        QCOMPARE(HostileBook::Dump(copy), before);
    }

    // Each refusal says why and leaves the target as it was.
    void refuses_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("target file exists") << "file" << 1 << QStringLiteral("已经存在，不会覆盖");
        QTest::newRow("target server holds a book") << "book" << 1 << QStringLiteral("中已经有一个账本");
        QTest::newRow("target server has other tables") << "foreign" << 1 << QStringLiteral("不是空的（其中已有数据表 notes）");
        QTest::newRow("target database folds other letters")
            << "ctype" << 1 << QStringLiteral("的字符分类（LC_CTYPE）是 C.UTF-8 而不是 C");
        QTest::newRow("source missing") << "missing" << 1 << QStringLiteral("找不到账本文件");
        QTest::newRow("source open in the program") << "locked" << 1 << QStringLiteral("正在使用");
        QTest::newRow("URI without a database") << "uri" << 2 << QStringLiteral("没有给出数据库的名称");
    }
    void refuses() {
        QFETCH(QString, kind);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QString from = FBook;
        QString to = Path(QStringLiteral("new-%1.mdb").arg(kind));
        TLedgerLocation server = TPgServer::Shared().NewDatabase();
        TLedgerLock lock(FBook);
        if (kind == "file") {
            HostileBook::WriteFile(to, 1);
        } else if (kind == "book") {
            Schema::CreateServerBook(server);
            to = Uri(server);
        } else if (kind == "foreign") {
            ServerExec(server, QStringLiteral("create table notes (line text)"));
            to = Uri(server);
        } else if (kind == "ctype") {
            QVERIFY(TPgServer::Shared().Admin(
                "create database folding template template0 lc_ctype 'C.UTF-8' lc_collate 'C'"));
            server = TPgServer::Shared().Location(QStringLiteral("folding"));
            to = Uri(server);
        } else if (kind == "missing") {
            from = Path(QStringLiteral("nothere.mdb"));
            to = Uri(server);
        } else if (kind == "locked") {
            QVERIFY(lock.TryLock());
            to = Uri(server);
        } else if (kind == "uri") {
            to = QStringLiteral("postgresql:///?host=%1").arg(server.Host());
        }
        const QStringList tablesBefore = ServerTables(server);
        const QString fileBefore = HostileBook::Dump(to);
        const TProgramRun run = RunProgram(FDir.path(), {"--copy-ledger", from, to});
        QCOMPARE(run.ExitCode, exitCode);
        QVERIFY2(run.Err.contains(message), qPrintable(run.Err));
        QVERIFY(run.Out.isEmpty());
        QCOMPARE(ServerTables(server), tablesBefore);
        if (kind == "file") QCOMPARE(HostileBook::Dump(to), fileBefore);
        else QVERIFY(!QFileInfo::exists(to));
    }

    // A copy that fails half-way leaves no target: a server refuses a row late in the book (a
    // key that is text, which a file's integer column may hold), a disk fills up under a file.
    void failureLeavesNoTarget_data() {
        QTest::addColumn<bool>("toServer");
        QTest::newRow("server refuses a row") << true;
        QTest::newRow("disk full under the file") << false;
    }
    void failureLeavesNoTarget() {
        QFETCH(bool, toServer);
        QTemporaryDir dir;
        const QString from = dir.filePath(QStringLiteral("from.mdb"));
        QVERIFY(QFile::copy(FBook, from));
        TProgramOptions options;
        QString to = dir.filePath(QStringLiteral("to.mdb"));
        const TLedgerLocation server = TPgServer::Shared().NewDatabase();
        if (toServer) {
            QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bad"));
            connection.setDatabaseName(from);
            QVERIFY(connection.open());
            QVERIFY(QSqlQuery(connection).exec(QStringLiteral("update fPayout set ItemProjectID = 'x' where PayoutID = 2900")));
            connection.close();
            connection = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("bad"));
            to = Uri(server);
        } else {
            options.FileSizeLimit = QFileInfo(from).size() / 2; // the source is only read
        }
        const TProgramRun run = RunProgram(dir.path(), {"--copy-ledger", from, to}, options);
        QCOMPARE(run.ExitCode, 1);
        QVERIFY2(run.Err.endsWith(QStringLiteral("没有复制账本。")), qPrintable(run.Err));
        QVERIFY2(!run.Out.contains(QStringLiteral("已复制账本")), qPrintable(run.Out));
        QVERIFY(ServerTables(server).isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({QStringLiteral("from.mdb")}));
    }
};

QTEST_GUILESS_MAIN(TestCopyLedgerCommand)
#include "tst_copyledgercommand.moc"
