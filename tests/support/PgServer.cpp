#include "PgServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <cstdlib>
#include <unistd.h>

namespace {

const QString RunAs = QStringLiteral("pennyvale-pg");

// The newest PostgreSQL installed in Debian's layout.
QString ServerBin() {
    QDir versions(QStringLiteral("/usr/lib/postgresql"));
    QStringList found = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    std::sort(found.begin(), found.end(),
              [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    for (auto it = found.crbegin(); it != found.crend(); ++it)
        if (QFileInfo::exists(versions.filePath(*it + QStringLiteral("/bin/initdb"))))
            return versions.filePath(*it + QStringLiteral("/bin"));
    qFatal("PostgreSQL is not installed (no /usr/lib/postgresql/*/bin/initdb): run scripts/setup");
}

} // namespace

TPgServer& TPgServer::Shared() {
    static TPgServer server;
    return server;
}

TPgServer::TPgServer() : FBin(ServerBin()), FAsRoot(geteuid() == 0) {
    // Qt SQL's list of connections is made before this server, so that it is still there when
    // the server, a static, is stopped at exit and removes its connection.
    QSqlDatabase::connectionNames();
    QProcess known;
    known.start(QStringLiteral("id"), {QStringLiteral("-u"), RunAs});
    if (FAsRoot && (!known.waitForFinished() || known.exitCode() != 0))
        Run({QStringLiteral("useradd"), QStringLiteral("--system"), QStringLiteral("--no-create-home"),
             QStringLiteral("--shell"), QStringLiteral("/usr/sbin/nologin"), RunAs});
    // A short path: a socket's path must fit in 107 bytes.
    char folder[] = "/tmp/pvpg-XXXXXX";
    if (!mkdtemp(folder)) qFatal("cannot make a folder for the test server");
    FFolder = QString::fromLocal8Bit(folder);
    if (FAsRoot) Run({QStringLiteral("chown"), RunAs, FFolder});
    const QString data = FFolder + QStringLiteral("/data");
    auto server = [&](const QString& tool, QStringList arguments) {
        QStringList command{FBin + u'/' + tool};
        command += arguments;
        if (FAsRoot) command = QStringList{QStringLiteral("runuser"), QStringLiteral("-u"), RunAs, QStringLiteral("--")} + command;
        Run(command);
    };
    server(QStringLiteral("initdb"),
           {QStringLiteral("-D"), data, QStringLiteral("-U"), QStringLiteral("postgres"),
            QStringLiteral("--auth=trust"), QStringLiteral("--no-sync"), QStringLiteral("-E"),
            QStringLiteral("UTF8"), QStringLiteral("--locale=C")});
    server(QStringLiteral("pg_ctl"),
           {QStringLiteral("-D"), data, QStringLiteral("-l"), FFolder + QStringLiteral("/server.log"),
            QStringLiteral("-w"), QStringLiteral("-o"),
            QStringLiteral("-k %1 -c listen_addresses= -c fsync=off -c max_connections=60").arg(FFolder),
            QStringLiteral("start")});
}

TPgServer::~TPgServer() {
    QSqlDatabase::removeDatabase(QStringLiteral("pg-admin"));
    QStringList command{FBin + QStringLiteral("/pg_ctl"), QStringLiteral("-D"),
                        FFolder + QStringLiteral("/data"), QStringLiteral("-m"),
                        QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")};
    if (FAsRoot) command = QStringList{QStringLiteral("runuser"), QStringLiteral("-u"), RunAs, QStringLiteral("--")} + command;
    QProcess::execute(command.first(), command.mid(1));
    QDir(FFolder).removeRecursively();
}

QString TPgServer::Run(const QStringList& command) const {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.first(), command.mid(1));
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        qFatal("test server: %s failed: %s", qPrintable(command.join(u' ')),
               process.readAll().constData());
    return QString::fromLocal8Bit(process.readAll());
}

TLedgerLocation TPgServer::Location(const QString& database) const {
    return TLedgerLocation::Parse(QStringLiteral("postgresql:///%1?host=%2&user=postgres")
                                      .arg(database, FFolder));
}

bool TPgServer::Admin(const QString& sql) {
    QSqlDatabase admin = QSqlDatabase::database(QStringLiteral("pg-admin"), false);
    if (!admin.isValid()) {
        admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pg-admin"));
        Location(QStringLiteral("postgres")).ApplyTo(admin);
    }
    if (!admin.isOpen() && !admin.open()) {
        qWarning() << "test server:" << admin.lastError().text();
        return false;
    }
    QSqlQuery query(admin);
    if (!query.exec(sql)) {
        qWarning() << "test server:" << sql << query.lastError().text();
        return false;
    }
    return true;
}

bool TPgServer::AddPasswordRole(const QString& role, const QString& password) {
    if (!Admin(QStringLiteral("create role \"%1\" login password '%2'").arg(role, password)))
        return false;
    // The first line that fits decides: this role's comes before initdb's "trust" for all.
    QFile hba(FFolder + QStringLiteral("/data/pg_hba.conf"));
    if (!hba.open(QIODevice::ReadOnly)) return false;
    const QByteArray lines = hba.readAll();
    hba.close();
    if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    hba.write(QStringLiteral("local all %1 scram-sha-256\n").arg(role).toUtf8() + lines);
    hba.close();
    if (!Admin(QStringLiteral("select pg_reload_conf()"))) return false;
    // The server reads the file again a moment later: wait until it asks the role for a password.
    const TLedgerLocation location = TLedgerLocation::Parse(QStringLiteral("postgresql:///postgres?host=%1&user=%2")
                                          .arg(FFolder, role));
    for (int tries = 0; tries < 100; ++tries) {
        bool refused = false;
        {
            QSqlDatabase probe = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pg-probe"));
            location.ApplyTo(probe);
            refused = !probe.open();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("pg-probe"));
        if (refused) return true;
        QThread::msleep(50);
    }
    qWarning() << "test server: the password rule for" << role << "never took effect";
    return false;
}

TLedgerLocation TPgServer::NewDatabase(QString name) {
    if (name.isEmpty()) name = QStringLiteral("ledger%1").arg(++FDatabases);
    if (!Admin(QStringLiteral("create database \"%1\"").arg(name)))
        qFatal("test server: cannot create the database %s", qPrintable(name));
    return Location(name);
}
