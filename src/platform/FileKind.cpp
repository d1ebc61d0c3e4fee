#include "platform/FileKind.h"

#include "platform/SystemError.h"

#include <QFile>
#include <sys/stat.h>

TFileKind FileKindOf(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) return TFileKind::Missing;
    if (S_ISREG(status.st_mode)) return TFileKind::Regular;
    if (S_ISDIR(status.st_mode)) return TFileKind::Folder;
    return TFileKind::Special;
}

QString FileKindWord(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || S_ISREG(status.st_mode))
        return {};
    if (S_ISDIR(status.st_mode)) return QStringLiteral("文件夹");
    if (S_ISFIFO(status.st_mode)) return QStringLiteral("命名管道");
    if (S_ISSOCK(status.st_mode)) return QStringLiteral("套接字");
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return QStringLiteral("设备");
    return QStringLiteral("特殊文件");
}

QString NotAFileText(const QString& path) {
    const QString what = FileKindWord(path);
    if (what.isEmpty()) return {};
    const QString shown = ShownPath(path);
    if (FileKindOf(path) == TFileKind::Folder)
        return QStringLiteral("%1 是一个文件夹，不是文件。").arg(shown);
    return QStringLiteral("%1 不是普通文件，而是一个%2，不能把它当作账本文件打开。")
        .arg(shown, what);
}
