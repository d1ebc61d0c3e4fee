#include "data/query/QueryWriter.h"

#include "data/engine/Engine.h"
#include "data/query/FieldValue.h"
#include "data/query/RecordChanged.h"
#include "data/query/SelectText.h"
#include "data/query/StatementReader.h"
#include "platform/Exception.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlResult>

const QString TQueryWriter::NoSuchRow = QStringLiteral("表中找不到这条记录");

QString TQueryWriter::ErrorText(const QSqlError& error) {
    QString text = error.databaseText().trimmed();
    if (text.isEmpty()) text = error.text().trimmed();
    if (text.isEmpty()) text = QStringLiteral("数据库操作失败");
    return text;
}

void TQueryWriter::Clear() {
    FDb = QSqlDatabase();
    FUpdatable = false;
    FReason.clear();
    FTable.clear();
    FRecord.clear();
    FKey.clear();
    FKeyColumns.clear();
}

void TQueryWriter::Prepare(const QSqlDatabase& db, const QString& sql, const QStringList& columns) {
    Clear();
    const QString named = SelectText::PlainTable(sql, &FReason);
    if (named.isEmpty()) return;
    const QString table = CatalogueName(db, named);
    const QSqlRecord record = db.record(table);
    bool same = record.count() == columns.size();
    for (int i = 0; same && i < columns.size(); ++i)
        same = record.fieldName(i).compare(columns[i], Qt::CaseInsensitive) == 0;
    if (!same) {
        FReason = QStringLiteral("只有单表的 select * 查询才能修改数据（结果的列与表 %1 的列不同）")
                      .arg(table);
        return;
    }
    const QSqlIndex key = db.primaryIndex(table);
    if (key.isEmpty()) {
        FReason = QStringLiteral("表 %1 没有主键").arg(table);
        return;
    }
    for (int k = 0; k < key.count(); ++k) {
        const int column = record.indexOf(key.fieldName(k));
        if (column < 0) {
            FReason = QStringLiteral("表 %1 的主键列 %2 不在结果中").arg(table, key.fieldName(k));
            return;
        }
        FKeyColumns.push_back(column);
    }
    FDb = db;
    FTable = table;
    FRecord = record;
    FKey = key;
    FUpdatable = true;
}

// The primary key with row's values.
QSqlIndex TQueryWriter::KeyOf(const QVariant* row) const {
    QSqlIndex key = FKey;
    for (int k = 0; k < key.count(); ++k)
        key.setValue(k, row[FKeyColumns[size_t(k)]]);
    return key;
}

void TQueryWriter::Exec(QSqlQuery& query, const QString& sql, const QVariantList& values) const {
    if (!FDb.isOpen())
        throw EDatabaseError(QStringLiteral("数据库连接没有打开：") + FDb.databaseName());
    if (!query.prepare(sql)) throw EDatabaseError(ErrorText(query.lastError()));
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    if (!query.exec()) throw EDatabaseError(ErrorText(query.lastError()));
}

// The values the prepared WHERE of key binds: its non-NULL ones (a NULL is "is null").
static void AppendKeyValues(const QSqlIndex& key, QVariantList& values) {
    for (int k = 0; k < key.count(); ++k)
        if (!key.isNull(k)) values.append(key.value(k));
}

// Reads the row with key back from the table into row, so it holds what the file holds.
QString TQueryWriter::Reread(QVariant* row, const QSqlIndex& key) const {
    QSqlDriver* driver = FDb.driver();
    QSqlQuery query(FDb);
    query.setForwardOnly(true);
    const QString sql = driver->sqlStatement(QSqlDriver::SelectStatement, FTable, FRecord, false) +
                        u' ' + driver->sqlStatement(QSqlDriver::WhereStatement, FTable, key, true);
    QVariantList values;
    AppendKeyValues(key, values);
    if (!query.prepare(sql)) return ErrorText(query.lastError());
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    if (!query.exec()) return ErrorText(query.lastError());
    if (!query.next())
        return query.lastError().isValid() ? ErrorText(query.lastError()) : NoSuchRow;
    const bool server = OnServer(FDb);
    for (int c = 0; c < FRecord.count(); ++c)
        row[c] = server ? StatementReader::AsOnTheFile(query.value(c)) : query.value(c);
    return QString();
}

QString TQueryWriter::Insert(QVariant* row, const std::vector<bool>& assigned) const {
    QSqlDriver* driver = FDb.driver();
    QSqlRecord record = FRecord;
    QVariantList values;
    for (int c = 0; c < record.count(); ++c) {
        record.setGenerated(c, assigned[size_t(c)]); // never assigned: left to the table
        record.setValue(c, row[c]);
        if (assigned[size_t(c)]) values.append(row[c]);
    }
    QString sql = driver->sqlStatement(QSqlDriver::InsertStatement, FTable, record, true);
    if (values.isEmpty()) // nothing assigned: the driver writes no statement for that
        sql = QStringLiteral("INSERT INTO ") +
              driver->escapeIdentifier(FTable, QSqlDriver::TableName) +
              QStringLiteral(" DEFAULT VALUES");
    QSqlQuery query(FDb);
    Exec(query, sql, values);

    QSqlIndex key = KeyOf(row);
    bool keyAssigned = true;
    for (int k = 0; k < key.count(); ++k)
        keyAssigned = keyAssigned && assigned[size_t(FKeyColumns[size_t(k)])] && !key.isNull(k);
    // A key the table gave (an integer key left unassigned) is the row's insert id.
    if (!keyAssigned && key.count() == 1 && query.lastInsertId().isValid())
        key.setValue(0, query.lastInsertId());
    return Reread(row, key);
}

// "where" and every column of the table as oldRow holds it: the row as the query read it. A
// column read as NULL is "is null"; every other value is bound as it was read, so a day number
// or an amount compares with exactly the value the engine gave (a REAL as its double, a
// server's numeric and double precision through their exact shortest text). A text compares
// exactly, though its column compares without case: another program's change of case is a
// change too.
QString TQueryWriter::AsReadWhere(const QVariant* oldRow, QVariantList& values) const {
    QSqlDriver* driver = FDb.driver();
    const bool server = OnServer(FDb);
    QStringList terms;
    for (int c = 0; c < FRecord.count(); ++c) {
        const QString column = driver->escapeIdentifier(FRecord.fieldName(c), QSqlDriver::FieldName);
        if (oldRow[c].isNull()) {
            terms << column + QStringLiteral(" is null");
        } else if (oldRow[c].typeId() == QMetaType::QString &&
                   (!server || FRecord.field(c).metaType().id() == QMetaType::QString)) {
            // (a number column compares as a number: a collation only orders texts on a file,
            // and a server's numeric is never taken as text)
            terms << (server ? column + QStringLiteral("::text = ?")
                             : column + QStringLiteral(" = ? collate binary"));
            values.append(oldRow[c]);
        } else {
            terms << column + QStringLiteral(" = ?");
            values.append(oldRow[c]);
        }
    }
    return QStringLiteral(" where ") + terms.join(QStringLiteral(" and "));
}

// Nothing matched the row as read: it was changed or deleted since. Says which, with the row as
// the table holds it now.
void TQueryWriter::Conflict(const QVariant* oldRow, bool deleting) const {
    std::vector<QVariant> current(size_t(FRecord.count()));
    const QString failure = Reread(current.data(), KeyOf(oldRow));
    if (failure == NoSuchRow)
        throw ERecordChanged(deleting ? QString()
                                      : QStringLiteral("这条记录已被另一台电脑删除，"
                                                       "您的修改没有保存。"),
                             true);
    if (!failure.isEmpty()) throw EDatabaseError(failure);
    throw ERecordChanged(deleting ? QStringLiteral("这条记录已被另一台电脑修改，没有删除；"
                                                   "现在显示的是它的最新内容。")
                                  : QStringLiteral("这条记录已被另一台电脑修改，您的修改没有保存；"
                                                   "现在显示的是它的最新内容。"),
                         false, std::move(current));
}

QString TQueryWriter::Update(QVariant* row, const QVariant* oldRow,
                             const std::vector<bool>& assigned) const {
    QSqlDriver* driver = FDb.driver();
    QSqlRecord record = FRecord;
    QVariantList values;
    for (int c = 0; c < record.count(); ++c) {
        const bool changed = assigned[size_t(c)] && !FieldValue::SameValue(row[c], oldRow[c]);
        record.setGenerated(c, changed);
        record.setValue(c, row[c]);
        if (changed) values.append(row[c]);
    }
    if (values.isEmpty()) return QString();
    // Keyed on the row as it was read (its key too, so a changed key is written).
    const QString where = AsReadWhere(oldRow, values);
    QSqlQuery query(FDb);
    Exec(query, driver->sqlStatement(QSqlDriver::UpdateStatement, FTable, record, true) + where,
         values);
    if (query.numRowsAffected() == 0) Conflict(oldRow, false);
    return Reread(row, KeyOf(row));
}

void TQueryWriter::Delete(const QVariant* oldRow) const {
    QSqlDriver* driver = FDb.driver();
    QVariantList values;
    const QString where = AsReadWhere(oldRow, values);
    QSqlQuery query(FDb);
    Exec(query, driver->sqlStatement(QSqlDriver::DeleteStatement, FTable, QSqlRecord(), true) + where,
         values);
    if (query.numRowsAffected() != 0) return;
    try {
        Conflict(oldRow, true);
    } catch (const ERecordChanged& changed) {
        if (!changed.Deleted) throw; // gone already: deleted as asked
    }
}
