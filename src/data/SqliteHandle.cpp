#include "data/SqliteHandle.h"

#include <QSqlDriver>
#include <QVariant>

sqlite3* SqliteHandle(const QSqlDatabase& connection) {
    if (!connection.driver()) return nullptr;
    const QVariant handle = connection.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}
