#include "data/ledgerfile/LedgerCheck.h"
#include "data/ledgerfile/CheckStop.h"
#include "data/ledgerfile/LedgerFile.h"
#include "data/engine/SqliteEngine.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {

// The problem an engine error stands for while checking a file. Only what the engine calls
// damage is damage; any other failure (permissions, a device error) says nothing of the content.
TLedgerProblem ProblemOf(const QSqlError& error) {
    if (IsBusyError(error)) return TLedgerProblem::Busy;
    if (IsDamageError(error)) return TLedgerProblem::Damaged;
    return TLedgerProblem::Unreadable;
}

// The problems SQLite's quick check finds, empty when there are none; error is set when the
// check itself failed, and the problems then end with its text.
QString RunQuickCheck(QSqlDatabase& connection, QSqlError* error) {
    // The first three problems say enough; the check stops there instead of listing hundreds.
    QSqlQuery query(connection);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("pragma quick_check(3)"))) {
        *error = query.lastError();
        return error->databaseText();
    }
    QStringList problems;
    while (query.next()) {
        // A heading line that names the schema ("*** in database main ***") says nothing more.
        QStringList lines = query.value(0).toString().split(u'\n', Qt::SkipEmptyParts);
        lines.removeIf([](const QString& line) { return line.startsWith(QStringLiteral("*** ")); });
        if (!lines.isEmpty()) problems << lines.join(u' ');
    }
    if (query.lastError().isValid()) {
        *error = query.lastError();
        problems << error->databaseText();
    }
    if (problems == QStringList{QStringLiteral("ok")}) return {};
    if (problems.isEmpty()) return QStringLiteral("检查没有给出结果");
    return problems.join(QStringLiteral("；"));
}

// The engine's text of an error met while checking the file at path, in plain words where
// there are some.
QString ReasonOf(const QSqlError& error, const QString& path) {
    const QString unfinished = UnfinishedSaveText(error, path);
    if (!unfinished.isEmpty()) return unfinished + QStringLiteral("，只读的检查无法撤销它");
    const QString log = UnreadableLogText(error, path);
    return log.isEmpty() ? error.databaseText() : log;
}

TLedgerProblem CheckOpen(QSqlDatabase& connection, const QString& path, QString* reason,
                         TCheckStop* stop) {
    if (!connection.open()) {
        *reason = ReasonOf(connection.lastError(), path);
        return ProblemOf(connection.lastError());
    }
    if (stop) stop->Watch(SqliteHandle(connection));
    {
        // SQLite opens any file lazily; reading the schema proves it is a database.
        QSqlQuery probe(connection);
        if (!probe.exec(QStringLiteral("select count(*) from sqlite_master"))) {
            *reason = ReasonOf(probe.lastError(), path);
            return ProblemOf(probe.lastError());
        }
    }
    QSqlError error;
    *reason = RunQuickCheck(connection, &error);
    if (error.isValid()) return ProblemOf(error);
    if (!reason->isEmpty()) return TLedgerProblem::Damaged;
    return LedgerFile::CheckTables(connection, reason);
}

} // namespace

namespace LedgerCheck {

QString QuickCheck(QSqlDatabase& connection) {
    QSqlError error;
    return RunQuickCheck(connection, &error);
}

TLedgerProblem CheckFile(const QString& path, QString* reason, TCheckStop* stop) {
    QString found;
    TLedgerProblem problem = LedgerFile::InspectFile(path, &found);
    if (problem == TLedgerProblem::None) {
        const QString name = QStringLiteral("check-") + QUuid::createUuid().toString();
        {
            QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            LedgerFile::SetReadOnlyFile(connection, path);
            problem = CheckOpen(connection, path, &found, stop);
            if (stop) stop->Watch(nullptr);
            connection.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    if (reason) *reason = problem == TLedgerProblem::None ? QString() : found;
    return problem;
}

} // namespace LedgerCheck
