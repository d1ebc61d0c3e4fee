#include "data/engine/ServerConnection.h"

#include <QSqlDriver>
#include <QVariant>
#include <libpq-fe.h>

bool ConnectionLost(const QSqlDatabase& connection) {
    // The driver's documented handle(): the connection's own PGconn (named by its struct). The
    // driver marks itself closed when a statement meets a broken connection, and keeps it.
    if (!connection.isValid() || !connection.driver()) return false;
    const QVariant handle = connection.driver()->handle();
    if (!handle.isValid() || (qstrcmp(handle.typeName(), "PGconn*") != 0 &&
                              qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return false;
    PGconn* pg = *static_cast<PGconn* const*>(handle.constData());
    return pg && PQstatus(pg) == CONNECTION_BAD;
}
