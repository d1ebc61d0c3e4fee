#include "data/BookCopy.h"

#include "data/engine/Engine.h"
#include "platform/Exception.h"

#include <QSqlError>
#include <QSqlQuery>
#include <cmath>

namespace BookCopy {

namespace {

// Whether the connection's database has the table (names fold to lower case on a server).
bool HasTable(QSqlDatabase& connection, const QString& table) {
    const QStringList tables = connection.tables();
    return std::any_of(tables.cbegin(), tables.cend(), [&](const QString& name) {
        return name.compare(table, Qt::CaseInsensitive) == 0;
    });
}

QString ColumnList(const TTable& table) {
    QStringList names;
    for (const TColumn& column : table.Columns)
        names.append(column.Name);
    return names.join(QStringLiteral(", "));
}

// "insert into T (…) values (?, …), (?, …)" for rows rows.
QString InsertText(const TTable& table, int rows) {
    QString row = QStringLiteral("(?");
    for (int i = 1; i < table.Columns.size(); ++i)
        row += QStringLiteral(", ?");
    row += u')';
    QStringList all(rows, row);
    return QStringLiteral("insert into ") + table.Name + QStringLiteral(" (") + ColumnList(table) +
           QStringLiteral(") values ") + all.join(QStringLiteral(", "));
}

// A value as the target keeps it: a whole amount or day number read as a floating-point value
// (a server's numeric or double precision) becomes an integer, as a ledger file stores it.
QVariant Carried(const QVariant& value, TKind kind) {
    if (value.isNull() || (kind != TKind::Money && kind != TKind::Day) ||
        value.typeId() != QMetaType::Double)
        return value;
    const double number = value.toDouble();
    if (std::isfinite(number) && number == std::trunc(number) && std::fabs(number) < 9.0e15)
        return QVariant(qlonglong(number));
    return value;
}

[[noreturn]] void Failed(const TTable& table, const QSqlQuery& query) {
    throw EDatabaseError(QStringLiteral("复制%1（%2）时出错：%3")
                             .arg(table.Shown, table.Name, query.lastError().databaseText()));
}

// value rounded to a whole number as SQLite's round() does it: in floating point, half away
// from zero (trunc(value ± 0.5)). A server's round() of a double rounds half to even, and of a
// numeric computes in decimals; both could differ from the file's figure by one.
QString Rounded(const QString& value, bool onServer) {
    return onServer ? QStringLiteral("trunc((%1) + sign(%1) * 0.5)").arg(value)
                    : QStringLiteral("round(%1)").arg(value);
}

// The figure of one column, the same whole number on either engine: amounts and day numbers are
// taken as the double the file holds (a server's numeric gives it back exactly), so both
// engines do the same floating-point arithmetic on them.
QString SumOf(const TColumn& column, bool onServer) {
    const QString number = QStringLiteral("cast(%1 as double precision)").arg(column.Name);
    QString value;
    switch (column.Kind) {
    case TKind::Key: value = column.Name; break;
    case TKind::Money: value = Rounded(number + QStringLiteral(" * 10000"), onServer); break;
    case TKind::Day: value = Rounded(number + QStringLiteral(" * 86400"), onServer); break;
    case TKind::Text: value = QStringLiteral("length(%1)").arg(column.Name); break;
    }
    if (column.Kind == TKind::Money || column.Kind == TKind::Day)
        value = QStringLiteral("cast(%1 as bigint)").arg(value);
    return QStringLiteral("coalesce(cast(sum(%1) as bigint), 0)").arg(value);
}

// The indexes of the target's tables beyond their keys, each its name and the statement that
// makes it.
QList<QPair<QString, QString>> SecondaryIndexes(QSqlDatabase& target) {
    QSqlQuery query(target);
    const bool ok = OnServer(target)
                        ? query.exec(QStringLiteral(
                              "select c.relname, pg_get_indexdef(i.indexrelid) from pg_index i "
                              "join pg_class c on c.oid = i.indexrelid "
                              "join pg_namespace n on n.oid = c.relnamespace "
                              "where n.nspname = current_schema() and not exists "
                              "(select 1 from pg_constraint k where k.conindid = i.indexrelid) "
                              "order by c.relname"))
                        : query.exec(QStringLiteral(
                              "select name, sql from sqlite_master where type = 'index' "
                              "and sql is not null order by name"));
    if (!ok) throw EDatabaseError(query.lastError().databaseText());
    QList<QPair<QString, QString>> indexes;
    while (query.next())
        indexes.append({query.value(0).toString(), query.value(1).toString()});
    return indexes;
}

void Exec(QSqlDatabase& connection, const QString& sql) {
    QSqlQuery query(connection);
    if (!query.exec(sql)) throw EDatabaseError(query.lastError().databaseText());
}

} // namespace

const QList<TTable>& Tables() {
    using K = TKind;
    static const QList<TTable> tables = {
        {QStringLiteral("bPerson"),
         {{QStringLiteral("PersonID"), K::Key}, {QStringLiteral("PersonName"), K::Text},
          {QStringLiteral("RoleName"), K::Text}, {QStringLiteral("LoginAccount"), K::Text},
          {QStringLiteral("LoginPassword"), K::Text}, {QStringLiteral("Memos"), K::Text}},
         1, QStringLiteral("成员"), QStringLiteral("个")},
        {QStringLiteral("bItemProject"),
         {{QStringLiteral("ItemProjectID"), K::Key}, {QStringLiteral("ItemProject"), K::Text},
          {QStringLiteral("ItemType"), K::Text}, {QStringLiteral("Memos"), K::Text}},
         1, QStringLiteral("收支项目"), QStringLiteral("个")},
        {QStringLiteral("fPayout"),
         {{QStringLiteral("PayoutID"), K::Key}, {QStringLiteral("ItemProjectID"), K::Key},
          {QStringLiteral("Payout"), K::Text}, {QStringLiteral("PayoutAccount"), K::Money},
          {QStringLiteral("IncomeAccount"), K::Money}, {QStringLiteral("UseDate"), K::Day},
          {QStringLiteral("PersonName"), K::Text}, {QStringLiteral("Memos"), K::Text},
          {QStringLiteral("ItemType"), K::Text}, {QStringLiteral("MonthNum"), K::Key},
          {QStringLiteral("YearNum"), K::Key}, {QStringLiteral("QuarterNum"), K::Key}},
         1, QStringLiteral("收支记录"), QStringLiteral("条")},
        {QStringLiteral("fDiary"),
         {{QStringLiteral("DiaryID"), K::Key}, {QStringLiteral("Diary"), K::Text},
          {QStringLiteral("DiaryDate"), K::Day}, {QStringLiteral("PersonID"), K::Key}},
         1, QStringLiteral("日志"), QStringLiteral("篇")},
        {QStringLiteral("fBillImport"),
         {{QStringLiteral("Source"), K::Text}, {QStringLiteral("OrderNo"), K::Text},
          {QStringLiteral("MerchantOrderNo"), K::Text}, {QStringLiteral("PayoutID"), K::Key},
          {QStringLiteral("ItemType"), K::Text}, {QStringLiteral("ImportedUnits"), K::Key},
          {QStringLiteral("RefundedUnits"), K::Key}},
         2, QStringLiteral("账单导入记录"), QStringLiteral("条")},
        {QStringLiteral("bBillCategoryRule"),
         {{QStringLiteral("Counterpart"), K::Text}, {QStringLiteral("ItemType"), K::Text},
          {QStringLiteral("ItemProjectID"), K::Key}},
         2, QStringLiteral("分类规则"), QStringLiteral("条")},
        {QStringLiteral("bLedgerInfo"),
         {{QStringLiteral("Name"), K::Text}, {QStringLiteral("Value"), K::Text}},
         1, QStringLiteral("账本信息"), QStringLiteral("条")},
    };
    return tables;
}

QList<qint64> CopyRows(QSqlDatabase& source, QSqlDatabase& target,
                       const std::function<void(qint64)>& progress, qint64 progressStep) {
    // The indexes are built once the rows are in: a million rows go into a table with only its
    // key in a fraction of the time, and each index is then made from the rows sorted once.
    const QList<QPair<QString, QString>> indexes = SecondaryIndexes(target);
    for (const auto& index : indexes)
        Exec(target, QStringLiteral("drop index ") + index.first);
    QList<qint64> counts;
    qint64 total = 0;
    for (const TTable& table : Tables()) {
        qint64 copied = 0;
        if (!HasTable(source, table.Name)) {
            counts.append(0);
            continue;
        }
        const int width = int(table.Columns.size());
        QStringList keys;
        for (int i = 0; i < table.KeyColumns; ++i)
            keys.append(table.Columns[i].Name);
        QSqlQuery read(source);
        read.setForwardOnly(true);
        if (!read.exec(QStringLiteral("select ") + ColumnList(table) + QStringLiteral(" from ") +
                       table.Name + QStringLiteral(" order by ") + keys.join(QStringLiteral(", "))))
            Failed(table, read);

        QSqlQuery full(target);
        if (!full.prepare(InsertText(table, RowsPerStatement))) Failed(table, full);
        QVariantList values;
        values.reserve(RowsPerStatement * width);
        auto write = [&](QSqlQuery& insert) {
            for (int i = 0; i < values.size(); ++i)
                insert.bindValue(i, values[i]);
            if (!insert.exec()) Failed(table, insert);
            values.clear();
        };
        while (read.next()) {
            for (int i = 0; i < width; ++i)
                values.append(Carried(read.value(i), table.Columns[i].Kind));
            ++copied;
            if (values.size() == RowsPerStatement * width) write(full);
            if (progress && (total + copied) % progressStep == 0) progress(total + copied);
        }
        if (read.lastError().isValid()) Failed(table, read);
        if (!values.isEmpty()) {
            QSqlQuery rest(target);
            if (!rest.prepare(InsertText(table, int(values.size() / width)))) Failed(table, rest);
            write(rest);
        }
        counts.append(copied);
        total += copied;
    }
    if (OnServer(target)) Exec(target, QStringLiteral("set local maintenance_work_mem = '256MB'"));
    for (const auto& index : indexes)
        Exec(target, index.second);
    return counts;
}

QList<TFigures> Figures(QSqlDatabase& connection) {
    const bool onServer = OnServer(connection);
    QList<TFigures> figures;
    for (const TTable& table : Tables()) {
        TFigures figure;
        figure.Table = table.Name;
        if (!HasTable(connection, table.Name)) {
            figure.Sums = QList<qint64>(table.Columns.size(), 0);
            figures.append(figure);
            continue;
        }
        QStringList sums{QStringLiteral("count(*)")};
        for (const TColumn& column : table.Columns)
            sums.append(SumOf(column, onServer));
        QSqlQuery query(connection);
        if (!query.exec(QStringLiteral("select ") + sums.join(QStringLiteral(", ")) +
                        QStringLiteral(" from ") + table.Name) ||
            !query.next())
            Failed(table, query);
        figure.Rows = query.value(0).toLongLong();
        for (int i = 0; i < table.Columns.size(); ++i)
            figure.Sums.append(query.value(i + 1).toLongLong());
        figures.append(figure);
    }
    return figures;
}

QString Difference(const QList<TFigures>& source, const QList<TFigures>& target) {
    QStringList found;
    const QList<TTable>& tables = Tables();
    for (int t = 0; t < tables.size() && t < source.size() && t < target.size(); ++t) {
        const TTable& table = tables[t];
        const QString name = QStringLiteral("%1（%2）").arg(table.Shown, table.Name);
        if (source[t].Rows != target[t].Rows) {
            found.append(QStringLiteral("%1的行数：源 %2，副本 %3")
                             .arg(name).arg(source[t].Rows).arg(target[t].Rows));
            continue;
        }
        for (int c = 0; c < table.Columns.size(); ++c)
            if (source[t].Sums.value(c) != target[t].Sums.value(c))
                found.append(QStringLiteral("%1的 %2 列合计：源 %3，副本 %4")
                                 .arg(name, table.Columns[c].Name)
                                 .arg(source[t].Sums.value(c))
                                 .arg(target[t].Sums.value(c)));
    }
    if (source.size() != target.size()) found.append(QStringLiteral("数据表的数目不同"));
    return found.join(QStringLiteral("；"));
}

} // namespace BookCopy

BookCopy::TBookSnapshot::TBookSnapshot(QSqlDatabase& connection) : FConnection(connection) {
    if (!connection.transaction()) throw EDatabaseError(connection.lastError().databaseText());
    if (!OnServer(connection)) return; // a file's read transaction is one moment already
    QSqlQuery query(connection);
    if (!query.exec(QStringLiteral("set transaction isolation level repeatable read, read only"))) {
        const QString reason = query.lastError().databaseText();
        query = QSqlQuery();
        connection.rollback();
        throw EDatabaseError(reason);
    }
}

BookCopy::TBookSnapshot::~TBookSnapshot() {
    FConnection.rollback();
}
