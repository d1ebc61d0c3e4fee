#include "data/engine/ServerConnection.h"

#include <QSqlDriver>
#include <QVariant>
#include <libpq-fe.h>

bool ConnectionLost(const QSqlDatabase& connection) {
    if (!connection.isOpen()) return false;
    // The driver's documented handle(): the connection's own PGconn.
    const QVariant handle = connection.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "PGconn*") != 0) return false;
    PGconn* pg = *static_cast<PGconn* const*>(handle.constData());
    return pg && PQstatus(pg) == CONNECTION_BAD;
}
