#pragma once

#include "data/engine/LedgerLocation.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>

// A throw-away PostgreSQL server of the test process's own: initdb and pg_ctl in a temporary
// folder, listening on a Unix socket there and nowhere else, stopped (and its folder removed)
// when the process ends. The server refuses to run as root; under root it runs as the system
// user pennyvale-pg, made when missing.
class TPgServer {
public:
    // The process's server, started on first use; a server that cannot start fails the test
    // run with the reason.
    static TPgServer& Shared();
    ~TPgServer();

    QString SocketFolder() const { return FFolder; }
    // A new empty database of the given name (one of the server's own when empty) and its
    // location, for the superuser postgres.
    TLedgerLocation NewDatabase(QString name = {});
    // The location of an existing database, for the superuser.
    TLedgerLocation Location(const QString& database) const;
    // Runs one statement on the server's administration database; false and a warning when it
    // fails.
    bool Admin(const QString& sql);
    // A role that the server lets in only with its password (scram-sha-256 in pg_hba.conf;
    // every other role keeps trust), owning no database. False and a warning when it fails.
    bool AddPasswordRole(const QString& role, const QString& password);

private:
    TPgServer();
    QString Run(const QStringList& command) const; // the output; fails the run on an error

    QString FFolder;
    QString FBin;
    bool FAsRoot = false;
    int FDatabases = 0;
};
