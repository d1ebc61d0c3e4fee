#include "data/ledgerfile/LedgerLock.h"

#include "platform/FileKind.h"
#include "platform/FileRename.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

TLedgerLock::TLedgerLock(const QString& ledgerPath)
    : FLedgerPath(QFileInfo(ledgerPath).absoluteFilePath()), FLockPath(LockPathOf(ledgerPath)),
      FLock(FLockPath) {
    // A lock is only stale when the process that wrote it has gone; a program left open for
    // days still holds its ledger.
    FLock.setStaleLockTime(0);
}

TLedgerLock::~TLedgerLock() = default;

QString TLedgerLock::LockPathOf(const QString& ledgerPath) {
    // A ledger reached through a link is locked beside the real file, so every way to it meets
    // the same lock.
    return QFileInfo(FileRename::FinalTarget(ledgerPath)).absoluteFilePath() +
           QStringLiteral(".lock");
}

bool TLedgerLock::TryLock() {
    if (FLock.isLocked()) return true;
    FInTheWay = FileKindWord(FLockPath);
    if (!FInTheWay.isEmpty()) return false;
    if (FLock.tryLock(0)) return true;
    // QLockFile only takes over a lock whose process it can name and find gone; one that
    // names nobody would otherwise stand in the way for ever.
    return FLock.error() == QLockFile::LockFailedError && RemoveUnnamedLeftover() &&
           FLock.tryLock(0);
}

bool TLedgerLock::RemoveUnnamedLeftover() {
    auto unnamedAndOld = [this] {
        if (FLock.getLockInfo(nullptr, nullptr, nullptr)) return false;
        const QFileInfo file(FLockPath);
        if (!file.exists()) return false;
        const qint64 age = file.lastModified().msecsTo(QDateTime::currentDateTime());
        return qAbs(age) > UnnamedLockAgeMs;
    };
    if (!unnamedAndOld()) return false;
    // Of two programs that find the same leftover, only the one holding this second lock
    // removes it, and it looks again first: the other may have replaced it by its own lock.
    QLockFile removal(FLockPath + QStringLiteral(".rmlock"));
    if (!removal.tryLock(0) || !unnamedAndOld()) return false;
    return FLock.removeStaleLockFile();
}

void TLedgerLock::Unlock() {
    if (FLock.isLocked()) FLock.unlock();
}

bool TLedgerLock::IsLocked() const {
    return FLock.isLocked();
}

bool TLedgerLock::Refuses() const {
    if (FLock.isLocked()) return false;
    if (!FInTheWay.isEmpty()) return true;
    switch (FLock.error()) {
    case QLockFile::NoError:
        return false;
    case QLockFile::LockFailedError:
        return true;
    case QLockFile::PermissionError:
    case QLockFile::UnknownError:
        break;
    }
    return QFileInfo::exists(FLedgerPath);
}

bool TLedgerLock::HeldElsewhere(QString* host) const {
    QString holder;
    if (!FLock.getLockInfo(nullptr, &holder, nullptr)) return false;
    if (host) *host = holder;
    // As QLockFile does, computers are told apart by the machine id the lock records (its
    // fourth line), and by their names only when there is none: two computers may share a name.
    QByteArray machine;
    QFile file(FLockPath);
    if (file.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = file.read(4096).split('\n');
        if (lines.size() > 3) machine = lines[3].trimmed();
    }
    const QByteArray ours = QSysInfo::machineUniqueId();
    if (!machine.isEmpty() && !ours.isEmpty()) return machine != ours;
    return !holder.isEmpty() && holder != QSysInfo::machineHostName();
}

QString TLedgerLock::Error() const {
    const QString folder = QDir::toNativeSeparators(QFileInfo(FLockPath).absolutePath());
    if (!FInTheWay.isEmpty())
        return QStringLiteral("锁文件的位置 %1 上是一个%2，不是锁文件")
            .arg(QDir::toNativeSeparators(FLockPath), FInTheWay);
    switch (FLock.error()) {
    case QLockFile::NoError:
        return {};
    case QLockFile::LockFailedError: {
        qint64 pid = 0;
        QString host;
        QString application;
        if (!FLock.getLockInfo(&pid, &host, &application)) return QStringLiteral("另一个程序");
        QString who = QStringLiteral("进程 %1").arg(pid);
        QStringList details;
        if (!application.isEmpty()) details << application;
        if (HeldElsewhere(nullptr)) details << QStringLiteral("计算机 %1").arg(host);
        if (!details.isEmpty())
            who += QStringLiteral("（%1）").arg(details.join(QStringLiteral("，")));
        return who;
    }
    case QLockFile::PermissionError:
        return QStringLiteral("无法在文件夹 %1 中写入锁文件（没有写入权限）").arg(folder);
    case QLockFile::UnknownError:
        break;
    }
    if (!QFileInfo(QFileInfo(FLockPath).absolutePath()).isDir())
        return QStringLiteral("文件夹 %1 不存在").arg(folder);
    return QStringLiteral("无法写入锁文件 %1（磁盘可能已满或只能读取）")
        .arg(QDir::toNativeSeparators(FLockPath));
}

QString TLedgerLock::RefusalText() const {
    const QString ledger = QDir::toNativeSeparators(FLedgerPath);
    if (!FInTheWay.isEmpty())
        return QStringLiteral("无法锁定账本 %1：%2。请把它移走或删除，然后再启动本程序。")
            .arg(ledger, Error());
    if (FLock.error() != QLockFile::LockFailedError)
        return QStringLiteral("无法锁定账本 %1：%2。请确认这个文件夹存在并且可以写入，"
                              "然后再启动本程序。")
            .arg(ledger, Error());
    QString host;
    if (HeldElsewhere(&host))
        return QStringLiteral("账本 %1 已经在另一台计算机（%2）上打开。请先在那台计算机上关闭"
                              "本程序再启动。如果那台计算机上并没有打开本程序（例如账本文件夹"
                              "是从那里复制过来的），请删除锁文件 %3 后再启动本程序。")
            .arg(ledger, host, QDir::toNativeSeparators(FLockPath));
    return QStringLiteral("账本 %1 已经打开：%2正在使用它。请切换到那个窗口继续记账，"
                          "或者先关闭它再启动本程序。")
        .arg(ledger, Error());
}
