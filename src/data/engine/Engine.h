#pragma once

#include <QSqlDatabase>

// The engines a book can be kept on: a file (SQLite) or a PostgreSQL server. The forms and
// services never ask; the data module, the schema and the writers of keys do.
enum class TEngine { Sqlite, Postgres };

inline TEngine EngineOf(const QSqlDatabase& connection) {
    return connection.driverName() == QLatin1String("QPSQL") ? TEngine::Postgres : TEngine::Sqlite;
}

inline bool OnServer(const QSqlDatabase& connection) {
    return EngineOf(connection) == TEngine::Postgres;
}

// A table's name as the engine keeps it in its catalogue, for Qt SQL's record() and
// primaryIndex(), which look names up as given: PostgreSQL folds an unquoted name to lower case.
inline QString CatalogueName(const QSqlDatabase& connection, const QString& table) {
    if (!OnServer(connection) || table.startsWith(u'"')) return table;
    return table.toLower();
}
