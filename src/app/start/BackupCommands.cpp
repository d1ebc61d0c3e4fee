#include "app/start/BackupCommands.h"

#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/ledgerfile/backup/LedgerBackup.h"
#include "data/ledgerfile/LedgerCheck.h"
#include "data/ledgerfile/LedgerFile.h"
#include "data/ledgerfile/LedgerLock.h"
#include "data/ledgerfile/LedgerRestore.h"
#include "data/Schema.h"
#include "data/ServerBackup.h"
#include "data/engine/OwnConnection.h"
#include "data/engine/ServerConnection.h"
#include "platform/Exception.h"
#include "platform/SystemError.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <cstdio>

namespace {

void Print(FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", text.toUtf8().constData());
    std::fflush(stream);
}

// Writes the copy through a read-only connection of its own; returns its path.
QString WriteCopy(const QDateTime& now) {
    const QString ledger = Schema::LedgerFilePath();
    QString reason;
    const TLedgerProblem problem = LedgerFile::InspectFile(ledger, &reason);
    if (problem != TLedgerProblem::None)
        throw EInOutError(LedgerRestore::ProblemText(ledger, problem, reason) +
                          QStringLiteral("没有备份。"));
    TOwnConnection connection(QStringLiteral("QSQLITE"), QStringLiteral("backup-command"));
    LedgerFile::SetReadOnlyFile(*connection, ledger);
    if (!connection->open())
        throw EInOutError(QStringLiteral("无法打开账本文件 %1：%2")
                              .arg(ShownPath(ledger), connection->lastError().databaseText()));
    return LedgerBackup::Write(*connection, ledger, now);
}

// Writes the copy of the book on the server of this run into the ledger file's backup folder;
// returns its path.
QString WriteServerCopy(const QDateTime& now) {
    const TLedgerLocation& location = TLedgerLocation::Current();
    TOwnConnection connection(location.DriverName(), QStringLiteral("backup-server"));
    ServerConnection::Open(*connection, location);
    return ServerBackup::Write(*connection, Schema::LedgerFilePath(), now);
}

} // namespace

namespace BackupCommands {

int Backup() {
    try {
        const QDateTime now = TCommonDB::GetSysDateTime();
        const TLedgerLocation& location = TLedgerLocation::Current();
        const QString copy = location.IsServer() ? WriteServerCopy(now) : WriteCopy(now);
        Print(stdout, QStringLiteral("已把账本 %1 备份为 %2")
                          .arg(location.IsServer() ? location.Shown()
                                                   : ShownPath(Schema::LedgerFilePath()),
                               ShownPath(copy)));
        const QStringList removed =
            LedgerBackup::Rotate(LedgerBackup::FolderOf(Schema::LedgerFilePath()), now);
        if (!removed.isEmpty())
            Print(stdout, QStringLiteral("已删除不再保留的旧备份：%1")
                              .arg(removed.join(QStringLiteral("、"))));
        return 0;
    } catch (const Exception& error) {
        Print(stderr, error.Message);
        return 1;
    }
}

int Restore(const QString& file) {
    const QString ledger = Schema::LedgerFilePath();
    try {
        // Where no ledger folder exists yet, a copy that cannot be used is refused before the
        // folder (for the lock) is made.
        const QString folder = QFileInfo(ledger).path();
        if (!QFileInfo(folder).isDir()) {
            QString reason;
            const TLedgerProblem problem = LedgerCheck::CheckFile(file, &reason);
            if (problem != TLedgerProblem::None)
                throw EInOutError(LedgerRestore::ProblemText(file, problem, reason) +
                                  QStringLiteral("不能用它恢复账本。"));
            if (!QDir().mkpath(folder))
                throw EInOutError(QStringLiteral("无法创建文件夹 %1。").arg(ShownPath(folder)));
        }
        TLedgerLock lock(ledger);
        if (!lock.TryLock()) {
            Print(stderr, lock.RefusalText() + QStringLiteral("没有恢复账本。"));
            return 1;
        }
        const QString kept =
            LedgerRestore::Replace(file, ledger, ReplacedWord, TCommonDB::GetSysDateTime());
        Print(stdout,
              QStringLiteral("已用 %1 恢复账本 %2。").arg(ShownPath(file), ShownPath(ledger)));
        Print(stdout, kept.isEmpty()
                          ? QStringLiteral("原来没有账本文件。")
                          : QStringLiteral("原来的账本保留为 %1。").arg(ShownPath(kept)));
        return 0;
    } catch (const Exception& error) {
        Print(stderr, error.Message);
        return 1;
    }
}

} // namespace BackupCommands
