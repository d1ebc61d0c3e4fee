#include "data/ServerBackup.h"

#include "data/BookCopy.h"
#include "data/Schema.h"
#include "data/engine/OwnConnection.h"
#include "data/ledgerfile/LedgerJournal.h"
#include "data/ledgerfile/backup/LedgerBackup.h"
#include "platform/Exception.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// Copies the book into the empty file at path; empty, else why not.
QString CopyBook(QSqlDatabase& server, const QString& path) {
    TOwnConnection file(QStringLiteral("QSQLITE"), QStringLiteral("server-backup"));
    file->setDatabaseName(path);
    try {
        if (!file->open()) throw EDatabaseError(file->lastError().databaseText());
        if (const QSqlError journal = LedgerJournal::Apply(*file); journal.isValid())
            throw EDatabaseError(journal.databaseText());
        if (!file->transaction()) throw EDatabaseError(file->lastError().databaseText());
        Schema::CreateTables(*file);
        QString difference;
        {
            BookCopy::TBookSnapshot snapshot(server); // one moment of the book
            BookCopy::CopyRows(server, *file);
            difference = BookCopy::Difference(BookCopy::Figures(server), BookCopy::Figures(*file));
        }
        if (!difference.isEmpty()) throw EDatabaseError(difference);
        Schema::RefreshStatistics(*file); // the copy carries its statistics, as a new ledger does
        if (!file->commit()) throw EDatabaseError(file->lastError().databaseText());
        return {};
    } catch (const Exception& error) {
        return error.Message;
    }
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
