#include "data/ledgerfile/backup/LedgerBackup.h"

#include "data/engine/SqliteEngine.h"
#include "data/ledgerfile/LedgerCheck.h"
#include "data/ledgerfile/backup/BackupName.h"
#include "data/ledgerfile/backup/BackupRotation.h"
#include "platform/Exception.h"
#include "platform/PartialFile.h"
#include "platform/SystemError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <cerrno>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

// Why the engine could not write the copy of the ledger at ledgerPath: the system's reason
// where it kept one.
QString EngineReason(QSqlDatabase& connection, const QSqlError& error, const QString& ledgerPath) {
    // A read-only connection cannot undo the save a killed run left unfinished; the program's
    // next open does, and reads the ledger as it was after the last finished save.
    const QString unfinished = UnfinishedSaveText(error, ledgerPath);
    if (!unfinished.isEmpty())
        return unfinished + QStringLiteral("；请先启动一次本程序，它会把账本恢复到最后一次完成的"
                                           "保存，然后再备份");
    const int code = SqlitePrimaryCode(error);
    if (code == SQLITE_FULL) return SystemErrorText(ENOSPC);
    if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB)
        return QStringLiteral("账本文件已损坏，其中一部分账目读不出来（%1）")
            .arg(error.databaseText());
    sqlite3* handle = SqliteHandle(connection);
    const int system = handle ? sqlite3_system_errno(handle) : 0;
    if ((code == SQLITE_IOERR || code == SQLITE_CANTOPEN) && system != 0)
        return SystemErrorText(system);
    return error.databaseText();
}

[[noreturn]] void Fail(const QString& folder, const QString& reason) {
    throw EInOutError(
        QStringLiteral("无法在文件夹 %1 中保存账本的备份：%2。"
                       "账本和以前的备份都没有改动；解决这个问题后，可以在文件夹 %3 "
                       "中运行 pennyvale --backup 立即备份。")
            .arg(ShownPath(folder), reason, QDir::toNativeSeparators(QDir::currentPath())));
}

// The backup folder, made when missing.
void PrepareFolder(const QString& folder) {
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        Fail(folder, QStringLiteral("那里是一个同名的文件，不是文件夹；请把这个文件移走或改名"));
    if (info.isDir()) return;
    if (::mkdir(QFile::encodeName(folder).constData(), 0777) != 0 && errno != EEXIST)
        Fail(folder, QStringLiteral("无法创建这个文件夹（%1）").arg(SystemErrorText(errno)));
}

} // namespace

namespace LedgerBackup {

QString FolderOf(const QString& ledgerPath) {
    return QFileInfo(ledgerPath).path() + QStringLiteral("/Backup");
}

QString Write(QSqlDatabase& connection, const QString& ledgerPath, const QDateTime& now) {
    if (!connection.isOpen())
        Fail(FolderOf(ledgerPath), QStringLiteral("账本文件 %1 没有打开").arg(ShownPath(ledgerPath)));
    // The open file itself is never copied.
    return WriteWith(ledgerPath, now, [&](const QString& path) {
        return CopyInto(connection, path, ledgerPath);
    });
}

QString WriteWith(const QString& ledgerPath, const QDateTime& now,
                  const std::function<QString(const QString& path)>& fill) {
    const QString folder = FolderOf(ledgerPath);
    PrepareFolder(folder);

    // Partial copies of any minute that a killed run left go too.
    TPartialFile partial(folder + u'/' + TBackupName::At(now).FileName(),
                         QStringLiteral("Hearthbook-*"));
    if (const QString reason = partial.Create(); !reason.isEmpty()) Fail(folder, reason);
    const QString failure = fill(partial.Path());
    if (!failure.isEmpty()) Fail(folder, failure);
    QString problem;
    if (LedgerCheck::CheckFile(partial.Path(), &problem) != TLedgerProblem::None)
        Fail(folder,
             QStringLiteral("写好的备份没有通过检查（%1），账本本身可能已损坏").arg(problem));

    for (int sequence = 1;; ++sequence) {
        const QString target = folder + u'/' + TBackupName::At(now, sequence).FileName();
        QString reason;
        if (partial.Place(target, &reason)) return target;
        if (!QFileInfo::exists(target) || sequence >= 999) Fail(folder, reason);
    }
}

QString CopyInto(QSqlDatabase& connection, const QString& path, const QString& ledgerPath) {
    {
        // SQLite writes a consistent, compacted copy from one read of the database.
        QSqlQuery vacuum(connection);
        vacuum.prepare(QStringLiteral("vacuum into ?"));
        vacuum.addBindValue(QDir::current().absoluteFilePath(path));
        if (!vacuum.exec()) return EngineReason(connection, vacuum.lastError(), ledgerPath);
    }
    return {};
}

bool AnyCopy(const QString& ledgerPath) {
    const QStringList names = QDir(FolderOf(ledgerPath)).entryList(QDir::Files);
    return std::any_of(names.begin(), names.end(),
                       [](const QString& name) { return TBackupName::Parse(name).has_value(); });
}

QStringList Rotate(const QString& folder, const QDateTime& now) {
    const QDir dir(folder);
    QStringList removed;
    for (const QString& name : BackupRotation::ToRemove(dir.entryList(QDir::Files), now))
        if (QFile::remove(dir.filePath(name))) removed << name;
    return removed;
}

bool ChangedSinceOpen(QSqlDatabase& connection) {
    QSqlQuery query(connection);
    return query.exec(QStringLiteral("select total_changes()")) && query.next() &&
           query.value(0).toLongLong() > 0;
}

QString WriteAtEnd(QSqlDatabase& connection, const QString& ledgerPath, const QDateTime& now) {
    if (!connection.isOpen() || !ChangedSinceOpen(connection)) return {};
    const QString copy = Write(connection, ledgerPath, now);
    Rotate(FolderOf(ledgerPath), now);
    return copy;
}

} // namespace LedgerBackup
