#include "ErrorOf.h"
#include "Fixture.h"
#include "PgServer.h"
#include "data/query/StatementReader.h"
#include "platform/Exception.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

namespace {

const QString* TextOf(const QVariant& value) {
    return static_cast<const QString*>(value.constData());
}

} // namespace

// The reader that goes straight to SQLite must give exactly what the generic one, through the
// driver, gives: the same columns, the same types and the same values.
class TestStatementReader : public QObject {
    Q_OBJECT

    QTemporaryDir Folder;
    QSqlDatabase Db;
    QSqlDatabase Server; // the same rows on the test server, when the run has one

    int Count(const QString& table) {
        QSqlQuery query(Db);
        query.exec(QStringLiteral("select count(*) from ") + table);
        return query.next() ? query.value(0).toInt() : -1;
    }

private slots:
    void initTestCase() {
        Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("reader"));
        Db.setDatabaseName(Folder.filePath(QStringLiteral("t.db")));
        QVERIFY(Db.open());
        QSqlQuery query(Db);
        QVERIFY(query.exec(QStringLiteral("create table t (id integer primary key, name text, "
                                          "amount real, day datetime, picture blob, n integer)")));
        QVERIFY(query.exec(QStringLiteral(
            "insert into t values (1, '午饭', 12.5, 46000, x'00ff', 7), "
            "(2, '午饭', null, 46000.75, null, null), (3, '', 3, null, x'', -9223372036854775808), "
            "(4, '晚饭', 1e300, '2026-01-01', 'text in a blob column', 42), "
            "(5, '晚饭', -0.5, 1, null, 9223372036854775807)")));
    }
    // The same rows on a file and on the test server: the server reader gives what the file's
    // gives (names without regard to case, the date-time columns, the types and values; amounts
    // to the ten-thousandth the book keeps).
    void serverReadsAsTheFile_data() {
        QTest::addColumn<QString>("sql");
        QTest::newRow("table") << "select * from u order by id";
        QTest::newRow("whole and four-decimal amounts, their sum")
            << "select sum(amount) as total, count(amount) as amounts, min(day) as first from u";
        QTest::newRow("day numbers with a time of day")
            << "select id, day, day - 1 as before from u where day >= 46357 order by id";
        QTest::newRow("names without case") << "select id from u where name = 'ANN' order by id";
        QTest::newRow("comparison as a number") << "select id, name = 'bob' as bob from u order by id";
        QTest::newRow("negated") << "select id, 0 - amount as negated, n from u order by id desc";
        QTest::newRow("repeated texts") << "select name from u order by id";
        QTest::newRow("empty") << "select * from u where id > 99";
        // (a column without a name of its own is named by each engine its own way: the
        // program's statements name every computed column)
    }
    void serverReadsAsTheFile() {
        if (!TTestLedger::OnServer())
            QSKIP("the server's reader: PENNYVALE_TEST_ENGINE=server (tst_statementreader_server)");
        QFETCH(QString, sql);
        if (!Server.isValid()) {
            const QStringList rows = {"(1, 'Ann', 100, 46357, 7)", "(2, 'ann', 12.3456, 46357.75, null)",
                                      "(3, '安', null, null, -5)", "(4, 'Bob', 0.1, 46000, 0)",
                                      "(5, 'Bob', 0.2, 46001.5, 9)"};
            QSqlQuery file(Db);
            QVERIFY(file.exec("create table u (id integer primary key, name text collate nocase, "
                              "amount currency, day datetime, n integer)"));
            QVERIFY(file.exec("insert into u values " + rows.join(", ")));
            Server = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("server"));
            TPgServer::Shared().NewDatabase(QStringLiteral("reader")).ApplyTo(Server);
            QVERIFY(Server.open());
            QSqlQuery server(Server);
            for (const char* statement :
                 {"create extension citext", "create domain datetime as double precision",
                  "create table u (id bigint primary key, name citext collate \"C\", "
                  "amount numeric, day datetime, n bigint)"})
                QVERIFY2(server.exec(statement), qPrintable(server.lastError().text()));
            QVERIFY(server.exec("insert into u values " + rows.join(", ")));
        }
        const TStatementRows file = StatementReader::Read(Db, sql);
        const TStatementRows server = StatementReader::Read(Server, sql);
        QCOMPARE(server.Columns, file.Columns);
        QCOMPARE(server.Names.join(u',').toLower(), file.Names.join(u',').toLower());
        QCOMPARE(server.DateTimeColumns, file.DateTimeColumns);
        QCOMPARE(server.Rows.size(), file.Rows.size());
        for (size_t r = 0; r < file.Rows.size(); ++r)
            for (int c = 0; c < file.Columns; ++c) {
                const QVariant& a = file.Rows[r][c];
                const QVariant& b = server.Rows[r][c];
                const bool same = a.typeId() == QMetaType::Double
                                      ? std::llround(a.toDouble() * 10000) ==
                                            std::llround(b.toDouble() * 10000)
                                      : a == b;
                QVERIFY2(a.isNull() == b.isNull() && a.typeId() == b.typeId() && same,
                         qPrintable(QStringLiteral("row %1 column %2: %3 (%4) on the file, %5 (%6) "
                                                   "on the server")
                                        .arg(r)
                                        .arg(c)
                                        .arg(a.toString(), a.typeName(), b.toString(), b.typeName())));
            }
        if (sql.contains(QStringLiteral("select name"))) // shared as on the file
            QCOMPARE(TextOf(server.Rows[4][0])->constData(), TextOf(server.Rows[3][0])->constData());
    }

    // A statement without a rows set, a second statement and a parameter without a value are
    // refused before anything runs on the server too.
    void serverRefusesStatementsThatWouldWrite() {
        if (!TTestLedger::OnServer())
            QSKIP("the server's reader: PENNYVALE_TEST_ENGINE=server (tst_statementreader_server)");
        if (!Server.isValid()) serverReadsAsTheFile();
        QCOMPARE(ErrorOf([&] { StatementReader::Read(Server, QStringLiteral("delete from u")); }),
                 QStringLiteral("语句没有返回记录集：delete from u"));
        QVERIFY(!ErrorOf([&] {
                     StatementReader::Read(Server, QStringLiteral("select 1; delete from u"));
                 }).isEmpty());
        QCOMPARE(ErrorOf([&] {
                     StatementReader::Read(Server, QStringLiteral("select * from u where id = $1"));
                 }),
                 QStringLiteral("语句中有参数，但没有给出它的值：select * from u where id = $1"));
        QVERIFY(ErrorOf([&] { StatementReader::Read(Server, QStringLiteral("select * from nowhere")); })
                    .contains(QStringLiteral("nowhere")));
        QSqlQuery count(Server);
        QVERIFY(count.exec("select count(*) from u") && count.next());
        QCOMPARE(count.value(0).toInt(), 5);
        // a failure while the rows come leaves the connection ready for the next statement
        QVERIFY(ErrorOf([&] {
                    StatementReader::Read(Server, QStringLiteral("select 1 / (3 - id) from u order by id"));
                }).contains(QStringLiteral("division by zero")));
        QCOMPARE(StatementReader::Read(Server, QStringLiteral("select 1")).Rows.size(), size_t(1));
    }

    void cleanupTestCase() {
        Db.close();
        Db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("reader"));
        if (Server.isValid()) {
            Server.close();
            Server = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("server"));
        }
    }

    void bothReadersAgree_data() {
        QTest::addColumn<QString>("sql");
        QTest::newRow("table") << "select * from t order by id";
        QTest::newRow("expressions") << "select id, 0 - amount as negated, name || '!' as shout, "
                                        "typeof(day) from t order by id desc";
        QTest::newRow("empty") << "select * from t where id > 99";
    }
    void bothReadersAgree() {
        QFETCH(QString, sql);
        const TStatementRows direct = StatementReader::Read(Db, sql);
        const TStatementRows generic = StatementReader::ReadThroughDriver(Db, sql);
        QCOMPARE(direct.Columns, generic.Columns);
        QCOMPARE(direct.Names, generic.Names);
        QCOMPARE(direct.DateTimeColumns, generic.DateTimeColumns);
        QCOMPARE(direct.Rows.size(), generic.Rows.size());
        for (size_t r = 0; r < direct.Rows.size(); ++r)
            for (int c = 0; c < direct.Columns; ++c) {
                const QVariant& a = direct.Rows[r][c];
                const QVariant& b = generic.Rows[r][c];
                QVERIFY2(a.isNull() == b.isNull() && a.typeId() == b.typeId() && a == b,
                         qPrintable(QStringLiteral("row %1 column %2: %3 / %4")
                                        .arg(r)
                                        .arg(c)
                                        .arg(a.toString(), b.toString())));
            }
    }

    void readsEachKindOfValue() {
        const TStatementRows rows =
            StatementReader::Read(Db, QStringLiteral("select * from t order by id"));
        QCOMPARE(rows.Names, QStringList({"id", "name", "amount", "day", "picture", "n"}));
        QCOMPARE(rows.DateTimeColumns,
                 std::vector<bool>({false, false, false, true, false, false}));
        QCOMPARE(rows.Rows.size(), size_t(5));
        QCOMPARE(rows.Rows[0][0].typeId(), int(QMetaType::LongLong));
        QCOMPARE(rows.Rows[0][1], QVariant(QStringLiteral("午饭")));
        QCOMPARE(rows.Rows[0][2], QVariant(12.5));
        QCOMPARE(rows.Rows[0][4], QVariant(QByteArray("\x00\xff", 2)));
        QVERIFY(rows.Rows[1][2].isNull()); // NULL stays NULL, never 0
        QCOMPARE(rows.Rows[1][3], QVariant(46000.75));
        QCOMPARE(rows.Rows[2][1], QVariant(QString()));
        QVERIFY(!rows.Rows[2][1].isNull()); // an empty text is not NULL
        QCOMPARE(rows.Rows[2][5], QVariant(std::numeric_limits<qlonglong>::min()));
        QCOMPARE(rows.Rows[3][2], QVariant(1e300));
        QCOMPARE(rows.Rows[3][3], QVariant(QStringLiteral("2026-01-01")));
        QCOMPARE(rows.Rows[4][5], QVariant(std::numeric_limits<qlonglong>::max()));
    }

    // A text equal to the one above it shares that one's storage; a different one does not,
    // nor does an equal one after a NULL or a number in between.
    void repeatedTextsShareStorage() {
        QSqlQuery query(Db);
        QVERIFY(query.exec(QStringLiteral("create table s (k integer primary key, v)")));
        QVERIFY(query.exec(QStringLiteral(
            "insert into s values (1, '收入'), (2, '收入'), (3, '支出'), (4, null), (5, '支出'), "
            "(6, 5), (7, '5'), (8, '5')")));
        const TStatementRows rows =
            StatementReader::Read(Db, QStringLiteral("select v from s order by k"));
        QCOMPARE(rows.Rows.size(), size_t(8));
        QCOMPARE(TextOf(rows.Rows[1][0])->constData(), TextOf(rows.Rows[0][0])->constData());
        QVERIFY(TextOf(rows.Rows[2][0])->constData() != TextOf(rows.Rows[1][0])->constData());
        QCOMPARE(rows.Rows[4][0], QVariant(QStringLiteral("支出")));
        QCOMPARE(rows.Rows[5][0].typeId(), int(QMetaType::LongLong));
        QCOMPARE(rows.Rows[6][0].typeId(), int(QMetaType::QString)); // not the number above
        QCOMPARE(TextOf(rows.Rows[7][0])->constData(), TextOf(rows.Rows[6][0])->constData());
        QVERIFY(query.exec(QStringLiteral("drop table s")));
    }

    // A statement that returns no rows set is refused before it runs, and so is a second
    // statement behind the first: neither changes the file.
    void refusesStatementsThatWouldWrite() {
        QCOMPARE(ErrorOf([&] { StatementReader::Read(Db, QStringLiteral("delete from t")); }),
                 QStringLiteral("语句没有返回记录集：delete from t"));
        QCOMPARE(Count(QStringLiteral("t")), 5);
        QVERIFY(ErrorOf([&] {
                    StatementReader::Read(Db, QStringLiteral("select 1; delete from t"));
                }).startsWith(QStringLiteral("一次只能执行一条查询语句")));
        QCOMPARE(Count(QStringLiteral("t")), 5);
        // Blanks and a trailing semicolon are one statement.
        QCOMPARE(StatementReader::Read(Db, QStringLiteral("select 1;  \n")).Rows.size(), size_t(1));
    }

    // A parameter nobody gives a value is an error, as through the driver, not a NULL that
    // quietly finds nothing.
    void refusesParametersWithoutValues() {
        for (const QString sql : {QStringLiteral("select * from t where id = ?"),
                                  QStringLiteral("select * from t where name = :name")}) {
            QCOMPARE(ErrorOf([&] { StatementReader::Read(Db, sql); }),
                     QStringLiteral("语句中有参数，但没有给出它的值：") + sql);
            QVERIFY(!ErrorOf([&] { StatementReader::ReadThroughDriver(Db, sql); }).isEmpty());
        }
    }

    void reportsTheEnginesText() {
        QVERIFY(ErrorOf([&] {
                    StatementReader::Read(Db, QStringLiteral("select * from nowhere"));
                }).contains(QStringLiteral("no such table: nowhere")));
        QVERIFY(ErrorOf([&] {
                    StatementReader::Read(Db, QStringLiteral("selec 1"));
                }).contains(QStringLiteral("syntax error")));
        // A failure while the rows are read, after the statement was prepared.
        QVERIFY(ErrorOf([&] {
                    StatementReader::Read(Db, QStringLiteral("select abs(n) from t order by id"));
                }).contains(QStringLiteral("integer overflow")));
        QCOMPARE(ErrorOf([&] { StatementReader::Read(Db, QStringLiteral("  -- nothing\n")); }),
                 QStringLiteral("没有要执行的查询语句"));
    }
};

QTEST_GUILESS_MAIN(TestStatementReader)
#include "tst_statementreader.moc"
