#include "data/query/StatementReader.h"

#include "data/query/QueryWriter.h"
#include "data/engine/SqliteEngine.h"
#include "platform/Exception.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <algorithm>
#include <cstring>
#include <sqlite3.h>

namespace StatementReader {

namespace {

TRow NewRow(int columns) {
    return TRow(new QVariant[std::max(columns, 1)]);
}

[[noreturn]] void NoColumns(const QString& sql) {
    throw EDatabaseError(QStringLiteral("语句没有返回记录集：") + sql);
}

// A prepared SQLite statement, finalized however the reading ends.
struct TStatement {
    sqlite3_stmt* Handle = nullptr;
    ~TStatement() { sqlite3_finalize(Handle); }
};

[[noreturn]] void SqliteFailure(sqlite3* db, const QString& what) {
    const QSqlError error(what, QString::fromUtf8(sqlite3_errmsg(db)), QSqlError::StatementError,
                          QString::number(sqlite3_extended_errcode(db) & 0xff));
    throw EDatabaseError(TQueryWriter::ErrorText(error));
}

// Reads straight from SQLite: the texts are compared with the row above as the engine's bytes,
// before any conversion, so a repeated text costs neither a conversion nor an allocation.
TStatementRows ReadSqlite(sqlite3* db, const QString& sql) {
    const QByteArray text = sql.toUtf8();
    TStatement statement;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &statement.Handle, &tail) !=
        SQLITE_OK)
        SqliteFailure(db, QStringLiteral("无法执行查询语句"));
    if (!statement.Handle) throw EDatabaseError(QStringLiteral("没有要执行的查询语句"));
    if (tail && !QByteArray(tail).trimmed().isEmpty())
        throw EDatabaseError(QStringLiteral("一次只能执行一条查询语句：") + sql);
    // Nothing binds values here: an unbound parameter would read as NULL and find nothing.
    if (sqlite3_bind_parameter_count(statement.Handle) > 0)
        throw EDatabaseError(QStringLiteral("语句中有参数，但没有给出它的值：") + sql);

    TStatementRows result;
    const int columns = sqlite3_column_count(statement.Handle);
    if (columns == 0) NoColumns(sql);
    result.Columns = columns;
    result.DateTimeColumns.assign(size_t(columns), false);
    for (int c = 0; c < columns; ++c) {
        result.Names.append(QString::fromUtf8(sqlite3_column_name(statement.Handle, c)));
        const char* type = sqlite3_column_decltype(statement.Handle, c);
        result.DateTimeColumns[size_t(c)] = type && IsDateTimeType(QString::fromUtf8(type));
    }

    // The bytes of each column's text in the row above, while it was a text.
    std::vector<QByteArray> previousText(static_cast<size_t>(columns));
    std::vector<bool> previousIsText(size_t(columns), false);
    int step;
    while ((step = sqlite3_step(statement.Handle)) == SQLITE_ROW) {
        TRow row = NewRow(columns);
        const QVariant* previous = result.Rows.empty() ? nullptr : result.Rows.back().get();
        for (int c = 0; c < columns; ++c) {
            const size_t at = size_t(c);
            switch (sqlite3_column_type(statement.Handle, c)) {
            case SQLITE_INTEGER:
                row[c] = QVariant(qlonglong(sqlite3_column_int64(statement.Handle, c)));
                previousIsText[at] = false;
                break;
            case SQLITE_FLOAT:
                row[c] = QVariant(sqlite3_column_double(statement.Handle, c));
                previousIsText[at] = false;
                break;
            case SQLITE_NULL:
                previousIsText[at] = false;
                break;
            case SQLITE_BLOB: {
                const int size = sqlite3_column_bytes(statement.Handle, c);
                row[c] = QVariant(QByteArray(
                    static_cast<const char*>(sqlite3_column_blob(statement.Handle, c)), size));
                previousIsText[at] = false;
                break;
            }
            default: { // SQLITE_TEXT
                const char* bytes =
                    reinterpret_cast<const char*>(sqlite3_column_text(statement.Handle, c));
                const int size = sqlite3_column_bytes(statement.Handle, c);
                QByteArray& last = previousText[at];
                if (previous && previousIsText[at] && last.size() == size &&
                    std::memcmp(last.constData(), bytes, size_t(size)) == 0) {
                    row[c] = previous[c];
                } else {
                    row[c] = QVariant(QString::fromUtf8(bytes, size));
                    last = QByteArray(bytes, size);
                    previousIsText[at] = true;
                }
                break;
            }
            }
        }
        result.Rows.push_back(std::move(row));
    }
    if (step != SQLITE_DONE) SqliteFailure(db, QStringLiteral("无法读取查询结果"));
    return result;
}

// Which columns of the statement just run are declared as a date or a time. SQLite's driver
// maps "datetime" to text in its record, so on SQLite the statement itself is asked; other
// engines tell the type in the record.
std::vector<bool> DriverDateTimeColumns(const QSqlQuery& query, const QSqlRecord& record) {
    std::vector<bool> dates(size_t(record.count()), false);
    const QVariant handle = query.result() ? query.result()->handle() : QVariant();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3_stmt*") == 0) {
        if (sqlite3_stmt* statement = *static_cast<sqlite3_stmt* const*>(handle.constData())) {
            for (int c = 0; c < record.count(); ++c) {
                const char* type = sqlite3_column_decltype(statement, c);
                dates[size_t(c)] = type && IsDateTimeType(QString::fromUtf8(type));
            }
            return dates;
        }
    }
    for (int c = 0; c < record.count(); ++c) {
        const int type = record.field(c).metaType().id();
        dates[size_t(c)] =
            type == QMetaType::QDateTime || type == QMetaType::QDate || type == QMetaType::QTime;
    }
    return dates;
}

} // namespace

bool IsDateTimeType(const QString& declaredType) {
    return declaredType.contains(QStringLiteral("date"), Qt::CaseInsensitive) ||
           declaredType.contains(QStringLiteral("time"), Qt::CaseInsensitive);
}

TStatementRows Read(const QSqlDatabase& db, const QString& sql) {
    if (sqlite3* handle = SqliteHandle(db)) return ReadSqlite(handle, sql);
    return ReadThroughDriver(db, sql);
}

TStatementRows ReadThroughDriver(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(sql)) throw EDatabaseError(TQueryWriter::ErrorText(query.lastError()));
    const QSqlRecord record = query.record();
    const int columns = record.count();
    if (columns == 0) NoColumns(sql);

    TStatementRows result;
    result.Columns = columns;
    for (int c = 0; c < columns; ++c)
        result.Names.append(record.fieldName(c));
    while (query.next()) {
        TRow row = NewRow(columns);
        const QVariant* previous = result.Rows.empty() ? nullptr : result.Rows.back().get();
        for (int c = 0; c < columns; ++c) {
            const QVariant value = query.value(c);
            if (value.isNull()) continue; // a typed NULL reads as a plain null, as in ReadSqlite
            if (previous && value.typeId() == QMetaType::QString &&
                previous[c].typeId() == QMetaType::QString &&
                *static_cast<const QString*>(value.constData()) ==
                    *static_cast<const QString*>(previous[c].constData()))
                row[c] = previous[c];
            else if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong)
                row[c] = QVariant(value.toLongLong());
            else
                row[c] = value;
        }
        result.Rows.push_back(std::move(row));
    }
    if (query.lastError().isValid())
        throw EDatabaseError(TQueryWriter::ErrorText(query.lastError()));
    result.DateTimeColumns = DriverDateTimeColumns(query, record);
    return result;
}

} // namespace StatementReader
