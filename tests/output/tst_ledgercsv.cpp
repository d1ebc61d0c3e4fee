#include "Files.h"
#include "Fixture.h"
#include "data/Schema.h"
#include "data/query/DayNumber.h"
#include "import/BillFormats.h"
#include "import/BillImporter.h"
#include "output/LedgerCsv.h"
#include "widgets/Currency.h"

#include <QDir>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QUuid>
#include <memory>

namespace {

const QString Member = Schema::DefaultPersonName;

// Texts a spreadsheet or a careless CSV would break: quotes, commas, line breaks, formula
// starters, apostrophes, tabs, spaces at either end, Chinese.
const QStringList Hostile = {
    "午饭",     "\"引\"号", "逗,号",      "=SUM(A1)",
    "+86 电话", "-12",      "@home",      "'撇号",
    "\t缩进",   " 空格 ",   "一\r\n二",   "三\n四",
    "\r回车",   "末尾,\"",  "''两个撇号", "=HYPERLINK(\"x\",\"y\")",
    "😀 表情",
};
// Categories the other ledger lacks, of both kinds.
const QList<QPair<QString, QString>> HostileCategories = {
    {"餐,饮", "支出"}, {"\"引号\"类", "支出"}, {"=公式", "支出"},
    {"-负号", "收入"}, {"'撇号", "收入"},
};

// Every record of a ledger in the order of the day and the key, as one line of its fields: the
// moment, kind, category name, content, amount in ten-thousandths, member, note, month, year,
// quarter.
QStringList Records(QSqlDatabase connection) {
    QSqlQuery query(connection);
    if (!query.exec("select a.UseDate, a.ItemType, b.ItemProject, b.ItemType, a.Payout, "
                    "a.PayoutAccount, a.IncomeAccount, a.PersonName, coalesce(a.Memos, ''), "
                    "a.MonthNum, a.YearNum, a.QuarterNum from fPayout a left join bItemProject b "
                    "on b.ItemProjectID = a.ItemProjectID order by a.UseDate, a.PayoutID"))
        qFatal("%s", qPrintable(query.lastError().text()));
    QStringList records;
    while (query.next()) {
        QStringList fields;
        fields << DayNumber::ToDateTime(query.value(0).toDouble()).toString("yyyy-MM-dd HH:mm:ss");
        for (int i : {1, 2, 3, 4})
            fields << query.value(i).toString();
        for (int i : {5, 6}) {
            qint64 units = 0;
            fields << (Currency::ToUnits(query.value(i), units) ? QString::number(units) : "-");
        }
        for (int i : {7, 8, 9, 10, 11})
            fields << query.value(i).toString();
        records << fields.join(u'|');
    }
    return records;
}

} // namespace

// The whole book out and back: a generated ledger of hostile texts exported, imported into an
// empty ledger record for record, and never a second time.
class TestLedgerCsv : public QObject {
    Q_OBJECT

    std::unique_ptr<TTestLedger> FLedger;
    QSqlDatabase FOther;

    // count records of the member over both kinds, the hostile categories, four-decimal amounts,
    // some with a time of day.
    void Generate(int count) {
        QSqlDatabase& connection = FLedger->Connection();
        int category = 100;
        // with two default ones, 餐饮 and 工资, that both ledgers have
        QList<QPair<int, QString>> categories = {{7, "支出"}, {1, "收入"}};
        for (const auto& [name, kind] : HostileCategories) {
            FLedger->AddCategory(++category, name, kind);
            categories.append({category, kind});
        }
        QRandomGenerator random(20261207);
        QVERIFY(connection.transaction());
        QSqlQuery insert(connection);
        insert.prepare("insert into fPayout values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        for (int id = 1; id <= count; ++id) {
            const auto& [categoryId, kind] = categories[random.bounded(int(categories.size()))];
            const QDate day = QDate(2020, 1, 1).addDays(random.bounded(2500));
            const QTime time =
                id % 7 == 0 ? QTime(random.bounded(24), random.bounded(60), random.bounded(60))
                            : QTime(0, 0);
            const qint64 units = 1 + random.bounded(1'000'000'000);
            const QVariant amount =
                units % 10000 == 0 ? QVariant(units / 10000) : QVariant(double(units) / 10000.0);
            const bool income = kind == "收入";
            QString content = Hostile[id % Hostile.size()] + QString::number(id);
            if (id % 5 == 0) content = Hostile[id % Hostile.size()]; // nothing after it
            const QString note = id % 3 == 0 ? QString()
                                             : Hostile[(id * 7) % Hostile.size()] + "\r\n第二行" +
                                                   Hostile[(id * 3) % Hostile.size()];
            insert.addBindValue(id);
            insert.addBindValue(categoryId);
            insert.addBindValue(content);
            insert.addBindValue(income ? QVariant() : amount);
            insert.addBindValue(income ? amount : QVariant());
            insert.addBindValue(DayNumber::FromDateTime(QDateTime(day, time)));
            insert.addBindValue(Member);
            insert.addBindValue(note);
            insert.addBindValue(kind);
            insert.addBindValue(day.month());
            insert.addBindValue(day.year());
            insert.addBindValue((day.month() - 1) / 3 + 1);
            QVERIFY2(insert.exec(), qPrintable(insert.lastError().text()));
        }
        QVERIFY(connection.commit());
    }

    static TImportCounts Import(QSqlDatabase connection, const QString& path) {
        const TBillImporter importer(connection, Member);
        return importer.Write(importer.Plan(BillFormats::Read(path), path));
    }

private slots:
    void init() {
        FLedger = std::make_unique<TTestLedger>();
        const QString other = QDir::current().filePath("other/Hearthbook.mdb");
        Schema::CreateDatabase(other);
        FOther = QSqlDatabase::addDatabase("QSQLITE", "other");
        FOther.setDatabaseName(other);
        QVERIFY(FOther.open());
        Schema::CreateImportTables(FOther);
    }
    void cleanup() {
        FOther.close();
        FOther = QSqlDatabase();
        QSqlDatabase::removeDatabase("other");
        FLedger.reset();
    }

    void roundTrip() {
        Generate(10'000);
        const QStringList before = Records(FLedger->Connection());
        QCOMPARE(LedgerCsv::Export(FLedger->Connection(), Member, "book.csv"), 10'000);

        const TImportCounts first = Import(FOther, "book.csv");
        QCOMPARE(first.Imported, 10'000);
        const QStringList after = Records(FOther);
        QCOMPARE(after.size(), before.size());
        for (qsizetype i = 0; i < before.size(); ++i)
            QCOMPARE(after[i], before[i]);

        // Again: nothing more.
        const TImportCounts second = Import(FOther, "book.csv");
        QCOMPARE(second.Imported, 0);
        QCOMPARE(second.AlreadyImported, 10'000);
        QCOMPARE(Records(FOther).size(), 10'000);

        // And home again from the other ledger's export: every record is already there.
        QCOMPARE(LedgerCsv::Export(FOther, Member, "back.csv"), 10'000);
        const TImportCounts home = Import(FLedger->Connection(), "back.csv");
        QCOMPARE(home.Imported, 0);
        QCOMPARE(home.AlreadyImported, 10'000);
    }

    // Its own export is already in the ledger, except a record deleted since.
    void sameLedger() {
        Generate(50);
        QCOMPARE(LedgerCsv::Export(FLedger->Connection(), Member, "book.csv"), 50);
        const TImportCounts counts = Import(FLedger->Connection(), "book.csv");
        QCOMPARE(counts.Imported, 0);
        QCOMPARE(counts.AlreadyImported, 50);
        QCOMPARE(FLedger->Scalar("select count(*) from fPayout").toInt(), 50);

        FLedger->Exec("delete from fPayout where PayoutID = 17");
        QCOMPARE(Import(FLedger->Connection(), "book.csv").Imported, 1);
        QCOMPARE(Records(FLedger->Connection()).size(), 50);

        // a key taken again by another record does not stand for the exported one
        FLedger->Exec("update fPayout set Payout = '另一笔', PayoutAccount = 1 where PayoutID = 50");
        QCOMPARE(Import(FLedger->Connection(), "book.csv").Imported, 1);
        QCOMPARE(Records(FLedger->Connection()).size(), 51);
    }

    // The layout, byte for byte, on a small known ledger: the identity of the ledger's own id,
    // the day and the time, amounts with as few decimals as they need, the note's line break,
    // and only the member's records.
    void layout() {
        FLedger->AddPayout(1, 7, "午饭", 49.74, {}, QDate(2026, 12, 7), Member, "支出",
                           "同事,\"小王\"\r\n请客");
        FLedger->AddPayout(2, 1, "=工资", {}, 300, QDate(2026, 12, 1), Member, "收入");
        FLedger->AddPayout(3, 7, "晚饭", 12.3456, {}, QDate(2026, 12, 7), "李四", "支出");
        FLedger->AddPayout(4, 99, "旧项目", 0.5, {}, QDate(2026, 12, 8), Member, "支出");
        FLedger->Exec("update fPayout set UseDate = UseDate + 0.75 where PayoutID = 1");
        const QString id = Schema::LedgerId(FLedger->Connection());
        QVERIFY(!QUuid::fromString(id).isNull());
        QCOMPARE(LedgerCsv::Export(FLedger->Connection(), Member, "small.csv"), 3);
        QCOMPARE(QString::fromUtf8(ReadAll("small.csv")),
                 QString("\uFEFF标识,日期,时间,收支类型,收支项目,收支内容,金额,记帐人,备注\r\n" +
                         id + ":2,2026-12-01,00:00:00,收入,工资,'=工资,300,家长,\r\n" + id +
                         ":1,2026-12-07,18:00:00,支出,餐饮,午饭,49.74,家长,\"同事,\"\"小王\"\"\r\n"
                         "请客\"\r\n" +
                         id + ":4,2026-12-08,00:00:00,支出,,旧项目,0.5,家长,\r\n"));
        // The id stays the ledger's.
        QCOMPARE(Schema::LedgerId(FLedger->Connection()), id);
        QVERIFY(Schema::LedgerId(FOther) != id);
    }

    // A record whose category was deleted goes to the kind's "其他" category in another ledger.
    void deletedCategory() {
        FLedger->AddPayout(1, 99, "旧项目", 0.5, {}, QDate(2026, 12, 8), Member, "支出");
        LedgerCsv::Export(FLedger->Connection(), Member, "book.csv");
        QCOMPARE(Import(FOther, "book.csv").Imported, 1);
        QSqlQuery query(FOther);
        QVERIFY(query.exec("select b.ItemProject from fPayout a join bItemProject b on "
                           "b.ItemProjectID = a.ItemProjectID"));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toString(), QStringLiteral("其他支出"));
    }
};

QTEST_GUILESS_MAIN(TestLedgerCsv)
#include "tst_ledgercsv.moc"
