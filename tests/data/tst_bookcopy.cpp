#include "PgServer.h"

#include "data/BookCopy.h"
#include "data/Schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

// A book's rows copied between the engines: a ledger file to a server and back gives the same
// rows, value for value, with the counts the copy reports.
namespace {

QSqlDatabase Open(const QString& name, const TLedgerLocation& location) {
    QSqlDatabase connection = QSqlDatabase::addDatabase(location.DriverName(), name);
    if (location.IsServer())
        location.ApplyTo(connection);
    else
        connection.setDatabaseName(location.FilePath());
    if (!connection.open()) qWarning() << connection.lastError().text();
    return connection;
}

// Every row of a table in key order, each value as text (numbers as numbers, NULL as NULL).
QStringList Rows(QSqlDatabase& connection, const QString& table) {
    QSqlQuery query(connection);
    if (!query.exec("select * from " + table + " order by 1, 2")) qWarning() << query.lastError();
    QStringList rows;
    while (query.next()) {
        QStringList values;
        for (int i = 0; i < query.record().count(); ++i) {
            const QVariant value = query.value(i);
            bool number = false;
            const double figure = value.toDouble(&number);
            values << (value.isNull() ? QString("NULL")
                       : number && value.typeId() != QMetaType::QString
                           ? QString::number(figure, 'g', 15)
                           : value.toString());
        }
        rows << values.join('|');
    }
    return rows;
}

// Copies the book on from into the new tables of to, as a copy or backup does.
QList<BookCopy::TTableRows> Copy(QSqlDatabase& from, QSqlDatabase& to) {
    QList<BookCopy::TTableRows> copied;
    if (!to.transaction() || !from.transaction()) return copied;
    Schema::CreateTables(to);
    copied = BookCopy::CopyRows(from, to);
    from.rollback();
    if (!to.commit()) qWarning() << to.lastError();
    return copied;
}

} // namespace

class TestBookCopy : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fileToServerAndBack() {
        QTemporaryDir dir;
        const TLedgerLocation original = TLedgerLocation::File(dir.filePath("a.mdb"));
        const TLedgerLocation back = TLedgerLocation::File(dir.filePath("b.mdb"));
        const TLedgerLocation server = TPgServer::Shared().NewDatabase();
        Schema::CreateDatabase(original.FilePath());
        {
            QSqlDatabase a = Open("a", original), s = Open("s", server), b = Open("b", back);
            QSqlQuery query(a);
            for (const QString& sql : QStringList{
                     // whole yuan, four decimals, NULL, an apostrophe, day numbers with a time
                     "insert into fPayout values (1, 7, '午饭''s', 25, null, 46363, '家长', null, '支出', 12, 2026, 4)",
                     "insert into fPayout values (2, 1, '工资', null, 12345.6789, 46363.75, 'Anna', '十二月\n奖金', '收入', 12, 2026, 4)",
                     "insert into fPayout values (5, 8, 'Bus', 0.0001, null, 46364.5, 'anna', '', '支出', 12, 2026, 4)",
                     "insert into fDiary values (1, '晴，去公园', 46363, 1)",
                     "insert into fBillImport values ('alipay', '2026120722001', null, 1, '支出', 2500, 0)",
                     "insert into bBillCategoryRule values ('美团', '支出', 7)",
                     "insert into bLedgerInfo values ('LedgerId', '6f1c0b1e-aaaa-bbbb-cccc-000000000001')"})
                QVERIFY2(query.exec(sql), qPrintable(sql + ": " + query.lastError().text()));
            // Far more rows than one insert holds.
            QVERIFY(query.exec("with recursive n(i) as (select 10 union all select i + 1 from n "
                               "where i < 2999) insert into fPayout (PayoutID, Payout, PayoutAccount, "
                               "UseDate) select i, 'x' || i, i / 100.0, 46000 + i from n"));

            const QList<BookCopy::TTableRows> toServer = Copy(a, s);
            QCOMPARE(toServer, BookCopy::CountRows(a));
            QCOMPARE(toServer, BookCopy::CountRows(s));
            QCOMPARE(toServer[2], (BookCopy::TTableRows{"fPayout", 2993}));
            QCOMPARE(Copy(s, b), toServer);
            for (const QString& table : BookCopy::Tables())
                QCOMPARE(Rows(b, table), Rows(a, table));
            // On the server the same figures: the sums of the amounts, exact.
            QSqlQuery sums(s);
            QVERIFY(sums.exec("select sum(PayoutAccount)::text, sum(IncomeAccount)::text from fPayout"));
            QVERIFY(sums.next());
            QCOMPARE(sums.value(0).toString(), QString("45009.5501"));
            QCOMPARE(sums.value(1).toString(), QString("12345.6789"));
        }
        for (const char* name : {"a", "s", "b"}) QSqlDatabase::removeDatabase(name);
    }
};

QTEST_GUILESS_MAIN(TestBookCopy)
#include "tst_bookcopy.moc"
