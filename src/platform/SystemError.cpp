#include "platform/SystemError.h"

#include <QDir>
#include <cerrno>
#include <cstring>

QString SystemErrorWords(int error) {
    switch (error) {
    case ENOSPC:
        return QStringLiteral("磁盘空间不足");
    case EDQUOT:
        return QStringLiteral("超出了磁盘配额");
    case EFBIG:
        return QStringLiteral("文件超过了允许的大小");
    case EROFS:
        return QStringLiteral("磁盘是只读的");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有写入权限");
    case EIO:
        return QStringLiteral("磁盘读写出错");
    case ENOTDIR:
        return QStringLiteral("路径中有一个文件挡在文件夹的位置上");
    default:
        return {};
    }
}

QString SystemErrorText(int error) {
    const QString words = SystemErrorWords(error);
    return words.isEmpty() ? QString::fromLocal8Bit(std::strerror(error)) : words;
}

QString ShownPath(const QString& path) {
    return QDir::toNativeSeparators(QDir::current().absoluteFilePath(path));
}
