#include "platform/PartialFile.h"

#include "platform/FileRename.h"
#include "platform/SystemError.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

QString Journal(const QString& path) {
    return path + QStringLiteral("-journal");
}

// The name pattern of the partial files of the files whose name matches family.
QString PartialPattern(const QString& family) {
    return u'.' + family + QStringLiteral(".*.partial");
}

// Flushes a file's content to disk; false, with errno set, when it cannot.
bool Sync(const QString& path, int flags) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
}

// Writes all of size bytes to fd; false, with errno set, when it cannot (ENOSPC where the system
// took nothing).
bool WriteAll(int fd, const char* data, ssize_t size) {
    for (ssize_t done = 0; done < size;) {
        const ssize_t put = ::write(fd, data + done, size_t(size - done));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            if (put == 0) errno = ENOSPC;
            return false;
        }
        done += put;
    }
    return true;
}

} // namespace

TPartialFile::TPartialFile(const QString& target, const QString& family) {
    const QFileInfo file(target);
    RemoveStale(file.path(), family.isEmpty() ? file.fileName() : family);
    FPath = file.path() + QStringLiteral("/.") + file.fileName() + u'.' +
            QUuid::createUuid().toString(QUuid::Id128) + QStringLiteral(".partial");
}

TPartialFile::~TPartialFile() {
    if (!FPlaced) QFile::remove(FPath);
    QFile::remove(Journal(FPath));
}

QString TPartialFile::Create() {
    const int fd =
        ::open(QFile::encodeName(FPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return SystemErrorText(errno);
    ::close(fd);
    return {};
}

QString TPartialFile::CopyFrom(const QString& source) {
    const int in = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return SystemErrorText(errno);
    const int out =
        ::open(QFile::encodeName(FPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return SystemErrorText(error);
    }
    bool ok = true;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        if (!(ok = WriteAll(out, buffer.data(), got))) break;
    }
    const int error = errno;
    ::close(out);
    ::close(in);
    return ok ? QString() : SystemErrorText(error);
}

bool TPartialFile::Place(const QString& target, QString* reason) {
    return Put(target, false, reason);
}

void TPartialFile::TakeDocumentPermissions(const QString& target) {
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                     QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther;
    if (QFileInfo::exists(target)) permissions = QFileInfo(target).permissions();
    QFile::setPermissions(FPath, permissions);
}

bool TPartialFile::PlaceOver(const QString& target, QString* reason) {
    return Put(target, true, reason);
}

bool TPartialFile::Put(const QString& target, bool replace, QString* reason) {
    const QByteArray from = QFile::encodeName(FPath);
    if (!Sync(FPath, O_RDONLY) ||
        (replace && ::rename(from.constData(), QFile::encodeName(target).constData()) != 0)) {
        if (reason) *reason = SystemErrorText(errno);
        return false;
    }
    if (!replace && !FileRename::NoReplace(FPath, target, reason)) return false;
    FPlaced = true;
    // Best effort: the file is complete under its name; this makes the name itself last.
    Sync(QFileInfo(target).absolutePath(), O_RDONLY | O_DIRECTORY);
    return true;
}

void TPartialFile::RemoveStale(const QString& folder, const QString& family) {
    const QString pattern = PartialPattern(family);
    const QDateTime hourAgo = QDateTime::currentDateTime().addSecs(-3600);
    for (const QFileInfo& file :
         QDir(folder).entryInfoList({pattern, Journal(pattern)}, QDir::Files | QDir::Hidden))
        if (file.lastModified() < hourAgo) QFile::remove(file.filePath());
}
