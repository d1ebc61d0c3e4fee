#pragma once

#include <QSqlDatabase>

struct sqlite3;

// The connection's own SQLite handle (the driver's documented handle()), or null on another
// engine or a connection that is not open.
sqlite3* SqliteHandle(const QSqlDatabase& connection);
