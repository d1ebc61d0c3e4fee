#include "ErrorOf.h"
#include "Files.h"
#include "Fixture.h"
#include "LegacyFixture.h"
#include "Pipe.h"

#include "data/Common.h"
#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/query/DayNumber.h"
#include "data/query/Query.h"
#include "data/Schema.h"
#include "legacy/JetReader.h"
#include "legacy/LegacyConverter.h"
#include "platform/FileKind.h"
#include "platform/GbkCodec.h"

#include <QDir>
#include <QMap>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QTest>
#include <cmath>
#include <functional>
#include <memory>
#include <unistd.h>

// Converting the sample Access ledger: every figure of expected.txt, the logins, text and amounts
// exactly, the forms' statements, and every fault leaving the files as they were.
class TestLegacyConverter : public QObject {
    Q_OBJECT

    // Converts the sample into the test's ledger and opens it.
    static TConversionSummary Import(TTestLedger& ledger) {
        TConversionSummary summary =
            TLegacyConverter::Convert(LegacyFixture::LedgerPath(), Schema::DatabasePath);
        ledger.Messages.Boxes.clear();
        dmMain->DataModuleCreate();
        return summary;
    }

    static QStringList Run(const QString& sql) {
        TQuery& query = *dmMain->qryCommon;
        TCommonDB::OpenSQL(sql, query);
        QStringList rows;
        for (query.First(); !query.Eof(); query.Next()) {
            QStringList fields;
            for (int i = 0; i < query.FieldCount(); ++i) {
                const TField field = query.Fields(i);
                fields << (field.IsNull() ? QStringLiteral("NULL") : field.AsString());
            }
            rows << fields.join(u'|');
        }
        return rows;
    }

    static QString Amount(const QVariant& value) {
        return value.isNull() ? QString() : QString::number(value.toDouble(), 'f', 4);
    }

    // The folder's file names, to show that a failure left nothing behind.
    static QStringList Files(const QString& folder) {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    // One row of fPayout as the old file holds it.
    struct TOldPayout {
        qint64 Id, Category;
        QString Person, Type;
        double Day;
        qint64 Payout, Income; // ten-thousandths; 0 for NULL
        bool HasPayout, HasIncome;
    };

    static QList<TOldPayout> OldPayouts() {
        TJetReader reader(LegacyFixture::LedgerPath());
        reader.OpenTable("fPayout", {"PayoutID", "ItemProjectID", "PersonName", "ItemType",
                                     "UseDate", "PayoutAccount", "IncomeAccount"});
        QList<TOldPayout> rows;
        while (reader.Next())
            rows.append({reader.Value(0).toLongLong(), reader.Value(1).toLongLong(),
                         reader.Value(2).toString(), reader.Value(3).toString(),
                         reader.Value(4).toDouble(), reader.Value(5).toLongLong(),
                         reader.Value(6).toLongLong(), !reader.Value(5).isNull(),
                         !reader.Value(6).isNull()});
        return rows;
    }

    static QString Text4(qint64 tenThousandths) {
        return TConversionSummary::AmountText(tenThousandths);
    }

private Q_SLOTS:
    void expectedFigures() {
        TTestLedger ledger(TTestLedger::NoDatabase);
        const TConversionSummary summary = Import(ledger);
        QFile expected(LegacyFixture::ExpectedPath());
        QVERIFY(expected.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList header = QString::fromUtf8(expected.readLine()).trimmed().split(u',');
        QCOMPARE(header.size(), 9);
        int checked = 0;
        while (!expected.atEnd()) {
            const QStringList f = QString::fromUtf8(expected.readLine()).trimmed().split(u',');
            QCOMPARE(f.size(), 9);
            const QString section = f[0], table = f[1], member = f[2], year = f[3];
            if (section == "rowcount") {
                QCOMPARE(ledger.Scalar("select count(*) from " + table).toString(), f[4]);
                bool found = false;
                for (const auto& rows : summary.Rows)
                    if (rows.first == table) found = (QString::number(rows.second) == f[4]);
                QVERIFY2(found, qPrintable(table));
                ++checked;
                continue;
            }
            QString where = "1 = 1";
            QVariantList values;
            if (!member.isEmpty()) {
                where += " and PersonName = ?";
                values << member;
            }
            if (!year.isEmpty()) {
                where += " and YearNum = ?";
                values << year.toInt();
            }
            QSqlQuery query(ledger.Connection());
            query.prepare("select count(*), count(PayoutAccount), sum(PayoutAccount), "
                          "count(IncomeAccount), sum(IncomeAccount) from fPayout where " + where);
            for (const auto& v : values)
                query.addBindValue(v);
            QVERIFY(query.exec() && query.next());
            QCOMPARE(query.value(0).toString(), f[4]);
            QCOMPARE(query.value(1).toString(), f[5]);
            QCOMPARE(Amount(query.value(2)), f[6]);
            QCOMPARE(query.value(3).toString(), f[7]);
            QCOMPARE(Amount(query.value(4)), f[8]);
            if (section == "total") {
                QCOMPARE(Text4(summary.PayoutSum), f[6]);
                QCOMPARE(Text4(summary.IncomeSum), f[8]);
            }
            ++checked;
        }
        QCOMPARE(checked, 16);
    }

    void keysAndAmounts() {
        TTestLedger ledger(TTestLedger::NoDatabase);
        Import(ledger);
        // Keys kept: the next key goes on from the old highest one.
        QCOMPARE(TCommonDB::GetMaxID("fPayout", "PayoutID"), 200);
        QCOMPARE(TCommonDB::GetMaxID("bPerson", "PersonID"), 3);
        QCOMPARE(TCommonDB::GetMaxID("fDiary", "DiaryID"), 20);
        // Fractional amounts exact; whole yuan stay integers; the other kind's amount NULL.
        QCOMPARE(ledger.Scalar("select PayoutAccount from fPayout where PayoutID = 50").toString(), "12.5");
        QCOMPARE(ledger.Scalar("select PayoutAccount from fPayout where PayoutID = 101").toString(), "0.25");
        QCOMPARE(ledger.Scalar("select IncomeAccount from fPayout where PayoutID = 155").toString(), "1234.5678");
        QCOMPARE(ledger.Scalar("select count(*) from fPayout where typeof(PayoutAccount) = 'real' "
                               "or typeof(IncomeAccount) = 'real'").toInt(), 3);
        QCOMPARE(ledger.Scalar("select typeof(IncomeAccount) from fPayout where PayoutID = 1").toString(), "integer");
        QCOMPARE(ledger.Scalar("select IncomeAccount from fPayout where PayoutID = 1").toLongLong(), 18774);
        QVERIFY(ledger.Scalar("select PayoutAccount from fPayout where PayoutID = 1").isNull());
        // Day numbers as in the old file: 1 January 2024 is 45292, at midnight.
        QCOMPARE(ledger.Scalar("select UseDate from fPayout where PayoutID = 1").toLongLong(), 45292);
        QCOMPARE(ledger.Scalar("select count(*) from fPayout where MonthNum is null or YearNum is null "
                               "or QuarterNum is null").toInt(), 0);
    }

    void textAsWritten() {
        TTestLedger ledger(TTestLedger::NoDatabase);
        Import(ledger);
        QCOMPARE(ledger.Scalar("select count(*) from fPayout where Payout = ?", {"小明's 生日蛋糕"}).toInt(), 1);
        QCOMPARE(ledger.Scalar("select Memos from bItemProject where ItemProjectID = 2").toString(),
                 QStringLiteral("孩子's 零花"));
        QCOMPARE(ledger.Scalar("select count(*) from fPayout where instr(Memos, ?) > 0", {"\r\n"}).toInt(), 52);
        QCOMPARE(ledger.Scalar("select count(*) from fDiary where instr(Diary, ?) > 0", {"\r\n"}).toInt(), 20);
        QVERIFY(ledger.Scalar("select Diary from fDiary where DiaryID = 2").toString().contains(
            QStringLiteral("\r\n小明说：'爸爸，我想学游泳。'\r\n")));
        // NULL stays NULL, an empty text stays empty.
        QVERIFY(ledger.Scalar("select Memos from fPayout where PayoutID = 2").isNull());
        QCOMPARE(ledger.Scalar("select typeof(LoginPassword) from bPerson where PersonID = 3").toString(), "text");
        QCOMPARE(ledger.Scalar("select LoginPassword from bPerson where PersonID = 3").toString(), "");
        // Every record's text matches the old file's, row by row.
        TJetReader reader(LegacyFixture::LedgerPath());
        reader.OpenTable("fPayout", {"PayoutID", "Payout", "Memos", "PersonName", "ItemType"});
        int rows = 0;
        while (reader.Next()) {
            QSqlQuery query(ledger.Connection());
            query.prepare("select Payout, Memos, PersonName, ItemType from fPayout where PayoutID = ?");
            query.addBindValue(reader.Value(0));
            QVERIFY(query.exec() && query.next());
            for (int c = 1; c < 5; ++c) {
                QCOMPARE(query.value(c - 1).isNull(), reader.Value(c).isNull());
                QCOMPARE(query.value(c - 1).toString(), reader.Value(c).toString());
            }
            ++rows;
        }
        QCOMPARE(rows, 200);
    }

    void logins_data() {
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("name");
        QTest::newRow("admin") << "admin" << "admin" << "爸爸";
        QTest::newRow("mama") << "mama" << "mm123" << "妈妈";
        QTest::newRow("XiaoMing, no password") << "XiaoMing" << "" << "小明";
    }

    void logins() {
        QFETCH(QString, account);
        QFETCH(QString, password);
        QFETCH(QString, name);
        TTestLedger ledger(TTestLedger::NoDatabase);
        Import(ledger);
        // The login's own statement, and its comparison in encoded form.
        const QStringList rows = Run("select PersonID, PersonName, LoginPassword from bPerson "
                                     "where LoginAccount = '" + account + "'");
        QCOMPARE(rows.size(), 1);
        const QStringList fields = rows.first().split(u'|');
        QCOMPARE(fields[1], name);
        QCOMPARE(fields[2], TCommon::EncodeText(password));
        QVERIFY(fields[2] != TCommon::EncodeText(password + "x"));
    }

    // What the old program stored for a password: the bytes of EncodeText, read by Windows'
    // code page 936 into the file's Unicode text (a lone 80 as the euro sign, a lone FF as
    // U+F8F5). Passwords whose bytes it could not read without loss are left out.
    static bool OldFileText(const QString& password, QString& text) {
        QByteArray bytes = Gbk::FromUnicode(password);
        for (char& b : bytes)
            b = char(uchar(b) - 2);
        std::reverse(bytes.begin(), bytes.end());
        const qsizetype zero = bytes.indexOf('\0');
        if (zero >= 0) bytes.truncate(zero);
        text.clear();
        for (qsizetype i = 0; i < bytes.size();) {
            const auto b = uchar(bytes[i]);
            if (b < 0x80) {
                text += QChar(b);
                ++i;
            } else if (b == 0x80) {
                text += QChar(0x20AC);
                ++i;
            } else if (b == 0xff) {
                text += QChar(0xF8F5);
                ++i;
            } else if (i + 1 < bytes.size()) {
                QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
                const QString c = decoder.decode(bytes.mid(i, 2));
                if (c.size() != 1 || c[0] == QChar::ReplacementCharacter) return false;
                text += c;
                i += 2;
            } else {
                return false;
            }
        }
        return true;
    }

    void storedPassword_data() {
        QTest::addColumn<QString>("password");
        QTest::newRow("ascii") << "admin";
        QTest::newRow("digits") << "mm123";
        QTest::newRow("empty") << "";
        QTest::newRow("Chinese") << "中文";
        QTest::newRow("Chinese and digits") << "密码2026";
        QTest::newRow("family") << "爸爸妈妈";
        QTest::newRow("mixed") << "a家b";
        QTest::newRow("lone bytes after the shift") << "\x01" "中";
    }

    void storedPassword() {
        QFETCH(QString, password);
        QString fileText;
        QVERIFY2(OldFileText(password, fileText), "the old program could store this password");
        const QString stored = TLegacyConverter::StoredPassword(fileText);
        QCOMPARE(stored, TCommon::EncodeText(password));
        QCOMPARE(TCommon::DecodeText(stored), password);
    }

    void storedPasswordOfAnyText() {
        // Text that never came from GBK bytes is kept as it is.
        const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
        QCOMPARE(TLegacyConverter::StoredPassword(emoji), emoji);
        QCOMPARE(TLegacyConverter::StoredPassword("lgkb_"), "lgkb_");
    }

    void monthStatement_data() {
        QTest::addColumn<QDate>("today");
        QTest::newRow("the clock's month") << QDate(2026, 12, 7);
        QTest::newRow("November 2026") << QDate(2026, 11, 20);
        QTest::newRow("February 2024") << QDate(2024, 2, 10);
        QTest::newRow("June 2025") << QDate(2025, 6, 30);
    }

    void monthStatement() {
        QFETCH(QDate, today);
        TTestLedger ledger(TTestLedger::NoDatabase);
        Import(ledger);
        SetStartDates(today);
        // The entry form's month list, for both members and kinds, against the old file's rows.
        const double first = DayNumber::FromDate(MonthFirstDay.date()) - 1;
        const double last = DayNumber::FromDate(MonthLastDay.date());
        const QList<TOldPayout> old = OldPayouts();
        int nonEmpty = 0;
        for (const QString& person : {QStringLiteral("妈妈"), QStringLiteral("爸爸")}) {
            for (const QString& type : {QStringLiteral("支出"), QStringLiteral("收入")}) {
                const QString sql = "select * from fPayout where ItemType = '" + type +
                                    "' and UseDate > " + DayNumber::Text(MonthFirstDay.addDays(-1)) +
                                    " and UseDate <= " + DayNumber::Text(MonthLastDay) +
                                    " and PersonName = '" + person + "' order by UseDate";
                if (today == QDate(2026, 12, 7))
                    QVERIFY(sql.contains("UseDate > 46356 and UseDate <= 46387"));
                TQuery& query = *dmMain->qryCommon;
                TCommonDB::OpenSQL(sql, query);
                QList<qint64> ids;
                qint64 sum = 0;
                double previous = 0;
                for (query.First(); !query.Eof(); query.Next()) {
                    ids << query.FieldByName("PayoutID").AsInteger();
                    const TField amount = query.FieldByName(type == "支出" ? "PayoutAccount" : "IncomeAccount");
                    sum += std::llround(amount.AsFloat() * 10000);
                    const double day = query.FieldByName("UseDate").AsFloat();
                    QVERIFY(day >= previous);
                    previous = day;
                }
                QList<qint64> expectedIds;
                qint64 expectedSum = 0;
                for (const auto& row : old)
                    if (row.Person == person && row.Type == type && row.Day > first && row.Day <= last) {
                        expectedIds << row.Id;
                        expectedSum += type == "支出" ? row.Payout : row.Income;
                    }
                std::sort(ids.begin(), ids.end());
                std::sort(expectedIds.begin(), expectedIds.end());
                QCOMPARE(ids, expectedIds);
                QCOMPARE(sum, expectedSum);
                if (!ids.isEmpty()) ++nonEmpty;
            }
        }
        QVERIFY(nonEmpty >= 1);
    }

    void statisticsStatement_data() {
        QTest::addColumn<QString>("person");
        QTest::addColumn<QDate>("begin");
        QTest::addColumn<QDate>("end");
        QTest::newRow("妈妈 2024") << "妈妈" << QDate(2024, 1, 1) << QDate(2024, 12, 31);
        QTest::newRow("爸爸 2026") << "爸爸" << QDate(2026, 1, 1) << QDate(2026, 12, 31);
        QTest::newRow("爸爸, all years") << "爸爸" << QDate(2000, 1, 1) << QDate(2030, 1, 1);
        QTest::newRow("妈妈, one quarter") << "妈妈" << QDate(2025, 4, 1) << QDate(2025, 6, 30);
    }

    void statisticsStatement() {
        QFETCH(QString, person);
        QFETCH(QDate, begin);
        QFETCH(QDate, end);
        TTestLedger ledger(TTestLedger::NoDatabase);
        Import(ledger);
        // The query form's statistics with its date condition (the pickers carry 10:30).
        const QDateTime low = QDateTime(begin, QTime(10, 30)).addDays(-1);
        const QDateTime high = QDateTime(end, QTime(10, 30));
        const QString dates = " and a.UseDate >= " + DayNumber::Text(low) + " and a.UseDate <= " +
                              DayNumber::Text(high);
        const QString sql =
            "select b.ItemType, a.ItemProjectID, b.ItemProject, sum(a.IncomeAccount) as iSum "
            "from fPayout a, bItemProject b where a.PersonName = '" + person +
            "' and a.ItemProjectID = b.ItemProjectID and a.ItemType = '收入'" + dates +
            " group by b.ItemType, a.ItemProjectID, b.ItemProject union select b.ItemType, "
            "a.ItemProjectID, b.ItemProject, 0 - sum(a.PayoutAccount) as iSum from fPayout a, "
            "bItemProject b where a.PersonName = '" + person +
            "' and a.ItemProjectID = b.ItemProjectID and a.ItemType = '支出'" + dates +
            " group by b.ItemType, a.ItemProjectID, b.ItemProject";
        QStringList rows;
        TQuery& query = *dmMain->qryCommon;
        TCommonDB::OpenSQL(sql, query);
        for (query.First(); !query.Eof(); query.Next())
            rows << query.Fields(0).AsString() + "|" + query.Fields(1).AsString() + "|" +
                        query.Fields(2).AsString() + "|" +
                        Text4(std::llround(query.Fields(3).AsFloat() * 10000));

        // The same from the old file's rows.
        QMap<qint64, QPair<QString, QString>> categories;
        TJetReader reader(LegacyFixture::LedgerPath());
        reader.OpenTable("bItemProject", {"ItemProjectID", "ItemProject", "ItemType"});
        while (reader.Next())
            categories[reader.Value(0).toLongLong()] = {reader.Value(1).toString(), reader.Value(2).toString()};
        QMap<QString, qint64> sums;
        const double lowDay = DayNumber::FromDateTime(low), highDay = DayNumber::FromDateTime(high);
        for (const auto& row : OldPayouts()) {
            if (row.Person != person || row.Day < lowDay || row.Day > highDay || !categories.contains(row.Category))
                continue;
            const auto& category = categories[row.Category];
            const QString key = category.second + "|" + QString::number(row.Category) + "|" + category.first;
            if (row.Type == "收入") sums[key] += row.Income;
            else if (row.Type == "支出") sums[key] -= row.Payout;
        }
        QStringList expected;
        for (auto it = sums.begin(); it != sums.end(); ++it)
            expected << it.key() + "|" + Text4(it.value());
        rows.sort();
        expected.sort();
        QCOMPARE(rows, expected);
        QVERIFY(!rows.isEmpty());
    }

    void faults_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("cause");
        const QByteArray fixture = LegacyFixture::Bytes();
        QTest::newRow("truncated copy") << fixture.left(fixture.size() / 2) << "已损坏";
        QTest::newRow("cut at a page") << fixture.left(40 * 4096) << "已损坏";
        QByteArray random(fixture.size(), Qt::Uninitialized);
        quint32 seed = 99;
        for (char& b : random)
            b = char((seed = seed * 1664525 + 1013904223) >> 24);
        QTest::newRow("random bytes") << random << "不是 Access 数据库文件";
        // The catalog's row for fDiary names another table.
        QByteArray noDiary = fixture;
        const QString name = "fDiary";
        const QByteArray ucs2(reinterpret_cast<const char*>(name.utf16()), name.size() * 2);
        QVERIFY(noDiary.count(ucs2) == 1);
        noDiary.replace(ucs2, QByteArray(reinterpret_cast<const char*>(QString("fDiarz").utf16()), 12));
        QTest::newRow("no fDiary") << noDiary << "没有表 fDiary";
        QByteArray jet3 = fixture;
        jet3[0x14] = 0;
        QTest::newRow("Jet 3") << jet3 << "Jet 3";
        // fPayout's definition (page 30) with the type of one of its columns changed: MonthNum
        // (entry at 0x12c) read as single-precision numbers that are no whole numbers, and
        // PayoutAccount (entry at 0x96) as date-times.
        constexpr qsizetype Definition = 30 * 4096;
        QCOMPARE(int(fixture[Definition]), 2);
        QByteArray notWhole = fixture;
        QCOMPARE(int(notWhole[Definition + 0x12c]), 4);
        notWhole[Definition + 0x12c] = 6;
        QTest::newRow("a value that does not fit") << notWhole << "表 fPayout 编号为 1 的记录，列 MonthNum 的值无法转换（不是整数）";
        QByteArray mistyped = fixture;
        QCOMPARE(int(mistyped[Definition + 0x96]), 5);
        mistyped[Definition + 0x96] = 8;
        QTest::newRow("a column of another type") << mistyped << "表 fPayout 的列 PayoutAccount 类型不符（应为货币）";
        // Damaged files on which the reading library loops, growing its memory or not: the
        // reading process is stopped by its memory limit or for its silence.
        const QString lost = "已损坏，无法读取";
        QTest::newRow("library loops, memory growing")
            << ReadAll(LegacyFixture::DamagedPath("catalog-loop-memory.mdb")) << lost;
        QTest::newRow("library loops") << ReadAll(LegacyFixture::DamagedPath("catalog-loop-busy.mdb"))
                                       << lost;
        QTest::newRow("data page") << ReadAll(LegacyFixture::DamagedPath("data-page.mdb"))
                                   << "已损坏（表 fPayout 的第 42 页）";
        QTest::newRow("memo") << ReadAll(LegacyFixture::DamagedPath("memo.mdb"))
                              << "已损坏（表 fDiary 的备注数据）";
    }

    void faults() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, cause);
        TTestLedger ledger(TTestLedger::NoDatabase);
        const QString source = ledger.Folder() + "/old/Hearthbook.mdb";
        LegacyFixture::WriteCopy(source, bytes);
        const QString message =
            ErrorOf([&] { TLegacyConverter::Convert(source, Schema::DatabasePath); });
        QVERIFY2(message.contains(cause), qPrintable(message));
        QVERIFY2(message.contains(source), qPrintable(message));
        QVERIFY(!QFile::exists(Schema::DatabasePath));
        QCOMPARE(Files("DataBase"), QStringList());
        QCOMPARE(ReadAll(source), bytes);

        // In place: the original stays as it was, and no second name appears.
        LegacyFixture::WriteCopy(Schema::DatabasePath, bytes);
        const QString inPlace = ErrorOf([&] { TLegacyConverter::ConvertInPlace(Schema::DatabasePath); });
        QVERIFY2(inPlace.contains(cause), qPrintable(inPlace));
        QCOMPARE(Files("DataBase"), QStringList{"Hearthbook.mdb"});
        QCOMPARE(ReadAll(Schema::DatabasePath), bytes);
    }

    void notAFile_data() {
        QTest::addColumn<QString>("source");
        QTest::newRow("named pipe") << "old.mdb"; // made by the test
        QTest::newRow("device") << "/dev/zero";
    }

    void notAFile() {
        // Opening a named pipe would wait for a writer for good.
        QFETCH(QString, source);
        TTestLedger ledger(TTestLedger::NoDatabase);
        std::unique_ptr<TPipe> pipe;
        if (!source.startsWith('/')) pipe = std::make_unique<TPipe>(source);
        QCOMPARE(ErrorOf([&] { TLegacyConverter::Convert(source, Schema::DatabasePath); }),
                 NotAFileText(source));
        QVERIFY(!QFile::exists(Schema::DatabasePath));
        if (pipe) QVERIFY(!pipe->Opened());
    }

    void existingLedger() {
        TTestLedger ledger; // a ledger of ours is there
        const QByteArray before = ReadAll(Schema::DatabasePath);
        const QString message = ErrorOf(
            [&] { TLegacyConverter::Convert(LegacyFixture::LedgerPath(), Schema::DatabasePath); });
        QVERIFY2(message.contains("已经存在") && message.contains(Schema::DatabasePath), qPrintable(message));
        QCOMPARE(ReadAll(Schema::DatabasePath), before);
        QCOMPARE(Files("DataBase"), QStringList{"Hearthbook.mdb"});
    }

    void cancelled_data() {
        QTest::addColumn<int>("after");
        QTest::newRow("at the start") << 0;
        QTest::newRow("midway") << 1;
        QTest::newRow("at the end") << 2;
    }

    void cancelled() {
        QFETCH(int, after);
        TTestLedger ledger(TTestLedger::NoDatabase);
        LegacyFixture::WriteCopy(Schema::DatabasePath);
        int calls = 0;
        qint64 lastTotal = 0;
        bool thrown = false;
        try {
            qint64 lastDone = -1;
            TLegacyConverter::ConvertInPlace(Schema::DatabasePath, [&](qint64 done, qint64 total) {
                // Told again, or before the rows are counted, while the reader is awaited.
                if (total == 0 || (done == lastDone && total == lastTotal)) return true;
                lastDone = done;
                lastTotal = total;
                ++calls;
                return after == 0 ? false : after == 1 ? done < 64 : done < total;
            });
        } catch (const EConversionCancelled&) {
            thrown = true;
        }
        QVERIFY(thrown);
        QCOMPARE(lastTotal, 229);
        QCOMPARE(calls, after == 0 ? 1 : after == 1 ? 2 : 5);
        QCOMPARE(Files("DataBase"), QStringList{"Hearthbook.mdb"});
        QCOMPARE(ReadAll(Schema::DatabasePath), LegacyFixture::Bytes());
    }

    void inPlace() {
        TTestLedger ledger(TTestLedger::NoDatabase);
        LegacyFixture::WriteCopy(Schema::DatabasePath);
        QList<QPair<qint64, qint64>> progress;
        const TConversionSummary summary = TLegacyConverter::ConvertInPlace(
            Schema::DatabasePath, [&](qint64 done, qint64 total) {
                if (total > 0) progress.append({done, total}); // 0 while the file is opened
                return true;
            });
        QCOMPARE(summary.TotalRows(), 229);
        QCOMPARE(progress.first(), qMakePair(qint64(0), qint64(229)));
        QCOMPARE(progress.last(), qMakePair(qint64(229), qint64(229)));
        QCOMPARE(Files("DataBase"), QStringList({"Hearthbook.access.mdb", "Hearthbook.mdb"}));
        QCOMPARE(ReadAll("DataBase/Hearthbook.access.mdb"), LegacyFixture::Bytes());
        QVERIFY(ReadAll(Schema::DatabasePath).startsWith("SQLite format 3"));
        dmMain->DataModuleCreate();
        QCOMPARE(ledger.Scalar("select count(*) from fPayout").toInt(), 200);
        // The converted ledger has our schema's indexes.
        QCOMPARE(ledger.Scalar("select count(*) from sqlite_master where type = 'index' and name like 'ix%'").toInt(), 5);
    }

    void inPlaceKeepsAnExistingBackup() {
        TTestLedger ledger(TTestLedger::NoDatabase);
        LegacyFixture::WriteCopy(Schema::DatabasePath);
        WriteAll("DataBase/Hearthbook.access.mdb", "an older copy");
        const QString message = ErrorOf([&] { TLegacyConverter::ConvertInPlace(Schema::DatabasePath); });
        QVERIFY2(message.contains("Hearthbook.access.mdb") && message.contains("已经存在"), qPrintable(message));
        QCOMPARE(ReadAll("DataBase/Hearthbook.access.mdb"), QByteArray("an older copy"));
        QCOMPARE(ReadAll(Schema::DatabasePath), LegacyFixture::Bytes());
        QCOMPARE(Files("DataBase"), QStringList({"Hearthbook.access.mdb", "Hearthbook.mdb"}));
    }

    void inPlaceAfterAnInterruptedRun() {
        // A run that stopped after giving the original its second name: the name is dropped
        // and made again.
        TTestLedger ledger(TTestLedger::NoDatabase);
        LegacyFixture::WriteCopy(Schema::DatabasePath);
        QVERIFY(::link("DataBase/Hearthbook.mdb", "DataBase/Hearthbook.access.mdb") == 0);
        TLegacyConverter::ConvertInPlace(Schema::DatabasePath);
        QCOMPARE(ReadAll("DataBase/Hearthbook.access.mdb"), LegacyFixture::Bytes());
        QVERIFY(ReadAll(Schema::DatabasePath).startsWith("SQLite format 3"));
    }

    void readOnlyFolder() {
        if (::geteuid() == 0) QSKIP("root writes into read-only folders; the program's test runs this as another user");
        TTestLedger ledger(TTestLedger::NoDatabase);
        LegacyFixture::WriteCopy(Schema::DatabasePath);
        QFile::setPermissions("DataBase", QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const QString message = ErrorOf([&] { TLegacyConverter::ConvertInPlace(Schema::DatabasePath); });
        QFile::setPermissions("DataBase", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY2(message.contains("无法在文件夹"), qPrintable(message));
        QCOMPARE(Files("DataBase"), QStringList{"Hearthbook.mdb"});
    }
};

QTEST_GUILESS_MAIN(TestLegacyConverter)
#include "tst_legacyconverter.moc"
