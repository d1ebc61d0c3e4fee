#include "data/DataModule.h"

#include "data/Schema.h"
#include "platform/ErrorReport.h"
#include "platform/Exception.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

TdmMain* dmMain = nullptr;

namespace {

// Opens the file read-write; fails when it is missing or is not a ledger database.
void OpenExisting(QSqlDatabase& connection, const QString& path) {
    QUrl uri = QUrl::fromLocalFile(QDir::current().absoluteFilePath(path));
    uri.setQuery(QStringLiteral("mode=rw"));
    connection.setDatabaseName(uri.toString(QUrl::FullyEncoded));
    connection.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!connection.open())
        throw EDatabaseError(QStringLiteral("无法打开数据库 %1：%2")
                                 .arg(path, connection.lastError().databaseText()));
    // SQLite opens any file lazily; reading the schema proves it is a database we can use.
    QSqlQuery probe(connection);
    if (!probe.exec(QStringLiteral("select count(*) from sqlite_master"))) {
        const QString reason = probe.lastError().databaseText();
        probe = QSqlQuery();
        connection.close();
        throw EDatabaseError(QStringLiteral("无法打开数据库 %1：%2").arg(path, reason));
    }
    // A page cache of up to 64 MB keeps a large ledger's indexes in memory between statements.
    probe.exec(QStringLiteral("pragma cache_size = -65536"));
    // The planner's statistics follow the ledger's growth; they only speed statements up, so a
    // failure to refresh them leaves the ledger usable.
    try {
        Schema::RefreshStatistics(connection);
    } catch (const EDatabaseError&) {
    }
}

} // namespace

TdmMain::TdmMain() {
    cnHearthbook = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), ConnectionName);
    qryCommon = std::make_unique<TQuery>(cnHearthbook);
}

TdmMain::~TdmMain() {
    qryCommon.reset();
    cnHearthbook.close();
    cnHearthbook = QSqlDatabase();
    QSqlDatabase::removeDatabase(ConnectionName);
}

void TdmMain::DataModuleCreate() {
    try {
        OpenExisting(cnHearthbook, Schema::DatabasePath);
    } catch (const std::exception& error) {
        ReportError(error);
    }
}
