#include "BillFixture.h"
#include "ProgramRun.h"
#include "data/Schema.h"
#include "data/ledgerfile/LedgerLock.h"
#include "import/BillImporter.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

// pennyvale --import-bill FILE --account ACCOUNT, run as the user runs it: the synthetic bills
// imported to the figures worked out by hand and never twice, and the ways to fail, each saying
// why on standard error and leaving the ledger as it was.
Q_DECLARE_METATYPE(TImportCounts)

namespace {

TProgramRun Run(const QString& folder, const QStringList& arguments) {
    return RunProgram(folder, arguments);
}

// The ledger's records: how many, and the sums of the expenditure and income columns in fen.
struct TRecords {
    int Count = -1;
    qint64 PayoutFen = 0;
    qint64 IncomeFen = 0;
};

TRecords ReadRecords(const QString& ledger) {
    TRecords records;
    {
        QSqlDatabase connection = QSqlDatabase::addDatabase("QSQLITE", "records");
        connection.setDatabaseName(ledger);
        QSqlQuery query(connection);
        if (connection.open() &&
            query.exec("select count(*), "
                       "coalesce(sum(cast(round(PayoutAccount * 100) as integer)), 0), "
                       "coalesce(sum(cast(round(IncomeAccount * 100) as integer)), 0) "
                       "from fPayout") &&
            query.next()) {
            records.Count = query.value(0).toInt();
            records.PayoutFen = query.value(1).toLongLong();
            records.IncomeFen = query.value(2).toLongLong();
        }
        query = QSqlQuery();
        connection.close();
    }
    QSqlDatabase::removeDatabase("records");
    return records;
}

int Records(const QString& ledger) {
    return ReadRecords(ledger).Count;
}

} // namespace

class TestImportBillCommand : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The synthetic bills imported through the program into a new ledger, one after the other:
    // the records and their sums are those tests/fixtures/bills/README.md works out by hand for
    // the bill (every import after the first adds nothing), and the line is the last import's.
    void importsTheBillsOnce_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("records");
        QTest::addColumn<qint64>("payoutFen");
        QTest::addColumn<qint64>("incomeFen");
        QTest::addColumn<TImportCounts>("counts");
        const QStringList alipay = {"alipay-new.csv"};
        const QStringList wechat = {"wechat.csv"};
        // alipay-new.csv: 19 payments and 3 incomes; 4 transfers, #9 closed and #5 refunded
        // in full skipped; its 2 refund rows netted.
        QTest::newRow("alipay-new.csv")
            << alipay << 22 << qint64(323865) << qint64(520123) << TImportCounts{22, 0, 6, 2, 0};
        // Again: the 22 records and the 2 refunds are known; the same 6 rows skipped.
        QTest::newRow("alipay-new.csv twice") << alipay + alipay << 22 << qint64(323865)
                                              << qint64(520123) << TImportCounts{0, 24, 6, 0, 0};
        // alipay-old.txt: 7 payments (#2 less its 59.00) and 2 incomes; #3 closed, #5 a
        // transfer, #7 refunded in full.
        QTest::newRow("alipay-old.txt") << QStringList{"alipay-old.txt"} << 9 << qint64(36540)
                                        << qint64(310000) << TImportCounts{9, 0, 3, 0, 0};
        // wechat.csv: 17 payments and 3 incomes; 5 neutral, #8 closed, #3 and #5 refunded in
        // full; the 2 "-退款" rows netted.
        QTest::newRow("wechat.csv")
            << wechat << 20 << qint64(109355) << qint64(62300) << TImportCounts{20, 0, 8, 2, 0};
        QTest::newRow("wechat.xlsx") << QStringList{"wechat.xlsx"} << 20 << qint64(109355)
                                     << qint64(62300) << TImportCounts{20, 0, 8, 2, 0};
        QTest::newRow("wechat.csv twice") << wechat + wechat << 20 << qint64(109355)
                                          << qint64(62300) << TImportCounts{0, 22, 8, 0, 0};
        QTest::newRow("wechat.xlsx after wechat.csv")
            << QStringList{"wechat.csv", "wechat.xlsx"} << 20 << qint64(109355) << qint64(62300)
            << TImportCounts{0, 22, 8, 0, 0};
    }
    void importsTheBillsOnce() {
        QFETCH(QStringList, files);
        QFETCH(int, records);
        QFETCH(qint64, payoutFen);
        QFETCH(qint64, incomeFen);
        QFETCH(TImportCounts, counts);
        QTemporaryDir dir;
        const QString ledger = dir.filePath(Schema::DatabasePath);
        Schema::CreateDatabase(ledger);
        TProgramRun run;
        for (const QString& file : files) {
            run = Run(dir.path(), {"--import-bill", BillFixture::Path(file), "--account", "ADMIN"});
            QVERIFY2(run.ExitCode == 0, qPrintable(file + ": " + run.Err));
        }
        const TRecords found = ReadRecords(ledger);
        QCOMPARE(found.Count, records);
        QCOMPARE(found.PayoutFen, payoutFen);
        QCOMPARE(found.IncomeFen, incomeFen);
        QCOMPARE(run.Out, TBillImporter::CountsText(counts));
    }

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
        const TProgramRun run = Run(dir.path(), arguments);
        QCOMPARE(run.ExitCode, 2);
        QCOMPARE(run.Err, QString("用法：pennyvale --import-bill 账单文件 --account 登录帐号"));
    }

    // Without a ledger nothing is made: no ledger, no folder.
    void missingLedgerIsNotCreated() {
        QTemporaryDir dir;
        const TProgramRun run = Run(dir.path(), {"--import-bill", "bill.csv", "--account", "admin"});
        QCOMPARE(run.ExitCode, 1);
        QVERIFY2(run.Err.startsWith("找不到账本文件"), qPrintable(run.Err));
        QVERIFY(!QFileInfo::exists(dir.filePath("DataBase")));
    }

    void unknownAccountIsNamed() {
        QTemporaryDir dir;
        const QString ledger = dir.filePath(Schema::DatabasePath);
        Schema::CreateDatabase(ledger);
        const TProgramRun run = Run(dir.path(), {"--import-bill", "bill.csv", "--account", "nobody"});
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
        const TProgramRun run = Run(dir.path(), {"--import-bill", "bill.csv", "--account", "admin"});
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
        const TProgramRun run = Run(dir.path(), {"--import-bill", "missing.csv", "--account", "ADMIN"});
        QCOMPARE(run.ExitCode, 1);
        QVERIFY(!run.Err.isEmpty());
        QVERIFY2(!run.Err.contains("没有登录帐号"), qPrintable(run.Err));
        QVERIFY(run.Out.isEmpty());
        QCOMPARE(Records(ledger), 0);
    }
};

QTEST_GUILESS_MAIN(TestImportBillCommand)
#include "tst_importbillcommand.moc"
