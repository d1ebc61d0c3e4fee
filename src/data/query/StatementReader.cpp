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
#include <QHash>
#include <QMutex>
#include <QSet>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <libpq-fe.h>
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


// --- PostgreSQL ---------------------------------------------------------------------------------

// The built-in types the server reader tells apart (pg_type's fixed oids).
constexpr Oid BoolOid = 16, ByteaOid = 17, Int8Oid = 20, Int2Oid = 21, Int4Oid = 23, OidOid = 26,
              Float4Oid = 700, Float8Oid = 701, NumericOid = 1700;

enum class TServerKind { Text, Integer, Number, Bool, Bytes };

TServerKind KindOf(Oid type) {
    switch (type) {
    case Int2Oid:
    case Int4Oid:
    case Int8Oid:
    case OidOid:
        return TServerKind::Integer;
    case Float4Oid:
    case Float8Oid:
    case NumericOid:
        return TServerKind::Number;
    case BoolOid:
        return TServerKind::Bool;
    case ByteaOid:
        return TServerKind::Bytes;
    default: // text, citext, varchar and every other type in its text form
        return TServerKind::Text;
    }
}

// A number in the server's text as the file holds it: a whole value (money in whole yuan, a
// midnight day number) is an integer, anything else a double.
QVariant NumberValue(const char* text, int size) {
    const char* end = text + size;
    qlonglong whole = 0;
    const auto [at, error] = std::from_chars(text, end, whole);
    if (error == std::errc() && (at == end || (*at == '.' && std::all_of(at + 1, end, [](char c) {
                                                  return c == '0';
                                              }))))
        return QVariant(whole);
    double number = 0;
    if (std::from_chars(text, end, number).ec != std::errc()) {
        // NaN and the infinities, which the file never holds
        const QByteArray word = QByteArray(text, size).toLower();
        number = word == "nan"         ? qQNaN()
                 : word == "-infinity" ? -qInf()
                                       : qInf();
    }
    if (std::isfinite(number) && number == std::trunc(number) && std::fabs(number) < 9.2e18)
        return QVariant(qlonglong(number));
    return QVariant(number);
}

// The server's connection beneath the QPSQL driver.
PGconn* PostgresHandle(const QSqlDatabase& db) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    // The metatype names the struct behind libpq's typedef.
    if (!handle.isValid() || (qstrcmp(handle.typeName(), "pg_conn*") != 0 &&
                              qstrcmp(handle.typeName(), "PGconn*") != 0))
        return nullptr;
    return *static_cast<PGconn* const*>(handle.constData());
}

// A result of libpq's, cleared however the reading ends.
struct TServerResult {
    PGresult* Handle = nullptr;
    explicit TServerResult(PGresult* result = nullptr) : Handle(result) {}
    ~TServerResult() { PQclear(Handle); }
    TServerResult(const TServerResult&) = delete;
    TServerResult& operator=(const TServerResult&) = delete;
    void Reset(PGresult* result) {
        PQclear(Handle);
        Handle = result;
    }
};

[[noreturn]] void ServerFailure(PGconn* conn, const PGresult* result) {
    const char* text = result ? PQresultErrorMessage(result) : "";
    if (!text || !*text) text = PQerrorMessage(conn);
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const QSqlError error(QString(), QString::fromUtf8(text).trimmed(), QSqlError::StatementError,
                          QString::fromLatin1(state ? state : ""));
    throw EDatabaseError(TQueryWriter::ErrorText(error));
}

// Reads whatever a statement left unread on the connection (a forward-only QSqlQuery left in
// the middle of its rows), as the driver does before its own next statement.
void DiscardPending(PGconn* conn) {
    while (PGresult* left = PQgetResult(conn))
        PQclear(left);
}

// The day-number columns (of the domain datetime) of each table read so far, per connection:
// asked once for each table, before its statement runs.
class TDateColumns {
public:
    static TDateColumns& Shared() {
        static TDateColumns columns;
        return columns;
    }

    // Whether the table's columns are known on this connection; Load learns them.
    bool Knows(PGconn* conn, Oid table) {
        QMutexLocker lock(&FMutex);
        TKnown& known = FByConnection[conn];
        const int backend = PQbackendPID(conn);
        if (known.Backend != backend) { // a new connection at the same address
            known = TKnown();
            known.Backend = backend;
        }
        return known.Tables.contains(table);
    }
    void Load(PGconn* conn, Oid table) {
        QSet<int> columns = Read(conn, table);
        QMutexLocker lock(&FMutex);
        FByConnection[conn].Tables.insert(table, std::move(columns));
    }
    bool IsDate(PGconn* conn, Oid table, int column) {
        QMutexLocker lock(&FMutex);
        return FByConnection[conn].Tables.value(table).contains(column);
    }

private:
    struct TKnown {
        int Backend = 0;
        QHash<Oid, QSet<int>> Tables;
    };

    static QSet<int> Read(PGconn* conn, Oid table) {
        const QByteArray oid = QByteArray::number(table);
        const char* values[] = {oid.constData()};
        TServerResult result(PQexecParams(
            conn,
            "select attnum from pg_attribute where attrelid = $1::oid and "
            "atttypid = to_regtype('datetime') and not attisdropped",
            1, nullptr, values, nullptr, nullptr, 0));
        if (PQresultStatus(result.Handle) != PGRES_TUPLES_OK) ServerFailure(conn, result.Handle);
        QSet<int> columns;
        for (int r = 0; r < PQntuples(result.Handle); ++r)
            columns.insert(atoi(PQgetvalue(result.Handle, r, 0)));
        return columns;
    }

    QMutex FMutex;
    QHash<PGconn*, TKnown> FByConnection;
};

// The server folds unquoted names to lower case; a column the statement names (a column of
// its list, an alias) is named as the statement spells it, as on the file.
QStringList SpelledAsTheStatement(const QString& sql, QStringList names) {
    QHash<QString, QString> words;
    for (qsizetype i = 0; i < sql.size();) {
        if (!sql[i].isLetter() && sql[i] != u'_') {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < sql.size() && (sql[end].isLetterOrNumber() || sql[end] == u'_'))
            ++end;
        const QString word = sql.mid(i, end - i);
        words.insert(word.toLower(), word); // the last spelling of a name wins
        i = end;
    }
    for (QString& name : names)
        if (const auto found = words.constFind(name); found != words.cend()) name = *found;
    return names;
}

// Reads straight from libpq, a row at a time: the statement is described before it runs (so a
// statement without columns is never run), each value is converted from the server's text once,
// and a text equal to the one above it shares that one's storage.
TStatementRows ReadPostgres(PGconn* conn, const QString& sql) {
    DiscardPending(conn);
    const QByteArray text = sql.toUtf8();
    if (text.trimmed().isEmpty() || text.trimmed() == ";")
        throw EDatabaseError(QStringLiteral("没有要执行的查询语句"));
    TServerResult step;
    auto describe = [&] {
        step.Reset(PQprepare(conn, "", text.constData(), 0, nullptr));
        if (PQresultStatus(step.Handle) != PGRES_COMMAND_OK) ServerFailure(conn, step.Handle);
        step.Reset(PQdescribePrepared(conn, ""));
        if (PQresultStatus(step.Handle) != PGRES_COMMAND_OK) ServerFailure(conn, step.Handle);
    };
    describe();
    const int columns = PQnfields(step.Handle);
    if (columns == 0) NoColumns(sql);
    if (PQnparams(step.Handle) > 0)
        throw EDatabaseError(QStringLiteral("语句中有参数，但没有给出它的值：") + sql);
    // The first statement over a table learns its day-number columns; asking the catalogue
    // replaces the unnamed statement, which is prepared again then.
    TDateColumns& dates = TDateColumns::Shared();
    QSet<Oid> unknown;
    for (int c = 0; c < columns; ++c)
        if (const Oid table = PQftable(step.Handle, c);
            table != InvalidOid && !dates.Knows(conn, table))
            unknown.insert(table);
    if (!unknown.isEmpty()) {
        for (const Oid table : std::as_const(unknown))
            dates.Load(conn, table);
        describe();
    }

    TStatementRows result;
    result.Columns = columns;
    result.DateTimeColumns.assign(size_t(columns), false);
    std::vector<TServerKind> kinds(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) {
        result.Names.append(QString::fromUtf8(PQfname(step.Handle, c)));
        kinds[size_t(c)] = KindOf(PQftype(step.Handle, c));
        const Oid table = PQftable(step.Handle, c);
        if (table != InvalidOid)
            result.DateTimeColumns[size_t(c)] =
                dates.IsDate(conn, table, PQftablecol(step.Handle, c));
    }
    step.Reset(nullptr);
    result.Names = SpelledAsTheStatement(sql, std::move(result.Names));

    if (!PQsendQueryPrepared(conn, "", 0, nullptr, nullptr, nullptr, 0) ||
        !PQsetSingleRowMode(conn))
        ServerFailure(conn, nullptr);
    std::vector<QByteArray> previousText(static_cast<size_t>(columns));
    std::vector<bool> previousIsText(size_t(columns), false);
    bool failed = false;
    TServerResult failure;
    while (PGresult* next = PQgetResult(conn)) {
        TServerResult row(next);
        const ExecStatusType status = PQresultStatus(next);
        if (status == PGRES_TUPLES_OK) continue; // the end of the rows
        if (status != PGRES_SINGLE_TUPLE) {
            if (!failed) failure.Reset(std::exchange(row.Handle, nullptr));
            failed = true;
            continue; // read to the end, so the connection is ready for the next statement
        }
        if (failed) continue;
        TRow values = NewRow(columns);
        const QVariant* previous = result.Rows.empty() ? nullptr : result.Rows.back().get();
        for (int c = 0; c < columns; ++c) {
            const size_t at = size_t(c);
            if (PQgetisnull(next, 0, c)) {
                previousIsText[at] = false;
                continue;
            }
            const char* bytes = PQgetvalue(next, 0, c);
            const int size = PQgetlength(next, 0, c);
            switch (kinds[at]) {
            case TServerKind::Integer: {
                qlonglong number = 0;
                std::from_chars(bytes, bytes + size, number);
                values[c] = QVariant(number);
                break;
            }
            case TServerKind::Number:
                values[c] = NumberValue(bytes, size);
                break;
            case TServerKind::Bool: // a comparison is 1 or 0, as on the file
                values[c] = QVariant(qlonglong(bytes[0] == 't' ? 1 : 0));
                break;
            case TServerKind::Bytes: {
                size_t length = 0;
                unsigned char* raw =
                    PQunescapeBytea(reinterpret_cast<const unsigned char*>(bytes), &length);
                values[c] = QVariant(QByteArray(reinterpret_cast<const char*>(raw), qsizetype(length)));
                PQfreemem(raw);
                break;
            }
            case TServerKind::Text: {
                QByteArray& last = previousText[at];
                if (previous && previousIsText[at] && last.size() == size &&
                    std::memcmp(last.constData(), bytes, size_t(size)) == 0) {
                    values[c] = previous[c];
                } else {
                    values[c] = QVariant(QString::fromUtf8(bytes, size));
                    last = QByteArray(bytes, size);
                    previousIsText[at] = true;
                }
                continue;
            }
            }
            previousIsText[at] = false;
        }
        result.Rows.push_back(std::move(values));
    }
    if (failed) ServerFailure(conn, failure.Handle);
    return result;
}

} // namespace

QVariant AsOnTheFile(const QVariant& value) {
    if (value.isNull()) return QVariant();
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        return QVariant(value.toLongLong());
    case QMetaType::Double: {
        const double number = value.toDouble();
        if (std::isfinite(number) && number == std::trunc(number) && std::fabs(number) < 9.2e18)
            return QVariant(qlonglong(number));
        return value;
    }
    default:
        return value;
    }
}

bool IsDateTimeType(const QString& declaredType) {
    return declaredType.contains(QStringLiteral("date"), Qt::CaseInsensitive) ||
           declaredType.contains(QStringLiteral("time"), Qt::CaseInsensitive);
}

TStatementRows Read(const QSqlDatabase& db, const QString& sql) {
    if (sqlite3* handle = SqliteHandle(db)) return ReadSqlite(handle, sql);
    if (PGconn* handle = PostgresHandle(db)) return ReadPostgres(handle, sql);
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
