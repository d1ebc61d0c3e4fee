#include "data/Schema.h"
#include "data/ledgerfile/LedgerLock.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

// pennyvale --import-bill FILE --account ACCOUNT, run as the user runs it, on its ways to fail:
// each says why on standard error and leaves the ledger as it was.
namespace {

struct TRun {
    int ExitCode = -1;
    QString Out;
    QString Err;
};

TRun Run(const QString& folder, const QStringList& arguments) {
    QProcess process;
    process.setWorkingDirectory(folder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(environment);
    process.start(PENNYVALE_PROGRAM, arguments);
    TRun run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.Out = QString::fromUtf8(process.readAllStandardOutput());
    run.Err = QString::fromUtf8(process.readAllStandardError()).trimmed();
    if (process.exitStatus() == QProcess::NormalExit) run.ExitCode = process.exitCode();
    return run;
}

int Records(const QString& ledger) {
    int count = -1;
    {
        QSqlDatabase connection = QSqlDatabase::addDatabase("QSQLITE", "records");
        connection.setDatabaseName(ledger);
        QSqlQuery query(connection);
        if (connection.open() && query.exec("select count(*) from fPayout") && query.next())
            count = query.value(0).toInt();
        query = QSqlQuery();
        connection.close();
    }
    QSqlDatabase::removeDatabase("records");
    return count;
}

} // namespace

class TestImportBillCommand : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void wrongArgumentsShowTheUsage_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no account") << QStringList{"--import-bill", "bill.csv"};
        QTest::newRow("no file") << QStringList{"--import-bill", "--account", "admin"};
        QTest::newRow("account misspelt")
            << QStringList{"--import-bill", "bill.csv", "--acount", "admin"};
        QTest::newRow("one too many")
            << QStringList{"--import-bill", "bill.csv", "--account", "admin", "x"};
    }
    void wrongArgumentsShowTheUsage() {
        QFETCH(QStringList, arguments);
        QTemporaryDir dir;
        const TRun run = Run(dir.path(), arguments);
        QCOMPARE(run.ExitCode, 2);
        QCOMPARE(run.Err, QString("用法：pennyvale --import-bill 账单文件 --account 登录帐号"));
    }

    // Without a ledger nothing is made: no ledger, no folder.
    void missingLedgerIsNotCreated() {
        QTemporaryDir dir;
        const TRun run = Run(dir.path(), {"--import-bill", "bill.csv", "--account", "admin"});
        QCOMPARE(run.ExitCode, 1);
        QVERIFY2(run.Err.startsWith("找不到账本文件"), qPrintable(run.Err));
        QVERIFY(!QFileInfo::exists(dir.filePath("DataBase")));
    }

    void unknownAccountIsNamed() {
        QTemporaryDir dir;
        const QString ledger = dir.filePath(Schema::DatabasePath);
        Schema::CreateDatabase(ledger);
        const TRun run = Run(dir.path(), {"--import-bill", "bill.csv", "--account", "nobody"});
        QCOMPARE(run.ExitCode, 1);
        QCOMPARE(run.Err, QString("账本中没有登录帐号为“nobody”的成员，没有导入账单。"));
        QCOMPARE(Records(ledger), 0);
    }

    // A running program holds the ledger: the import waits for it to end.
    void ledgerInUseIsRefused() {
        QTemporaryDir dir;
        const QString ledger = dir.filePath(Schema::DatabasePath);
        Schema::CreateDatabase(ledger);
        TLedgerLock lock(ledger);
        QVERIFY(lock.TryLock());
        const TRun run = Run(dir.path(), {"--import-bill", "bill.csv", "--account", "admin"});
        QCOMPARE(run.ExitCode, 1);
        QVERIFY2(run.Err.endsWith("没有导入账单。"), qPrintable(run.Err));
        QCOMPARE(Records(ledger), 0);
    }

    // A bill that cannot be read: the account is found (without regard to case), the reading
    // fails, nothing is written.
    void unreadableBillChangesNothing() {
        QTemporaryDir dir;
        const QString ledger = dir.filePath(Schema::DatabasePath);
        Schema::CreateDatabase(ledger);
        const TRun run = Run(dir.path(), {"--import-bill", "missing.csv", "--account", "ADMIN"});
        QCOMPARE(run.ExitCode, 1);
        QVERIFY(!run.Err.isEmpty());
        QVERIFY2(!run.Err.contains("没有登录帐号"), qPrintable(run.Err));
        QVERIFY(run.Out.isEmpty());
        QCOMPARE(Records(ledger), 0);
    }
};

QTEST_GUILESS_MAIN(TestImportBillCommand)
#include "tst_importbillcommand.moc"
