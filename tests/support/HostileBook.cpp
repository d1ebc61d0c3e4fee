#include "HostileBook.h"

#include "data/Schema.h"

#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QUuid>

namespace HostileBook {

namespace {

const QString Texts[] = {
    QStringLiteral("午饭 'quoted' \"double\""),
    QStringLiteral("back\\slash \\' \\\\ end\\"),
    QStringLiteral("第一行\r\n第二行\n第三行\r"),
    QStringLiteral("tab\there; drop table fPayout; --"),
    QStringLiteral("E'\\x41' $1 ? :name %s %%"),
    QStringLiteral("超市 Ǆ ß É ǅ 😀"),
    QString(),
};

void Run(QSqlQuery& query) {
    if (!query.exec()) QFAIL(qPrintable(query.lastError().text()));
}

} // namespace

void Write(QSqlDatabase& connection, int records) {
    QVERIFY(connection.transaction());
    QSqlQuery query(connection);
    query.prepare(QStringLiteral("insert into bPerson values (?, ?, ?, ?, ?, ?)"));
    for (int id = 1; id <= 4; ++id) {
        for (const QVariant& value :
             {QVariant(id), QVariant(QStringLiteral("成员'%1\\").arg(id)),
              QVariant(Texts[id % 7].left(50)), QVariant(QStringLiteral("User%1").arg(id)),
              QVariant(QStringLiteral("pw\"%1").arg(id)),
              id == 2 ? QVariant(QMetaType::fromType<QString>()) : QVariant(Texts[id].left(200))})
            query.addBindValue(value);
        Run(query);
    }
    query.prepare(QStringLiteral("insert into bItemProject values (?, ?, ?, ?)"));
    for (int id = 1; id <= 30; ++id) {
        query.addBindValue(id);
        query.addBindValue(QStringLiteral("项目%1 %2").arg(id).arg(Texts[id % 7]).left(200));
        query.addBindValue(id <= 8 ? QStringLiteral("收入") : QStringLiteral("支出"));
        query.addBindValue(id % 3 ? QVariant(QMetaType::fromType<QString>()) : QVariant(Texts[id % 6]));
        Run(query);
    }
    const QString longNote = QString(QStringLiteral("很长的备注，'\\\n")).repeated(700);
    query.prepare(QStringLiteral("insert into fPayout values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (int id = 1; id <= records; ++id) {
        const bool income = id % 7 == 0;
        // whole yuan, ten-thousandths, cents, negative (a refund), huge; a few NULL
        const double amounts[] = {double(id % 500), (id % 100000) / 10000.0 + 3, 12.34,
                                  -0.0001 * id, 98765432.1234};
        const QVariant amount = id % 11 == 0 ? QVariant() : QVariant(amounts[id % 5]);
        // whole days, a time of day, a fraction to the millisecond
        const double day = 45000 + id % 4000 + (id % 3 == 0 ? 0 : id % 3 == 1 ? 0.4375 : (id % 86400000) / 86400000.0);
        query.addBindValue(id);
        query.addBindValue(id % 13 == 0 ? QVariant() : QVariant(id % 30 + 1));
        query.addBindValue(Texts[id % 7].isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(Texts[id % 7] + QString::number(id)));
        query.addBindValue(income ? QVariant() : amount);
        query.addBindValue(income ? amount : QVariant());
        query.addBindValue(id % 17 == 0 ? QVariant() : QVariant(day));
        query.addBindValue(QStringLiteral("成员'%1\\").arg(id % 4 + 1));
        query.addBindValue(id % 500 == 0 ? longNote : Texts[(id / 7) % 7]);
        query.addBindValue(income ? QStringLiteral("收入") : QStringLiteral("支出"));
        query.addBindValue(id % 12 + 1);
        query.addBindValue(2000 + id % 27);
        query.addBindValue(id % 4 + 1);
        Run(query);
    }
    query.prepare(QStringLiteral("insert into fDiary values (?, ?, ?, ?)"));
    for (int id = 1; id <= 60; ++id) {
        query.addBindValue(id);
        query.addBindValue(id % 10 == 0 ? longNote : Texts[id % 7]);
        query.addBindValue(id % 9 == 0 ? QVariant() : QVariant(46000 + id + (id % 2) * 0.75));
        query.addBindValue(id % 4 + 1);
        Run(query);
    }
    query.prepare(QStringLiteral("insert into fBillImport values (?, ?, ?, ?, ?, ?, ?)"));
    for (int id = 1; id <= 40; ++id) {
        query.addBindValue(id % 2 ? QStringLiteral("alipay") : QStringLiteral("wechat"));
        query.addBindValue(QStringLiteral("2026%1'\\").arg(id, 8, 10, QLatin1Char('0')));
        query.addBindValue(id % 3 ? QVariant(QMetaType::fromType<QString>()) : QVariant(Texts[id % 7]));
        query.addBindValue(id * 3);
        query.addBindValue(id % 5 ? QStringLiteral("支出") : QStringLiteral("退款"));
        query.addBindValue(qint64(id) * 123456);
        query.addBindValue(id % 5 ? QVariant() : QVariant(qint64(id) * 100));
        Run(query);
    }
    query.prepare(QStringLiteral("insert into bBillCategoryRule values (?, ?, ?)"));
    for (int id = 1; id <= 12; ++id) {
        query.addBindValue(QStringLiteral("商户%1 %2").arg(id).arg(Texts[id % 6]));
        query.addBindValue(id % 2 ? QStringLiteral("支出") : QStringLiteral("收入"));
        query.addBindValue(id % 4 ? QVariant(id) : QVariant());
        Run(query);
    }
    query.prepare(QStringLiteral("insert into bLedgerInfo values (?, ?)"));
    query.addBindValue(Schema::LedgerIdName);
    query.addBindValue(QStringLiteral("0b5c5e5e-6d1c-4b7e-9b0e-1d2c3b4a5f60"));
    Run(query);
    QVERIFY(connection.commit());
    if (connection.driverName() == QLatin1String("QSQLITE")) QVERIFY(query.exec(QStringLiteral("analyze")));
}

void WriteFile(const QString& path, int records) {
    const QString name = QStringLiteral("hostile-") + QUuid::createUuid().toString();
    {
        QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        connection.setDatabaseName(path);
        QVERIFY(connection.open());
        Schema::CreateTables(connection);
        Write(connection, records);
        connection.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QString Dump(const QString& path) {
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"),
                 {QStringLiteral("-readonly"), path,
                  QStringLiteral(".dump bPerson bItemProject fPayout fDiary fBillImport "
                                 "bBillCategoryRule bLedgerInfo")});
    if (!sqlite.waitForFinished(60000) || sqlite.exitCode() != 0) return {};
    QStringList lines = QString::fromUtf8(sqlite.readAllStandardOutput()).split(u'\n');
    lines.sort();
    return lines.join(u'\n');
}

} // namespace HostileBook
