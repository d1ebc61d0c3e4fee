#include "data/ServerBackup.h"

#include "data/BookCopy.h"
#include "data/Schema.h"
#include "data/ledgerfile/LedgerJournal.h"
#include "data/ledgerfile/backup/LedgerBackup.h"
#include "platform/Exception.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {

// Copies the book into the empty file at path; empty, else why not.
QString CopyBook(QSqlDatabase& server, const QString& path) {
    const QString name = QStringLiteral("server-backup-") + QUuid::createUuid().toString();
    QString failure;
    {
        QSqlDatabase file = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        file.setDatabaseName(path);
        QSqlQuery serverQuery(server);
        bool reading = false;
        try {
            if (!file.open()) throw EDatabaseError(file.lastError().databaseText());
            if (const QSqlError journal = LedgerJournal::Apply(file); journal.isValid())
                throw EDatabaseError(journal.databaseText());
            if (!file.transaction()) throw EDatabaseError(file.lastError().databaseText());
            Schema::CreateTables(file);
            // One moment of the book: every table read in the same snapshot.
            if (!server.transaction()) throw EDatabaseError(server.lastError().databaseText());
            reading = true;
            if (!serverQuery.exec(QStringLiteral(
                    "set transaction isolation level repeatable read, read only")))
                throw EDatabaseError(serverQuery.lastError().databaseText());
            BookCopy::CopyRows(server, file);
            const QString difference =
                BookCopy::Difference(BookCopy::Figures(server), BookCopy::Figures(file));
            server.rollback(); // it only read
            reading = false;
            if (!difference.isEmpty()) throw EDatabaseError(difference);
            Schema::RefreshStatistics(file); // the copy carries its statistics, as a new ledger does
            if (!file.commit()) throw EDatabaseError(file.lastError().databaseText());
        } catch (const Exception& error) {
            if (reading) server.rollback();
            failure = error.Message;
        }
        file.close();
    }
    QSqlDatabase::removeDatabase(name);
    return failure;
}

} // namespace

namespace ServerBackup {

QString Write(QSqlDatabase& server, const QString& ledgerPath, const QDateTime& now) {
    // A computer that keeps its book on a server may have no ledger folder yet.
    const QString folder = QFileInfo(ledgerPath).path();
    if (!QDir().mkpath(folder))
        throw EInOutError(QStringLiteral("无法创建文件夹 %1。").arg(QDir::toNativeSeparators(folder)));
    return LedgerBackup::WriteWith(ledgerPath, now,
                                   [&](const QString& path) { return CopyBook(server, path); });
}

} // namespace ServerBackup
