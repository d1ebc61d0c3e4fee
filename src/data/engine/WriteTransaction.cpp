#include "data/engine/WriteTransaction.h"

#include "data/engine/Engine.h"
#include "platform/Exception.h"

#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

namespace {

// The order every program takes the tables in: the master data first, then the records.
const QStringList LockOrder = {QStringLiteral("bperson"), QStringLiteral("bitemproject"),
                               QStringLiteral("fpayout"), QStringLiteral("fdiary"),
                               QStringLiteral("fbillimport")};

void Exec(QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    if (!query.exec(sql)) {
        const QSqlError error = query.lastError();
        const QString text = error.databaseText().trimmed();
        throw EDatabaseError(text.isEmpty() ? error.text() : text);
    }
}

} // namespace

TWriteTransaction::TWriteTransaction(QSqlDatabase connection) : FDb(std::move(connection)) {
    Exec(FDb, OnServer(FDb) ? QStringLiteral("begin") : QStringLiteral("begin immediate"));
    FOpen = true;
}

TWriteTransaction::~TWriteTransaction() {
    if (!FOpen) return;
    QSqlQuery(FDb).exec(QStringLiteral("rollback"));
}

void TWriteTransaction::Lock(const QStringList& tables) {
    LockTables(FDb, tables);
}

void TWriteTransaction::Commit() {
    try {
        Exec(FDb, QStringLiteral("commit"));
    } catch (...) {
        QSqlQuery(FDb).exec(QStringLiteral("rollback"));
        FOpen = false;
        throw;
    }
    FOpen = false;
}

void TWriteTransaction::LockTables(QSqlDatabase& connection, const QStringList& tables) {
    if (!OnServer(connection) || tables.isEmpty()) return;
    QStringList ordered;
    for (const QString& table : tables)
        ordered << table.toLower();
    std::sort(ordered.begin(), ordered.end(), [](const QString& a, const QString& b) {
        const auto rank = [](const QString& t) {
            const qsizetype at = LockOrder.indexOf(t);
            return at < 0 ? LockOrder.size() : at;
        };
        return rank(a) != rank(b) ? rank(a) < rank(b) : a < b;
    });
    ordered.removeDuplicates();
    Exec(connection, QStringLiteral("lock table %1 in share row exclusive mode")
                         .arg(ordered.join(QStringLiteral(", "))));
}
