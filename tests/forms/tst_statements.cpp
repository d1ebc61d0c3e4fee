#include "Fixture.h"

#include "app/start/MemberLedger.h"
#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/query/Query.h"
#include "forms/Diary.h"
#include "forms/FinanceAns.h"
#include "forms/PayQuery.h"
#include "forms/PayoutBase.h"

#include <QTest>

// Every statement the forms build, from the forms' own builders, run on a small known ledger,
// with the rows it must return. The text of each statement is checked by its form's test.
class TestStatements : public QObject {
    Q_OBJECT

    using TFilter = TfrmPayQuery::TFilter;

    // Members 家长 (1), 妈妈 (2) and O'Brien (3), four categories, records of two years, a diary.
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
        ledger.AddPayout(11, 3, "跨年", 9, {}, QDate(2027, 1, 1), "妈妈", "支出");
        ledger.AddDiary(1, "六日", QDate(2026, 12, 6), 2);
        ledger.AddDiary(2, "七日\r\n第二行", QDate(2026, 12, 7), 2);
        ledger.AddDiary(3, "八日", QDate(2026, 12, 8), 2);
        ledger.AddDiary(4, "别人的七日", QDate(2026, 12, 7), 1);
    }

    // The rows of the result, each as the named fields joined by "|", NULL written as "NULL".
    static QStringList Run(const QString& sql, const QStringList& fields) {
        TQuery& query = *dmMain->qryCommon;
        TCommonDB::OpenSQL(sql, query);
        QStringList rows;
        for (query.First(); !query.Eof(); query.Next()) {
            QStringList values;
            for (const QString& name : fields) {
                TField field = query.FieldByName(name);
                values << (field.IsNull() ? QStringLiteral("NULL") : field.AsString());
            }
            rows << values.join(u'|');
        }
        return rows;
    }

    static TFilter Filter(const QString& kind, const QString& person, const QString& content,
                          bool byDate = false) {
        const QTime time(10, 30); // the pickers keep the time of day they opened with
        return {kind,
                person,
                byDate,
                QDateTime(QDate(2026, 12, 1), time),
                QDateTime(QDate(2026, 12, 31), time),
                content};
    }

private Q_SLOTS:
    void statement_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QStringList>("rows");
        const QStringList ids{"PayoutID"};
        const QStringList details{"PayoutID", "ItemType", "PayoutAccount", "IncomeAccount"};
        const QStringList totals{"ItemType", "ItemProject", "iSum"};

        // Entry form: the categories of its kind; the month's records of the member, from the
        // first day to the last.
        QTest::newRow("categories of a kind")
            << TfrmPayoutBase::CategoryStatement("支出") << QStringList{"ItemProject"}
            << QStringList{"餐饮", "交通"};
        const QDateTime first = QDate(2026, 12, 1).startOfDay();
        const QDateTime last = QDate(2026, 12, 31).startOfDay();
        QTest::newRow("month list") << TfrmPayoutBase::RecordStatement("支出", first, last, "妈妈")
                                    << ids << QStringList{"1", "2"};
        QTest::newRow("month list of income")
            << TfrmPayoutBase::RecordStatement("收入", first, last, "妈妈") << ids
            << QStringList{"3"};
        QTest::newRow("month list of a member with an apostrophe")
            << TfrmPayoutBase::RecordStatement("支出", first, last, "O'Brien") << ids
            << QStringList{"10"};

        // Query form: details (expenditure negative) and per-category totals, as first opened
        // and with each filter.
        QTest::newRow("details as first opened")
            << TfrmPayQuery::FirstDetailsStatement("妈妈") << ids
            << QStringList{"7", "5", "6", "4", "1", "3", "2", "11"};
        QTest::newRow("details") << TfrmPayQuery::DetailsStatement("妈妈", {}) << ids
                                 << QStringList{"7", "5", "6", "4", "1", "3", "2", "11"};
        QTest::newRow("details by kind")
            << TfrmPayQuery::DetailsStatement("妈妈", Filter("收入", "", "")) << details
            << QStringList{"5|收入|NULL|2000", "3|收入|NULL|8000"};
        QTest::newRow("details by another member")
            << TfrmPayQuery::DetailsStatement("妈妈", Filter("", "家长", "")) << ids
            << QStringList{};
        QTest::newRow("details by date")
            << TfrmPayQuery::DetailsStatement("妈妈", Filter("", "", "", true)) << details
            << QStringList{"1|支出|-30|NULL", "3|收入|NULL|8000", "2|支出|-5|NULL"};
        QTest::newRow("details by content")
            << TfrmPayQuery::DetailsStatement("妈妈", Filter("", "", "饭")) << ids
            << QStringList{"4", "1"};
        QTest::newRow("details by content with apostrophe")
            << TfrmPayQuery::DetailsStatement("妈妈", Filter("", "", "it's")) << ids
            << QStringList{"6"};
        QTest::newRow("details content ignores ASCII case")
            << TfrmPayQuery::DetailsStatement("妈妈", Filter("", "", "LUNCH")) << ids
            << QStringList{"6"};
        QTest::newRow("details content is no pattern")
            << TfrmPayQuery::DetailsStatement("妈妈", Filter("", "", "%_")) << ids << QStringList{};
        QTest::newRow("details with every filter")
            << TfrmPayQuery::DetailsStatement("妈妈", Filter("支出", "妈妈", "饭", true)) << ids
            << QStringList{"1"};
        QTest::newRow("details of a member with an apostrophe")
            << TfrmPayQuery::DetailsStatement("O'Brien", {}) << details
            << QStringList{"10|支出|-7|NULL"};

        // (by kind in the order of their bytes, 支出 before 收入, then by category)
        QTest::newRow("statistics as first opened")
            << TfrmPayQuery::FirstStatisticsStatement("家长") << totals
            << QStringList{"支出|餐饮|-20", "收入|工资|5000"};
        QTest::newRow("statistics")
            << TfrmPayQuery::StatisticsStatement("妈妈", {}) << totals
            << QStringList{"支出|餐饮|-196", "支出|交通|-5", "收入|工资|8000", "收入|奖金|2000"};
        QTest::newRow("statistics by kind")
            << TfrmPayQuery::StatisticsStatement("妈妈", Filter("支出", "", "")) << totals
            << QStringList{"支出|餐饮|-196", "支出|交通|-5"};
        QTest::newRow("statistics by date")
            << TfrmPayQuery::StatisticsStatement("妈妈", Filter("", "", "", true)) << totals
            << QStringList{"支出|餐饮|-30", "支出|交通|-5", "收入|工资|8000"};
        QTest::newRow("statistics by content")
            << TfrmPayQuery::StatisticsStatement("妈妈", Filter("", "", "饭")) << totals
            << QStringList{"支出|餐饮|-75"};

        // Annual chart: only periods with records; an income-only period sums expenditure to NULL.
        const QStringList sums{"fSum01", "fSum02"};
        QTest::newRow("chart by month")
            << TfrmFinanceAns::ChartStatement("MonthNum", "妈妈", "2026")
            << QStringList{"MonthNum", "fSum01", "fSum02"}
            << QStringList{"3|2000|NULL", "6|NULL|12", "11|NULL|45", "12|8000|35"};
        QTest::newRow("chart by quarter")
            << TfrmFinanceAns::ChartStatement("QuarterNum", "妈妈", "2026")
            << QStringList{"QuarterNum", "fSum01", "fSum02"}
            << QStringList{"1|2000|NULL", "2|NULL|12", "4|8000|80"};
        QTest::newRow("chart of an empty year")
            << TfrmFinanceAns::ChartStatement("MonthNum", "妈妈", "2024") << sums << QStringList{};

        // Diary: the member's entry of a day, and of a period.
        const QDateTime now = TTestLedger::Now();
        QTest::newRow("diary of a day")
            << TfrmDiary::DayStatement(now, "2") << QStringList{"DiaryID", "Diary"}
            << QStringList{"2|七日\r\n第二行"};
        QTest::newRow("diary of a period") << TfrmDiary::PeriodStatement(now, now.addDays(1), "2")
                                           << QStringList{"DiaryID"} << QStringList{"2", "3"};
    }

    void statement() {
        QFETCH(QString, sql);
        QFETCH(QStringList, fields);
        QFETCH(QStringList, rows);
        TTestLedger ledger;
        Fill(ledger);
        QCOMPARE(Run(sql, fields), rows);
    }

    // Where the two engines could part: names and accounts without regard to ASCII case, the
    // order of Chinese and mixed-case names, four-decimal amounts and their sums, day numbers
    // with a time of day, whole amounts as integers. Run on the file and on the server alike.
    void sameAnswersOnBothEngines_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QStringList>("rows");
        const QDateTime first = QDate(2026, 12, 1).startOfDay();
        const QDateTime last = QDate(2026, 12, 31).startOfDay();
        const QStringList amounts{"PayoutID", "PayoutAccount", "UseDate"};
        QTest::newRow("a member's month found by the name in other case")
            << TfrmPayoutBase::RecordStatement("支出", first, last, "ann") << amounts
            << QStringList{"21|0.1|46357", "22|0.2|46371.75", "23|12.3456|46380"};
        QTest::newRow("a member's details found by the name in other case")
            << TfrmPayQuery::DetailsStatement("ANN", {}) << amounts
            << QStringList{"21|-0.1|46357", "22|-0.2|46371.75", "23|-12.3456|46380",
                           "24|-30|46387.5"};
        QTest::newRow("four-decimal amounts summed")
            << TfrmFinanceAns::ChartStatement("MonthNum", "Ann", "2026")
            << QStringList{"MonthNum", "fSum01", "fSum02"} << QStringList{"12|NULL|42.6456"};
        QTest::newRow("a time of day on the last day is past the month")
            << TfrmPayoutBase::RecordStatement("支出", first, last.addSecs(-1), "Ann")
            << QStringList{"PayoutID"} << QStringList{"21", "22", "23"};
        QTest::newRow("members' names in order")
            << QStringLiteral("select PersonName from bPerson where PersonID > 10 "
                              "order by PersonName")
            << QStringList{"PersonName"} << QStringList{"Ann", "bob", "Carl", "李四", "王五"};
        QTest::newRow("account without case")
            << QStringLiteral("select PersonName from bPerson where LoginAccount = 'ADMIN'")
            << QStringList{"PersonName"} << QStringList{"家长"};
    }
    void sameAnswersOnBothEngines() {
        QFETCH(QString, sql);
        QFETCH(QStringList, fields);
        QFETCH(QStringList, rows);
        TTestLedger ledger;
        ledger.AddPerson(11, "王五", "wang", "");
        ledger.AddPerson(12, "bob", "bob", "");
        ledger.AddPerson(13, "Ann", "ann", "");
        ledger.AddPerson(14, "李四", "li", "");
        ledger.AddPerson(15, "Carl", "carl", "");
        ledger.AddPayout(21, 7, "茶", 0.1, {}, QDate(2026, 12, 1), "Ann", "支出");
        ledger.AddPayout(22, 7, "茶", 0.2, {}, QDate(2026, 12, 15), "Ann", "支出");
        ledger.AddPayout(23, 7, "饭", 12.3456, {}, QDate(2026, 12, 24), "Ann", "支出");
        ledger.AddPayout(24, 7, "饭", 30, {}, QDate(2026, 12, 31), "Ann", "支出");
        // at 18:00 and at noon
        ledger.Exec("update fPayout set UseDate = UseDate + 0.75 where PayoutID = 22");
        ledger.Exec("update fPayout set UseDate = UseDate + 0.5 where PayoutID = 24");
        QCOMPARE(Run(sql, fields), rows);
        QCOMPARE(ledger.KindOf("select PayoutAccount from fPayout where PayoutID = 24"),
                 QStringLiteral("integer"));
        QCOMPARE(MemberLedger::MemberOf(ledger.Connection(), "ANN", QString()), QStringLiteral("Ann"));
    }

    // Deleting a category or a member leaves the records and their totals.
    void deletedCategoryLeavesItsRecords() {
        TTestLedger ledger;
        Fill(ledger);
        ledger.Exec("delete from bItemProject where ItemProjectID = 4");
        ledger.Exec("delete from bPerson where PersonID = 3");
        QCOMPARE(ledger.Scalar("select count(*) from fPayout").toInt(), 11);
        QStringList found = Run(TfrmPayQuery::StatisticsStatement("妈妈", {}), {"iSum"});
        found.sort();
        QCOMPARE(found, (QStringList{"-196", "2000", "8000"}));
    }
};

QTEST_MAIN(TestStatements)
#include "tst_statements.moc"
