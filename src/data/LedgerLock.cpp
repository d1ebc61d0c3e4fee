#include "data/LedgerLock.h"

#include <QDir>
#include <QFileInfo>

TLedgerLock::TLedgerLock(const QString& ledgerPath)
    : FLedgerPath(QFileInfo(ledgerPath).absoluteFilePath()),
      FLockPath(LockPathOf(ledgerPath)),
      FLock(FLockPath) {
    // A lock is only stale when the process that wrote it has gone; a program left open for
    // days still holds its ledger.
    FLock.setStaleLockTime(0);
}

TLedgerLock::~TLedgerLock() = default;

QString TLedgerLock::LockPathOf(const QString& ledgerPath) {
    return QFileInfo(ledgerPath).absoluteFilePath() + QStringLiteral(".lock");
}

bool TLedgerLock::TryLock() {
    if (FLock.isLocked()) return true;
    return FLock.tryLock(0);
}

void TLedgerLock::Unlock() {
    if (FLock.isLocked()) FLock.unlock();
}

bool TLedgerLock::IsLocked() const {
    return FLock.isLocked();
}

QString TLedgerLock::Error() const {
    switch (FLock.error()) {
    case QLockFile::NoError:
        return {};
    case QLockFile::LockFailedError: {
        qint64 pid = 0;
        QString host;
        QString application;
        if (!FLock.getLockInfo(&pid, &host, &application))
            return QStringLiteral("另一个程序");
        QString who = QStringLiteral("进程 %1").arg(pid);
        QStringList details;
        if (!application.isEmpty()) details << application;
        if (!host.isEmpty()) details << QStringLiteral("主机 %1").arg(host);
        if (!details.isEmpty()) who += QStringLiteral("（%1）").arg(details.join(QStringLiteral("，")));
        return who;
    }
    case QLockFile::PermissionError:
        return QStringLiteral("无法在 %1 写入锁文件（没有写入权限）")
            .arg(QDir::toNativeSeparators(QFileInfo(FLockPath).absolutePath()));
    case QLockFile::UnknownError:
        break;
    }
    return QStringLiteral("无法写入锁文件 %1").arg(QDir::toNativeSeparators(FLockPath));
}

QString TLedgerLock::RefusalText() const {
    const QString ledger = QDir::toNativeSeparators(FLedgerPath);
    if (FLock.error() == QLockFile::LockFailedError)
        return QStringLiteral("账本 %1 已经打开：%2 正在使用它。请切换到那个窗口继续记帐，"
                              "或者先关闭它再启动本程序。")
            .arg(ledger, Error());
    return QStringLiteral("无法锁定账本 %1：%2。").arg(ledger, Error());
}
