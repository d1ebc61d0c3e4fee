#pragma once

#include <QSqlDatabase>

// What this program needs to know of a PostgreSQL connection beneath Qt SQL.

// The connection was open and its server is gone (the server stopped, the network broke, the
// backend was ended): libpq says CONNECTION_BAD. Every later statement on it fails until it is
// closed and opened again. False for a file, a connection never opened or a healthy one.
bool ConnectionLost(const QSqlDatabase& connection);
