#include "Fixture.h"

#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/query/DayNumber.h"
#include "data/query/Query.h"
#include "data/engine/SqlText.h"

#include <QTest>

// Every statement the forms build, spliced exactly as the forms splice it, run on a small known
// ledger, with the rows it must return.
class TestStatements : public QObject {
    Q_OBJECT

    // A small ledger: members 家长 (1), 妈妈 (2) and O'Brien (3), four categories, records of two
    // years, a diary.
    static void Fill(TTestLedger& ledger) {
        ledger.AddPerson(2, "妈妈", "mama", "mm123");
        ledger.AddPerson(3, "O'Brien", "o'brien", "");
        ledger.Exec("delete from bItemProject");
        ledger.AddCategory(1, "工资", "收入");
        ledger.AddCategory(2, "奖金", "收入");
        ledger.AddCategory(3, "餐饮", "支出");
        ledger.AddCategory(4, "交通", "支出");
        ledger.AddPayout(1, 3, "午饭", 30, {}, QDate(2026, 12, 1), "妈妈", "支出");
        ledger.AddPayout(2, 4, "地铁", 5, {}, QDate(2026, 12, 31), "妈妈", "支出");
        ledger.AddPayout(3, 1, "十二月工资", {}, 8000, QDate(2026, 12, 15), "妈妈", "收入");
        ledger.AddPayout(4, 3, "晚饭", 45, {}, QDate(2026, 11, 30), "妈妈", "支出");
        ledger.AddPayout(5, 2, "年终奖", {}, 2000, QDate(2026, 3, 10), "妈妈", "收入");
        ledger.AddPayout(6, 3, "it's lunch", 12, {}, QDate(2026, 6, 1), "妈妈", "支出");
        ledger.AddPayout(7, 3, "聚餐", 100, {}, QDate(2025, 12, 5), "妈妈", "支出");
        ledger.AddPayout(8, 1, "工资", {}, 5000, QDate(2026, 12, 10), "家长", "收入");
        ledger.AddPayout(9, 3, "早饭", 20, {}, QDate(2026, 12, 2), "家长", "支出");
        ledger.AddPayout(10, 3, "茶", 7, {}, QDate(2026, 12, 3), "O'Brien", "支出");
        ledger.AddDiary(1, "六日", QDate(2026, 12, 6), 2);
        ledger.AddDiary(2, "七日\r\n第二行", QDate(2026, 12, 7), 2);
        ledger.AddDiary(3, "八日", QDate(2026, 12, 8), 2);
        ledger.AddDiary(4, "别人的七日", QDate(2026, 12, 7), 1);
    }

    // The rows of the result, each as its fields joined by "|", NULL written as "NULL".
    static QStringList Run(const QString& sql) {
        TQuery& query = *dmMain->qryCommon;
        TCommonDB::OpenSQL(sql, query);
        QStringList rows;
        for (query.First(); !query.Eof(); query.Next()) {
            QStringList fields;
            for (int i = 0; i < query.FieldCount(); ++i) {
                TField field = query.Fields(i);
                fields << (field.IsNull() ? QStringLiteral("NULL") : field.AsString());
            }
            rows << fields.join(u'|');
        }
        return rows;
    }

    static QString Day(int y, int m, int d, int h = 0, int min = 0) {
        return DayNumber::Text(QDateTime(QDate(y, m, d), QTime(h, min)));
    }

    static QString Details(const QString& person, const QString& filters) {
        return "select PayoutID, ItemProjectID, ItemType, Payout, (0 - PayoutAccount) as "
               "PayoutAccount, IncomeAccount, UseDate, PersonName from fPayout where 1 = 1 and "
               "PersonName = '" +
               SqlText(person) + "'" + filters + " order by UseDate";
    }

    static QString Statistics(const QString& person, const QString& filters) {
        return "select b.ItemType, a.ItemProjectID, b.ItemProject, sum(a.IncomeAccount) as iSum "
               "from fPayout a, bItemProject b where a.PersonName = '" +
               SqlText(person) + "' and a.ItemProjectID = b.ItemProjectID" +
               " and a.ItemType = '收入'" + filters +
               " group by b.ItemType, a.ItemProjectID, b.ItemProject" + " union" +
               " select b.ItemType, a.ItemProjectID, b.ItemProject, 0 - sum(a.PayoutAccount) as "
               "iSum" +
               " from fPayout a, bItemProject b where a.PersonName = '" + SqlText(person) +
               "' and a.ItemProjectID = b.ItemProjectID" + " and a.ItemType = '支出'" + filters +
               " group by b.ItemType, a.ItemProjectID, b.ItemProject";
    }

    static QString Chart(const QString& period, const QString& person, const QString& year) {
        return "select " + period +
               ", sum(IncomeAccount) as fSum01, sum(PayoutAccount) as fSum02 "
               "from fPayout where PersonName = '" +
               SqlText(person) + "' and YearNum = " + year + " group by " + period;
    }

private Q_SLOTS:
    void statement_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("rows");

        // Login by account: trimmed account, compared without ASCII case.
        const QString login =
            "select PersonID, PersonName, LoginPassword from bPerson where LoginAccount = '";
        QTest::newRow("login") << login + SqlText("mama") + "'" << QStringList{"2|妈妈|10/kk"};
        QTest::newRow("login other case")
            << login + SqlText("MaMa") + "'" << QStringList{"2|妈妈|10/kk"};
        QTest::newRow("login unknown") << login + SqlText("nobody") + "'" << QStringList{};
        QTest::newRow("login apostrophe")
            << login + SqlText("o'brien") + "'" << QStringList{"3|O'Brien|"};
        QTest::newRow("login injection") << login + SqlText("x' or '1'='1") + "'" << QStringList{};
        QTest::newRow("login empty") << login + SqlText("") + "'" << QStringList{};

        QTest::newRow("next key") << "select max(PayoutID) from fPayout" << QStringList{"10"};

        // Entry form: categories of one kind, and the month's list of one member.
        QTest::newRow("categories of a kind") << "select ItemProjectID, ItemProject, ItemType from "
                                                 "bItemProject where ItemType = '支出'"
                                              << QStringList{"3|餐饮|支出", "4|交通|支出"};
        QTest::newRow("month list")
            << "select PayoutID, UseDate from fPayout where ItemType = '支出' and UseDate > " +
                   Day(2026, 11, 30) + " and UseDate <= " + Day(2026, 12, 31) +
                   " and PersonName = '妈妈' order by UseDate"
            << QStringList{"1|46357", "2|46387"};
        QTest::newRow("month list as written")
            << "select PayoutID from fPayout where ItemType = '支出' and UseDate > 46356 and "
               "UseDate <= 46387 and PersonName = '妈妈' order by UseDate"
            << QStringList{"1", "2"};
        QTest::newRow("month list of income")
            << "select PayoutID from fPayout where ItemType = '收入' and UseDate > 46356 and "
               "UseDate <= 46387 and PersonName = '妈妈' order by UseDate"
            << QStringList{"3"};

        // Query form: details and per-category totals, unfiltered and with each filter.
        QTest::newRow("details") << Details("妈妈", "")
                                 << QStringList{"7|3|支出|聚餐|-100|NULL|45996|妈妈",
                                                "5|2|收入|年终奖|NULL|2000|46091|妈妈",
                                                "6|3|支出|it's lunch|-12|NULL|46174|妈妈",
                                                "4|3|支出|晚饭|-45|NULL|46356|妈妈",
                                                "1|3|支出|午饭|-30|NULL|46357|妈妈",
                                                "3|1|收入|十二月工资|NULL|8000|46371|妈妈",
                                                "2|4|支出|地铁|-5|NULL|46387|妈妈"};
        QTest::newRow("details as first opened")
            << "select PayoutID from fPayout where PersonName = '妈妈' order by UseDate"
            << QStringList{"7", "5", "6", "4", "1", "3", "2"};
        QTest::newRow("details by kind") << Details("妈妈", " and ItemType = '收入'")
                                         << QStringList{"5|2|收入|年终奖|NULL|2000|46091|妈妈",
                                                        "3|1|收入|十二月工资|NULL|8000|46371|妈妈"};
        QTest::newRow("details by member")
            << Details("妈妈", " and PersonName = '家长'") << QStringList{};
        const QString begin = DayNumber::Text(
            DayNumber::FromDateTime(QDateTime(QDate(2026, 12, 1), QTime(10, 30))) - 1);
        const QString end = Day(2026, 12, 31, 10, 30);
        QTest::newRow("details by date")
            << Details("妈妈", " and UseDate >= " + begin + " and UseDate <= " + end)
            << QStringList{"1|3|支出|午饭|-30|NULL|46357|妈妈",
                           "3|1|收入|十二月工资|NULL|8000|46371|妈妈",
                           "2|4|支出|地铁|-5|NULL|46387|妈妈"};
        QTest::newRow("details by content") << Details("妈妈", " and Payout like '%饭%'")
                                            << QStringList{"4|3|支出|晚饭|-45|NULL|46356|妈妈",
                                                           "1|3|支出|午饭|-30|NULL|46357|妈妈"};
        QTest::newRow("details by content with apostrophe")
            << Details("妈妈", " and Payout like '%" + SqlText("it's") + "%'")
            << QStringList{"6|3|支出|it's lunch|-12|NULL|46174|妈妈"};
        QTest::newRow("details content ignores ASCII case")
            << Details("妈妈", " and Payout like '%LUNCH%'")
            << QStringList{"6|3|支出|it's lunch|-12|NULL|46174|妈妈"};
        QTest::newRow("details with every filter")
            << Details("妈妈", " and ItemType = '支出' and PersonName = '妈妈' and UseDate >= " +
                                   begin + " and UseDate <= " + end + " and Payout like '%饭%'")
            << QStringList{"1|3|支出|午饭|-30|NULL|46357|妈妈"};
        QTest::newRow("details of a member with an apostrophe")
            << Details("O'Brien", "") << QStringList{"10|3|支出|茶|-7|NULL|46359|O'Brien"};

        QTest::newRow("statistics") << Statistics("妈妈", "")
                                    << QStringList{"收入|1|工资|8000", "收入|2|奖金|2000",
                                                   "支出|3|餐饮|-187", "支出|4|交通|-5"};
        QTest::newRow("statistics by kind") << Statistics("妈妈", " and a.ItemType = '支出'")
                                            << QStringList{"支出|3|餐饮|-187", "支出|4|交通|-5"};
        QTest::newRow("statistics by date")
            << Statistics("妈妈", " and a.UseDate >= " + begin + " and a.UseDate <= " + end)
            << QStringList{"收入|1|工资|8000", "支出|3|餐饮|-30", "支出|4|交通|-5"};
        QTest::newRow("statistics by content")
            << Statistics("妈妈", " and a.Payout like '%饭%'") << QStringList{"支出|3|餐饮|-75"};
        QTest::newRow("statistics as first opened")
            << "select b.ItemType, a.ItemProjectID, b.ItemProject, sum(a.IncomeAccount) as iSum "
               "from "
               "fPayout a, bItemProject b where a.ItemProjectID = b.ItemProjectID and a.ItemType = "
               "'收入' and a.PersonName = '家长' group by b.ItemType, a.ItemProjectID, "
               "b.ItemProject union "
               "select b.ItemType, a.ItemProjectID, b.ItemProject, 0 - sum(a.PayoutAccount) as "
               "iSum "
               "from fPayout a, bItemProject b where a.ItemProjectID = b.ItemProjectID and "
               "a.ItemType "
               "= '支出' and a.PersonName = '家长' group by b.ItemType, a.ItemProjectID, "
               "b.ItemProject"
            << QStringList{"收入|1|工资|5000", "支出|3|餐饮|-20"};

        // Annual chart: only periods with records; an income-only period sums expenditure to NULL.
        QTest::newRow("chart by month")
            << Chart("MonthNum", "妈妈", "2026")
            << QStringList{"3|2000|NULL", "6|NULL|12", "11|NULL|45", "12|8000|35"};
        QTest::newRow("chart by quarter") << Chart("QuarterNum", "妈妈", "2026")
                                          << QStringList{"1|2000|NULL", "2|NULL|12", "4|8000|80"};
        QTest::newRow("chart of an empty year")
            << Chart("MonthNum", "妈妈", "2024") << QStringList{};

        // Members and categories.
        QTest::newRow("members") << "select PersonID, PersonName from bPerson"
                                 << QStringList{"1|家长", "2|妈妈", "3|O'Brien"};
        QTest::newRow("categories")
            << "select ItemProjectID from bItemProject" << QStringList{"1", "2", "3", "4"};

        // Diary: one day (no blank after "<"), and a period.
        const double now = DayNumber::FromDateTime(TTestLedger::Now());
        QTest::newRow("diary of a day")
            << "select DiaryID, Diary from fDiary where DiaryDate > " + DayNumber::Text(now - 1) +
                   " and DiaryDate <" + DayNumber::Text(now) + " and PersonID = 2"
            << QStringList{"2|七日\r\n第二行"};
        QTest::newRow("diary of a period")
            << "select DiaryID from fDiary where DiaryDate >= " + DayNumber::Text(now - 1) +
                   " and DiaryDate < " + DayNumber::Text(now + 1) +
                   " and PersonID = 2 order by DiaryDate"
            << QStringList{"2", "3"};
    }

    void statement() {
        QFETCH(QString, sql);
        QFETCH(QStringList, rows);
        TTestLedger ledger;
        Fill(ledger);
        QStringList found = Run(sql);
        if (sql.contains(" union ")) { // a union's order is the engine's own
            found.sort();
            rows.sort();
        }
        QCOMPARE(found, rows);
    }

    // The boundaries of a month: the first day is found by "> first day less one", the last by
    // "<= last day", both as written in day numbers.
    void monthBoundaries() {
        TTestLedger ledger;
        ledger.AddPayout(1, 1, "a", 1, {}, QDate(2026, 12, 31), "x", "支出");
        ledger.AddPayout(2, 1, "b", 1, {}, QDate(2026, 12, 1), "x", "支出");
        ledger.AddPayout(3, 1, "c", 1, {}, QDate(2026, 11, 30), "x", "支出");
        ledger.AddPayout(4, 1, "d", 1, {}, QDate(2027, 1, 1), "x", "支出");
        QCOMPARE(Run("select PayoutID from fPayout where UseDate <= 46387 and UseDate > 46356 "
                     "order by UseDate"),
                 (QStringList{"2", "1"}));
    }

    void sumOfAnEmptyColumnIsNull() {
        TTestLedger ledger;
        ledger.AddPayout(1, 1, "a", {}, 100, QDate(2026, 12, 1), "x", "收入");
        QCOMPARE(Run("select sum(PayoutAccount) from fPayout"), QStringList{"NULL"});
        QCOMPARE(Run("select sum(IncomeAccount) from fPayout"), QStringList{"100"});
    }

    void deletedCategoryLeavesItsRecords() {
        TTestLedger ledger;
        Fill(ledger);
        ledger.Exec("delete from bItemProject where ItemProjectID = 4");
        ledger.Exec("delete from bPerson where PersonID = 3");
        QCOMPARE(Run("select count(*) from fPayout").first(), QString("10"));
        QStringList totals = Run(Statistics("妈妈", ""));
        totals.sort();
        QCOMPARE(totals, (QStringList{"支出|3|餐饮|-187", "收入|1|工资|8000", "收入|2|奖金|2000"}));
    }
};

QTEST_GUILESS_MAIN(TestStatements)
#include "tst_statements.moc"
