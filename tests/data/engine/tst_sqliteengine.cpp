#include "data/engine/SqliteEngine.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

QSqlError WithCode(const QString& code) {
    return QSqlError(QStringLiteral("driver"), QStringLiteral("database"),
                     QSqlError::StatementError, code);
}

} // namespace

// SQLite's codes as Qt SQL passes them on: the extended variants count as their primary code,
// so a busy recovery is busy and a damaged index is damage.
class TestSqliteEngine : public QObject {
    Q_OBJECT

private slots:
    void codes_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("primary");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("damage");
        QTest::newRow("busy") << "5" << 5 << true << false;
        QTest::newRow("busy recovery") << "261" << 5 << true << false;
        QTest::newRow("locked shared cache") << "262" << 6 << true << false;
        QTest::newRow("corrupt") << "11" << 11 << false << true;
        QTest::newRow("corrupt sequence") << "523" << 11 << false << true;
        QTest::newRow("corrupt index") << "779" << 11 << false << true;
        QTest::newRow("not a database") << "26" << 26 << false << true;
        QTest::newRow("unique constraint") << "2067" << 19 << false << false;
        QTest::newRow("read-only rollback") << "776" << 8 << false << false;
        QTest::newRow("no code") << "" << 0 << false << false;
        QTest::newRow("not a number") << "HY000" << 0 << false << false;
    }
    void codes() {
        QFETCH(QString, code);
        QFETCH(int, primary);
        QFETCH(bool, busy);
        QFETCH(bool, damage);
        QCOMPARE(SqlitePrimaryCode(WithCode(code)), primary);
        QCOMPARE(IsBusyError(WithCode(code)), busy);
        QCOMPARE(IsDamageError(WithCode(code)), damage);
    }

    // What the driver really passes on for a broken constraint: an extended code.
    void driverPassesExtendedCodes() {
        QTemporaryDir folder;
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("e"));
            db.setDatabaseName(folder.filePath(QStringLiteral("e.db")));
            QVERIFY(db.open());
            QVERIFY(SqliteHandle(db) != nullptr);
            QSqlQuery query(db);
            QVERIFY(query.exec(QStringLiteral("create table t (k integer primary key)")));
            QVERIFY(query.exec(QStringLiteral("insert into t values (1)")));
            QVERIFY(!query.exec(QStringLiteral("insert into t values (1)")));
            QCOMPARE(SqlitePrimaryCode(query.lastError()), 19); // SQLITE_CONSTRAINT
            QVERIFY(query.lastError().nativeErrorCode() != QStringLiteral("19"));
            db.close();
            QCOMPARE(SqliteHandle(db), nullptr);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("e"));
    }
};

QTEST_GUILESS_MAIN(TestSqliteEngine)
#include "tst_sqliteengine.moc"
