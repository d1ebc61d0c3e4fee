#include "data/ledgerfile/LedgerRestore.h"

#include "data/ledgerfile/backup/BackupName.h"
#include "data/ledgerfile/backup/LedgerBackup.h"
#include "data/ledgerfile/LedgerCheck.h"
#include "data/ledgerfile/LedgerFile.h"
#include "platform/Exception.h"
#include "platform/FileRename.h"
#include "platform/PartialFile.h"
#include "platform/SystemError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QUuid>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

// The files SQLite keeps beside a database while it is in use or after a crash; they belong to
// the database of their name and move with it.
const char* const Companions[] = {"-wal", "-shm", "-journal"};

// Copies the database at from through SQLite into the partial file to: the records that another
// program's last saves left in its write-ahead log (from-wal) are copied too, as the check read
// them. Empty, else the reason.
QString CopyThroughEngine(const QString& from, TPartialFile& to) {
    if (const QString failure = to.Create(); !failure.isEmpty()) return failure;
    const QString name = QStringLiteral("restore-") + QUuid::createUuid().toString();
    QString failure;
    {
        QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        LedgerFile::SetReadOnlyFile(connection, from);
        failure = connection.open() ? LedgerBackup::CopyInto(connection, to.Path(), from)
                                    : connection.lastError().databaseText();
        connection.close();
    }
    QSqlDatabase::removeDatabase(name);
    return failure;
}

// Whether the database at path has records in a write-ahead log beside it, which a copy of the
// file alone would leave out.
bool HasLoggedSaves(const QString& path) {
    return QFileInfo(path + QStringLiteral("-wal")).size() > 0;
}

// Whether any companion file of the database at path is there.
bool HasCompanions(const QString& path) {
    for (const char* suffix : Companions)
        if (QFileInfo::exists(path + QLatin1String(suffix))) return true;
    return false;
}

// The first free name Hearthbook-<word>-YYYYMMDD-HHMMSS.mdb (-2, …) in folder.
QString KeptName(const QString& folder, const QString& baseName, const QString& word,
                 const QDateTime& now) {
    const QString stem = folder + u'/' + baseName + u'-' + word + u'-' +
                         now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = stem + QStringLiteral(".mdb");
    for (int sequence = 2;
         QFileInfo::exists(name) || QFileInfo(name).isSymLink() || HasCompanions(name); ++sequence)
        name = stem + u'-' + QString::number(sequence) + QStringLiteral(".mdb");
    return name;
}

// Moves the database at from (unless withFile is false: its companions alone, left behind by a
// database that is gone) and its companion files to to; on failure moves back what it moved
// and returns false with the reason.
bool MoveWithCompanions(const QString& from, const QString& to, QString* reason,
                        bool withFile = true) {
    if (withFile && !FileRename::NoReplace(from, to, reason)) return false;
    QStringList moved;
    for (const char* suffix : Companions) {
        const QString companion = from + QLatin1String(suffix);
        if (!QFileInfo::exists(companion)) continue;
        if (!FileRename::NoReplace(companion, to + QLatin1String(suffix), reason)) {
            for (const QString& back : moved)
                FileRename::NoReplace(to + back, from + back);
            if (withFile) FileRename::NoReplace(to, from);
            return false;
        }
        moved << QLatin1String(suffix);
    }
    return true;
}

// Gives the file at from the second name to (never replacing a file there); linked tells
// whether it did. Where the file system has no hard links it does nothing and still succeeds;
// false, with the reason, on any other failure.
bool LinkKept(const QString& from, const QString& to, bool* linked, QString* reason) {
    *linked = ::linkat(AT_FDCWD, QFile::encodeName(from).constData(), AT_FDCWD,
                       QFile::encodeName(to).constData(), 0) == 0;
    if (*linked || errno == EPERM || errno == ENOTSUP || errno == EOPNOTSUPP || errno == EMLINK)
        return true;
    *reason = SystemErrorText(errno);
    return false;
}

} // namespace

namespace LedgerRestore {

QString ProblemText(const QString& file, TLedgerProblem problem, const QString& reason) {
    const QString shown = ShownPath(file);
    const QString why = reason.isEmpty() ? QString() : QStringLiteral("（%1）").arg(reason);
    switch (problem) {
    case TLedgerProblem::None:
        return {};
    case TLedgerProblem::Missing:
        return QStringLiteral("找不到文件 %1。").arg(shown);
    case TLedgerProblem::Folder:
        return QStringLiteral("%1 是一个文件夹，不是账本文件。").arg(shown);
    case TLedgerProblem::NotAFile:
        return reason;
    case TLedgerProblem::Unreadable:
        return QStringLiteral("无法读取文件 %1%2。").arg(shown, why);
    case TLedgerProblem::Empty:
        return QStringLiteral("文件 %1 是空的（0 字节）。").arg(shown);
    case TLedgerProblem::AccessFormat:
        return QStringLiteral(
                   "文件 %1 是旧版程序的 Access 格式账本，请用 pennyvale --import-access "
                   "转换它。")
            .arg(shown);
    case TLedgerProblem::NotALedger:
        return QStringLiteral("文件 %1 不是本程序的账本%2。").arg(shown, why);
    case TLedgerProblem::Damaged:
        return QStringLiteral("文件 %1 已损坏%2。").arg(shown, why);
    case TLedgerProblem::Busy:
        return QStringLiteral("文件 %1 正被另一个程序使用。").arg(shown);
    }
    return {};
}

QString Replace(const QString& backup, const QString& ledgerPath, const QString& keptWord,
                const QDateTime& now) {
    const QString ledger = ShownPath(ledgerPath);
    auto refuse = [&](const QString& text) {
        return EInOutError(text + QStringLiteral("账本 %1 没有改动。").arg(ledger));
    };
    QString reason;
    const TLedgerProblem problem = LedgerCheck::CheckFile(backup, &reason);
    if (problem != TLedgerProblem::None)
        throw refuse(ProblemText(backup, problem, reason) + QStringLiteral("不能用它恢复账本。"));
    if (QFileInfo::exists(ledgerPath) && FileRename::SameFile(backup, ledgerPath))
        throw refuse(
            QStringLiteral("文件 %1 就是账本本身，不能用它恢复账本。").arg(ShownPath(backup)));

    // A ledger that is a link to the real file (in a synced folder, on another disk) stays a
    // link: the real file is replaced, and the replaced one kept beside it.
    const QString place = FileRename::FinalTarget(ledgerPath);
    const QFileInfo target(place);
    if (target.isDir()) throw refuse(QStringLiteral("账本的位置上是一个文件夹，不是账本文件。"));
    const QString folder = target.path();
    if (place != ledgerPath && !QFileInfo(folder).isDir())
        throw refuse(QStringLiteral("账本是指向 %1 的链接，但文件夹 %2 不存在（那个磁盘可能没有"
                                    "连接）。")
                         .arg(ShownPath(place), ShownPath(folder)));
    if (!QDir().mkpath(folder))
        throw refuse(QStringLiteral("无法创建文件夹 %1。").arg(ShownPath(folder)));
    // A restore that was killed left its full-size copy here; it goes (TPartialFile).
    TPartialFile partial(place);
    // What was checked is what is copied: a copy with saves still in its log goes through
    // SQLite, any other byte for byte.
    const QString failure = HasLoggedSaves(backup) ? CopyThroughEngine(backup, partial)
                                                   : partial.CopyFrom(backup);
    if (!failure.isEmpty())
        throw refuse(QStringLiteral("无法在文件夹 %1 中写入恢复的账本：%2。")
                         .arg(ShownPath(folder), failure));
    if (LedgerCheck::CheckFile(partial.Path(), &reason) != TLedgerProblem::None)
        throw refuse(QStringLiteral("复制到文件夹 %1 的账本没有通过检查（%2）。")
                         .arg(ShownPath(folder), reason));

    QString kept;
    const bool present = QFileInfo::exists(place) || target.isSymLink();
    // The ledger first gets the kept name as a second name, and the copy then takes the
    // ledger's name in one step: a run killed at any point leaves a ledger under its name.
    // Only where the file system has no hard links is the ledger renamed away first.
    bool linked = false;
    // A journal left by a ledger that is gone would be written back into the restored copy at
    // its first open; it is set aside under the kept name like a replaced ledger's.
    if (present || HasCompanions(place)) {
        kept = KeptName(folder, target.completeBaseName(), keptWord, now);
        if (present && !LinkKept(place, kept, &linked, &reason))
            throw refuse(QStringLiteral("无法把账本改名为 %1：%2。").arg(ShownPath(kept), reason));
        if (!MoveWithCompanions(place, kept, &reason, present && !linked)) {
            if (linked) QFile::remove(kept);
            throw refuse(QStringLiteral("无法把账本改名为 %1：%2。").arg(ShownPath(kept), reason));
        }
    }
    const bool placed =
        linked ? partial.PlaceOver(place, &reason) : partial.Place(place, &reason);
    if (!placed) {
        if (!kept.isEmpty()) MoveWithCompanions(kept, place, nullptr, present && !linked);
        if (linked) QFile::remove(kept);
        throw refuse(QStringLiteral("无法把恢复的账本放到 %1：%2。").arg(ShownPath(place), reason));
    }
    return present ? kept : QString();
}

QString NewestGoodBackup(const QString& ledgerPath, int* rejected) {
    const QDir folder(LedgerBackup::FolderOf(ledgerPath));
    std::vector<std::pair<TBackupName, QString>> copies;
    for (const QString& name : folder.entryList(QDir::Files))
        if (const auto parsed = TBackupName::Parse(name)) copies.emplace_back(*parsed, name);
    std::sort(copies.begin(), copies.end(),
              [](const auto& a, const auto& b) { return a.first.IsNewerThan(b.first); });
    if (rejected) *rejected = 0;
    for (const auto& copy : copies) {
        const QString path = folder.filePath(copy.second);
        if (LedgerCheck::CheckFile(path) == TLedgerProblem::None) return path;
        if (rejected) ++*rejected;
    }
    return {};
}

} // namespace LedgerRestore
