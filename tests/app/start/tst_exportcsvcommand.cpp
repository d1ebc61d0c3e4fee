#include "ProgramRun.h"
#include "data/Schema.h"
#include "data/ledgerfile/LedgerLock.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

// pennyvale --export-csv FILE --account ACCOUNT, run as the user runs it: the book out of one
// ledger and, through --import-bill, into another; and its ways to fail, each said on standard
// error with no file left behind.
namespace {

TProgramRun Run(const QString& folder, const QStringList& arguments) {
    return RunProgram(folder, arguments);
}

// Runs statements on a ledger file; returns the first value of the last one.
QVariant OnLedger(const QString& ledger, const QStringList& statements) {
    QVariant value;
    {
        QSqlDatabase connection = QSqlDatabase::addDatabase("QSQLITE", "ledger");
        connection.setDatabaseName(ledger);
        QSqlQuery query(connection);
        if (connection.open())
            for (const QString& statement : statements)
                if (query.exec(statement) && query.next()) value = query.value(0);
        query = QSqlQuery();
        connection.close();
    }
    QSqlDatabase::removeDatabase("ledger");
    return value;
}

} // namespace

class TestExportCsvCommand : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    QString FLedger;

private Q_SLOTS:
    void init() {
        FLedger = FDir.filePath(Schema::DatabasePath);
        QFile::remove(FLedger);
        Schema::CreateDatabase(FLedger);
    }

    void wrongArgumentsShowTheUsage_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no account") << QStringList{"--export-csv", "book.csv"};
        QTest::newRow("account misspelt")
            << QStringList{"--export-csv", "book.csv", "--acount", "admin"};
        QTest::newRow("empty file") << QStringList{"--export-csv", "", "--account", "admin"};
    }
    void wrongArgumentsShowTheUsage() {
        QFETCH(QStringList, arguments);
        const TProgramRun run = Run(FDir.path(), arguments);
        QCOMPARE(run.ExitCode, 2);
        QCOMPARE(run.Err, QString("用法：pennyvale --export-csv 文件.csv --account 登录帐号"));
    }

    void failures_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("account");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown account")
            << "book.csv"
            << "nobody" << false << "账本中没有登录帐号为“nobody”的成员，没有导出。";
        QTest::newRow("ledger in use") << "book.csv"
                                       << "admin" << true << "没有导出。";
        QTest::newRow("no such folder") << "none/book.csv"
                                        << "admin" << false << "不存在";
    }
    void failures() {
        QFETCH(QString, file);
        QFETCH(QString, account);
        QFETCH(bool, locked);
        QFETCH(QString, message);
        TLedgerLock lock(FLedger);
        if (locked) QVERIFY(lock.TryLock());
        const TProgramRun run = Run(FDir.path(), {"--export-csv", file, "--account", account});
        QCOMPARE(run.ExitCode, 1);
        QVERIFY2(run.Err.contains(message), qPrintable(run.Err));
        QVERIFY(!QFileInfo::exists(FDir.filePath(file)));
    }

    // The member's records out (not another member's), into a new ledger, and not twice.
    void outAndIn() {
        OnLedger(FLedger,
                 {"insert into bPerson (PersonID, PersonName, LoginAccount) values (2, '李四', "
                  "'lisi')",
                  "insert into fPayout (PayoutID, ItemProjectID, Payout, PayoutAccount, UseDate, "
                  "PersonName, Memos, ItemType, MonthNum, YearNum, QuarterNum) values (1, 7, "
                  "'午饭', 12.3456, 46363, '家长', '一\r\n二', '支出', 12, 2026, 4)",
                  "insert into fPayout (PayoutID, ItemProjectID, Payout, IncomeAccount, UseDate, "
                  "PersonName, ItemType) values (2, 1, '工资', 300, 46363, '李四', '收入')"});
        const TProgramRun out = Run(FDir.path(), {"--export-csv", "book.csv", "--account", "ADMIN"});
        QCOMPARE(out.ExitCode, 0);
        QCOMPARE(out.Out, "已导出 家长 的 1 条帐目到 " + FDir.filePath("book.csv"));

        QTemporaryDir other;
        Schema::CreateDatabase(other.filePath(Schema::DatabasePath));
        const QStringList in = {"--import-bill", FDir.filePath("book.csv"), "--account", "admin"};
        const TProgramRun first = Run(other.path(), in);
        QCOMPARE(first.ExitCode, 0);
        QVERIFY2(first.Out.startsWith("已导入 1 条，已在账本中 0 条"), qPrintable(first.Out));
        QCOMPARE(OnLedger(other.filePath(Schema::DatabasePath),
                          {"select Payout || '|' || PayoutAccount || '|' || Memos || '|' || "
                           "PersonName from fPayout"})
                     .toString(),
                 QString("午饭|12.3456|一\r\n二|家长"));
        const TProgramRun second = Run(other.path(), in);
        QVERIFY2(second.Out.startsWith("已导入 0 条，已在账本中 1 条"), qPrintable(second.Out));
    }
};

QTEST_GUILESS_MAIN(TestExportCsvCommand)
#include "tst_exportcsvcommand.moc"
