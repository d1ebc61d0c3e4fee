#include "Fixture.h"

#include "data/Common.h"
#include "data/Schema.h"
#include "platform/Exception.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

// The ledger file as the create step writes it, and the rules its schema enforces.
class TestSchema : public QObject {
    Q_OBJECT

    static QString InsertError(TTestLedger& ledger, const QString& sql,
                               const QVariantList& values) {
        QSqlQuery query(ledger.Connection());
        query.prepare(sql);
        for (const auto& value : values)
            query.addBindValue(value);
        return query.exec() ? QString() : query.lastError().text();
    }

private Q_SLOTS:
    void newLedgerHasDefaultMemberAndCategories() {
        TTestLedger ledger;
        QCOMPARE(ledger.Scalar("select PersonID from bPerson").toInt(), 1);
        QCOMPARE(ledger.Scalar("select LoginAccount from bPerson").toString(),
                 Schema::DefaultAccount);
        QCOMPARE(ledger.Scalar("select LoginPassword from bPerson").toString(), QString("lgkb_"));
        QCOMPARE(TCommon::DecodeText(ledger.Scalar("select LoginPassword from bPerson").toString()),
                 Schema::DefaultPassword);
        QVERIFY(
            ledger.Scalar("select count(*) from bItemProject where ItemType = '收入'").toInt() >=
            3);
        QVERIFY(
            ledger.Scalar("select count(*) from bItemProject where ItemType = '支出'").toInt() >=
            8);
        QCOMPARE(ledger.Scalar("select count(*) from fPayout").toInt(), 0);
        QCOMPARE(ledger.Scalar("select count(*) from fDiary").toInt(), 0);
        // the file it was built in under a temporary name is gone
        QCOMPARE(QDir("DataBase").entryList({".*.partial*"}, QDir::Files | QDir::Hidden),
                 QStringList());
    }

    // The file carries the planner's statistics from the start, and they follow the number of
    // records: refreshed when it has doubled or halved, left alone otherwise.
    void statisticsFollowTheRecords() {
        TTestLedger ledger;
        QVERIFY(ledger.Scalar("select count(*) from sqlite_master where name = 'sqlite_stat1'")
                    .toInt() == 1);
        QVERIFY(ledger.Scalar("select count(*) from sqlite_stat1 where tbl = 'bItemProject'")
                    .toInt() >= 1);
        QVERIFY(!Schema::RefreshStatistics(ledger.Connection())); // nothing changed
        auto analysed = [&] {
            return ledger
                .Scalar("select stat from sqlite_stat1 where idx = 'ixPayoutPersonDate'")
                .toString()
                .section(' ', 0, 0)
                .toInt();
        };
        int id = 0;
        auto add = [&](int count) {
            for (int i = 0; i < count; ++i)
                ledger.AddPayout(++id, 7, "午饭", 10, {}, QDate(2026, 12, 7), "家长", "支出");
        };
        add(10);
        QVERIFY(Schema::RefreshStatistics(ledger.Connection())); // records where none were
        QCOMPARE(analysed(), 10);
        add(9);
        QVERIFY(!Schema::RefreshStatistics(ledger.Connection()));
        QCOMPARE(analysed(), 10);
        add(1);
        QVERIFY(Schema::RefreshStatistics(ledger.Connection())); // doubled
        QCOMPARE(analysed(), 20);
        ledger.Exec("delete from fPayout where PayoutID > 10");
        QVERIFY(Schema::RefreshStatistics(ledger.Connection())); // halved
        QCOMPARE(analysed(), 10);
    }

    // A ledger without statistics (made before they were kept) gets them.
    void missingStatisticsAreWritten() {
        TTestLedger ledger;
        ledger.Exec("drop table sqlite_stat1");
        QVERIFY(Schema::RefreshStatistics(ledger.Connection()));
        QCOMPARE(ledger.Scalar("select count(*) from sqlite_master where name = 'sqlite_stat1'")
                     .toInt(),
                 1);
    }

    void createRefusesToOverwrite() {
        TTestLedger ledger;
        ledger.AddCategory(100, "保留", "支出");
        try {
            Schema::CreateDatabase(Schema::DatabasePath);
            QFAIL("an existing ledger was overwritten");
        } catch (const EInOutError& error) {
            QVERIFY(error.Message.contains("已经存在"));
        }
        QCOMPARE(
            ledger.Scalar("select count(*) from bItemProject where ItemProjectID = 100").toInt(),
            1);
    }

    void columnsInOrder_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("columns");
        QTest::newRow("bPerson") << "bPerson"
                                 << QStringList{"PersonID",     "PersonName",    "RoleName",
                                                "LoginAccount", "LoginPassword", "Memos"};
        QTest::newRow("bItemProject")
            << "bItemProject" << QStringList{"ItemProjectID", "ItemProject", "ItemType", "Memos"};
        QTest::newRow("fPayout") << "fPayout"
                                 << QStringList{"PayoutID",      "ItemProjectID", "Payout",
                                                "PayoutAccount", "IncomeAccount", "UseDate",
                                                "PersonName",    "Memos",         "ItemType",
                                                "MonthNum",      "YearNum",       "QuarterNum"};
        QTest::newRow("fDiary") << "fDiary"
                                << QStringList{"DiaryID", "Diary", "DiaryDate", "PersonID"};
    }
    void columnsInOrder() {
        QFETCH(QString, table);
        QFETCH(QStringList, columns);
        TTestLedger ledger;
        QSqlQuery query(ledger.Connection());
        QVERIFY(query.exec("pragma table_info(" + table + ")"));
        QStringList found;
        while (query.next())
            found << query.value(1).toString();
        QCOMPARE(found, columns);
    }

    // Over-long text is refused with a message that names the field; text at the limit, counted
    // in characters, is stored whole.
    void textWidthsAreEnforced_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("message");
        QTest::newRow("Payout") << "insert into fPayout (PayoutID, Payout) values (1, ?)" << 200
                                << "收支内容不能超过200个字符";
        QTest::newRow("PersonName") << "insert into fPayout (PayoutID, PersonName) values (1, ?)"
                                    << 50 << "成员姓名不能超过50个字符";
        QTest::newRow("ItemProject")
            << "insert into bItemProject (ItemProjectID, ItemProject) values (99, ?)" << 200
            << "项目名称不能超过200个字符";
        QTest::newRow("LoginAccount")
            << "insert into bPerson (PersonID, LoginAccount) values (9, ?)" << 50
            << "登录帐号不能超过50个字符";
    }
    void textWidthsAreEnforced() {
        QFETCH(QString, sql);
        QFETCH(int, width);
        QFETCH(QString, message);
        TTestLedger ledger;
        QVERIFY(InsertError(ledger, sql, {QString(width + 1, u'账')}).contains(message));
        QCOMPARE(InsertError(ledger, sql, {QString(width, u'账')}), QString());
    }

    void duplicateKeyIsRefused() {
        TTestLedger ledger;
        ledger.AddPayout(1, 1, "a", 1, {}, QDate(2026, 12, 1), "家长", "支出");
        QVERIFY(!InsertError(ledger, "insert into fPayout (PayoutID) values (1)", {}).isEmpty());
        QCOMPARE(ledger.Scalar("select count(*) from fPayout").toInt(), 1);
    }

    void textEqualityIgnoresAsciiCaseOnly() {
        TTestLedger ledger;
        QCOMPARE(ledger.Scalar("select count(*) from bPerson where LoginAccount = 'ADMIN'").toInt(),
                 1);
        QCOMPARE(
            ledger.Scalar("select count(*) from bPerson where LoginAccount = 'admin '").toInt(), 0);
        ledger.AddPerson(2, "Ä", "Äpfel", "x");
        QCOMPARE(ledger.Scalar("select count(*) from bPerson where LoginAccount = 'äpfel'").toInt(),
                 0);
    }

    // Whole yuan are stored as integers and summed exactly, however large; fractional amounts
    // keep their value; text is refused.
    void moneyIsExact() {
        TTestLedger ledger;
        for (int i = 1; i <= 3; ++i)
            ledger.AddPayout(i, 1, "x", qint64(333333333333333), {}, QDate(2026, 12, 1), "家长",
                             "支出");
        QCOMPARE(ledger.Scalar("select sum(PayoutAccount) from fPayout").toLongLong(),
                 qint64(999999999999999));
        QCOMPARE(ledger.Scalar("select typeof(PayoutAccount) from fPayout").toString(),
                 QString("integer"));
        ledger.AddPayout(4, 1, "x", QString("100"), {}, QDate(2026, 12, 1), "家长", "支出");
        QCOMPARE(ledger.Scalar("select typeof(PayoutAccount) from fPayout where PayoutID = 4")
                     .toString(),
                 QString("integer"));
        ledger.AddPayout(5, 1, "x", 12.5, {}, QDate(2026, 12, 1), "家长", "支出");
        QCOMPARE(ledger.Scalar("select PayoutAccount from fPayout where PayoutID = 5").toDouble(),
                 12.5);
        QVERIFY(InsertError(ledger,
                            "insert into fPayout (PayoutID, PayoutAccount) values (6, 'abc')", {})
                    .contains("支出金额必须是数字"));
    }

    void lookupsUseTheirIndexes_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("index");
        QTest::newRow("month list")
            << "select * from fPayout where ItemType = '支出' and UseDate > 46356 and UseDate <= "
               "46387 and PersonName = '妈妈' order by UseDate"
            << "ixPayoutPersonDate";
        QTest::newRow("details")
            << "select PayoutID from fPayout where 1 = 1 and PersonName = '妈妈' order by UseDate"
            << "ixPayoutPersonDate";
        QTest::newRow("statistics")
            << "select b.ItemType, a.ItemProjectID, b.ItemProject, sum(a.IncomeAccount) as iSum "
               "from fPayout a, bItemProject b where a.PersonName = '妈妈' and a.ItemProjectID = "
               "b.ItemProjectID and a.ItemType = '收入' group by b.ItemType, a.ItemProjectID, "
               "b.ItemProject"
            << "ixPayoutPersonItem";
        QTest::newRow("chart")
            << "select MonthNum, sum(IncomeAccount) as fSum01, sum(PayoutAccount) "
               "as fSum02 from fPayout where PersonName = '妈妈' and YearNum = "
               "2026 group by MonthNum"
            << "ixPayoutPersonYear";
        QTest::newRow("diary") << "select * from fDiary where DiaryDate > 46362.4375 and DiaryDate "
                                  "<46363.4375 and PersonID = 2"
                               << "ixDiaryPersonDate";
        QTest::newRow("login") << "select * from bPerson where LoginAccount = 'admin'"
                               << "ixPersonAccount";
    }
    void lookupsUseTheirIndexes() {
        QFETCH(QString, sql);
        QFETCH(QString, index);
        TTestLedger ledger;
        // A family of members, with the statistics taken on them.
        for (int id = 2; id <= 12; ++id)
            ledger.AddPerson(id, QString("成员%1").arg(id), QString("user%1").arg(id), "1");
        QVERIFY(Schema::RefreshStatistics(ledger.Connection()));
        QSqlQuery query(ledger.Connection());
        QVERIFY(query.exec("explain query plan " + sql));
        QString plan;
        while (query.next())
            plan += query.value(3).toString() + "\n";
        QVERIFY2(plan.contains(index), qPrintable(plan));
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
