#include "data/BookCopy.h"

#include "platform/Exception.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

namespace {

// Host parameters per insert: well within SQLite's 32,766 and PostgreSQL's 65,535.
constexpr int ParametersPerInsert = 3000;

bool HasTable(QSqlDatabase& connection, const QString& table) {
    const QStringList present = connection.tables();
    return std::any_of(present.cbegin(), present.cend(), [&](const QString& name) {
        return name.compare(table, Qt::CaseInsensitive) == 0;
    });
}

[[noreturn]] void Fail(const QString& table, const QSqlError& error) {
    throw EDatabaseError(
        QStringLiteral("复制数据表 %1 时出错：%2").arg(table, error.databaseText()));
}

// "insert into T (a, b) values (?, ?), (?, ?)" for rows rows.
QString InsertText(const QString& table, const QStringList& columns, int rows) {
    QString row = QStringLiteral("(?");
    for (int i = 1; i < columns.size(); ++i) row += QStringLiteral(", ?");
    row += u')';
    QStringList values;
    values.reserve(rows);
    for (int i = 0; i < rows; ++i) values << row;
    return QStringLiteral("insert into %1 (%2) values %3")
        .arg(table, columns.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")));
}

qint64 CopyTable(QSqlDatabase& source, QSqlDatabase& target, const QString& table) {
    QSqlQuery read(source);
    read.setForwardOnly(true); // a server hands the rows over one at a time
    if (!read.exec(QStringLiteral("select * from ") + table)) Fail(table, read.lastError());
    const QSqlRecord record = read.record();
    QStringList columns;
    for (int i = 0; i < record.count(); ++i) columns << record.fieldName(i);
    const int width = int(columns.size());
    const int batch = std::max(1, ParametersPerInsert / std::max(1, width));

    QSqlQuery full(target);
    if (!full.prepare(InsertText(table, columns, batch))) Fail(table, full.lastError());
    QVariantList pending;
    pending.reserve(batch * width);
    qint64 copied = 0;
    auto write = [&](QSqlQuery& insert) {
        for (int i = 0; i < pending.size(); ++i) insert.bindValue(i, pending[i]);
        if (!insert.exec()) Fail(table, insert.lastError());
        copied += pending.size() / width;
        pending.clear();
    };
    while (read.next()) {
        for (int i = 0; i < width; ++i) pending << read.value(i);
        if (pending.size() == batch * width) write(full);
    }
    if (read.lastError().isValid()) Fail(table, read.lastError());
    if (!pending.isEmpty()) {
        QSqlQuery rest(target);
        if (!rest.prepare(InsertText(table, columns, int(pending.size() / width))))
            Fail(table, rest.lastError());
        write(rest);
    }
    return copied;
}

} // namespace

namespace BookCopy {

const QStringList& Tables() {
    static const QStringList tables{
        QStringLiteral("bPerson"),     QStringLiteral("bItemProject"),
        QStringLiteral("fPayout"),     QStringLiteral("fDiary"),
        QStringLiteral("fBillImport"), QStringLiteral("bBillCategoryRule"),
        QStringLiteral("bLedgerInfo"),
    };
    return tables;
}

QList<TTableRows> CopyRows(QSqlDatabase& source, QSqlDatabase& target) {
    QList<TTableRows> copied;
    for (const QString& table : Tables())
        copied.append({table, HasTable(source, table) ? CopyTable(source, target, table) : 0});
    return copied;
}

QList<TTableRows> CountRows(QSqlDatabase& connection) {
    QList<TTableRows> counts;
    QSqlQuery query(connection);
    for (const QString& table : Tables()) {
        qint64 rows = 0;
        if (HasTable(connection, table)) {
            if (!query.exec(QStringLiteral("select count(*) from ") + table) || !query.next())
                Fail(table, query.lastError());
            rows = query.value(0).toLongLong();
        }
        counts.append({table, rows});
    }
    return counts;
}

} // namespace BookCopy
