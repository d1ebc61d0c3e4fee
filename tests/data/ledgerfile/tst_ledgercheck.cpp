#include "Files.h"
#include "Fixture.h"

#include "data/DataModule.h"
#include "data/ledgerfile/LedgerCheck.h"
#include "data/Schema.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

namespace {

const QString Copy = QStringLiteral("copy.mdb");

QStringList Files() {
    return QDir(QStringLiteral("DataBase")).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// The page of an index or table of the file, as the schema names it.
int RootPage(TTestLedger& ledger, const QString& name) {
    return ledger.Scalar("select rootpage from sqlite_master where name = ?", {name}).toInt();
}

void Exec(const QString& path, const QString& sql) {
    {
        auto connection = QSqlDatabase::addDatabase("QSQLITE", "check-exec");
        connection.setDatabaseName(path);
        QVERIFY(connection.open());
        QSqlQuery query(connection);
        QVERIFY(query.exec(sql));
    }
    QSqlDatabase::removeDatabase("check-exec");
}

} // namespace

// The check a ledger or a backup copy gets: SQLite's quick check of every page and this
// program's tables, through a read-only connection that leaves the file as it was.
class TestLedgerCheck : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void soundLedgerPasses() {
        TTestLedger ledger;
        QString reason = QStringLiteral("untouched");
        QCOMPARE(LedgerCheck::CheckFile(Schema::DatabasePath, &reason), TLedgerProblem::None);
        QCOMPARE(reason, QString());
        QCOMPARE(LedgerCheck::QuickCheck(ledger.Connection()), QString());
    }

    // The damage lies in a table's records, in an index, or in the list of tables.
    void damageIsFound_data() {
        QTest::addColumn<QString>("object");
        QTest::newRow("table records") << "fPayout";
        QTest::newRow("index") << "ixPayoutPersonDate";
        QTest::newRow("list of tables") << "";
    }
    void damageIsFound() {
        QFETCH(QString, object);
        TTestLedger ledger;
        for (int id = 1; id <= 20; ++id)
            ledger.AddPayout(id, 7, "午饭", 25, QVariant(), QDate(2026, 12, 7), "家长", "支出");
        const int page = object.isEmpty() ? 1 : RootPage(ledger, object);
        QVERIFY(page >= 1);
        ledger.ReleaseServices();
        delete dmMain;
        dmMain = nullptr;
        QVERIFY(QFile::copy(Schema::DatabasePath, Copy));
        const qint64 start = qint64(page - 1) * 4096 + (page == 1 ? 100 : 0);
        Scribble(Copy, start, qint64(page) * 4096 - start);
        const QByteArray damaged = ReadAll(Copy);
        QString reason;
        QCOMPARE(LedgerCheck::CheckFile(Copy, &reason), TLedgerProblem::Damaged);
        QVERIFY(!reason.isEmpty());
        QVERIFY2(!reason.contains(QStringLiteral("***")), qPrintable(reason));
        QCOMPARE(ReadAll(Copy), damaged); // looked at, never written
        QVERIFY(!QFile::exists(Copy + QStringLiteral("-journal")));
    }

    void otherFiles_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("problem");
        QTest::newRow("missing") << "missing" << int(TLedgerProblem::Missing);
        QTest::newRow("empty") << "empty" << int(TLedgerProblem::Empty);
        QTest::newRow("text") << "text" << int(TLedgerProblem::NotALedger);
        QTest::newRow("other database") << "foreign" << int(TLedgerProblem::NotALedger);
        QTest::newRow("table without a column") << "column" << int(TLedgerProblem::Damaged);
        QTest::newRow("folder") << "folder" << int(TLedgerProblem::Folder);
    }
    void otherFiles() {
        QFETCH(QString, kind);
        QFETCH(int, problem);
        TTestLedger ledger;
        if (kind == "empty") WriteAll(Copy, {});
        if (kind == "text") WriteAll(Copy, QByteArray(5000, 't'));
        if (kind == "foreign") Exec(Copy, "create table t (a)");
        if (kind == "column") {
            QVERIFY(QFile::copy(Schema::DatabasePath, Copy));
            Exec(Copy, "alter table fDiary drop column Diary");
        }
        if (kind == "folder") QVERIFY(QDir().mkdir(Copy));
        QString reason;
        QCOMPARE(int(LedgerCheck::CheckFile(Copy, &reason)), problem);
        if (kind == "column")
            QVERIFY2(reason.contains(QStringLiteral("数据表 fDiary 缺少列 Diary")),
                     qPrintable(reason));
    }

    // The program's own connection may hold the ledger open while it is checked.
    void checksTheOpenLedger() {
        TTestLedger ledger;
        ledger.Exec("begin");
        ledger.AddPayout(1, 7, "午饭", 25, QVariant(), QDate(2026, 12, 7), "家长", "支出");
        QCOMPARE(LedgerCheck::CheckFile(Schema::DatabasePath), TLedgerProblem::None);
        ledger.Exec("commit");
        QCOMPARE(LedgerCheck::CheckFile(Schema::DatabasePath), TLedgerProblem::None);
        QCOMPARE(Files(), QStringList{"Hearthbook.mdb"});
    }
};

QTEST_GUILESS_MAIN(TestLedgerCheck)
#include "tst_ledgercheck.moc"
