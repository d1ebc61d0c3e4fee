#include "platform/FileRename.h"

#include "platform/PartialFile.h"
#include "platform/SystemError.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void Tell(QString* reason, int error) {
    if (reason) *reason = SystemErrorText(error);
}

} // namespace

namespace FileRename {

bool NoReplace(const QString& from, const QString& to, QString* reason) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(),
                    RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        Tell(reason, errno);
        return false;
    }
    // A file system without the atomic no-replace rename: link, then drop the old name.
    if (::link(source.constData(), target.constData()) != 0) {
        Tell(reason, errno);
        return false;
    }
    ::unlink(source.constData());
    return true;
}

bool LinkNoReplace(const QString& from, const QString& to, QString* reason) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::link(source.constData(), target.constData()) == 0) return true;
    if (errno == EEXIST || (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP)) {
        Tell(reason, errno);
        return false;
    }
    // No hard links here (a FAT stick, say): a flushed copy is moved into place.
    if (QFile::exists(to)) {
        Tell(reason, EEXIST);
        return false;
    }
    TPartialFile copy(to);
    const QString failure = copy.CopyFrom(from);
    if (!failure.isEmpty()) {
        if (reason) *reason = failure;
        return false;
    }
    return copy.Place(to, reason);
}

bool SameFile(const QString& a, const QString& b) {
    struct stat first {}, second {};
    return ::stat(QFile::encodeName(a).constData(), &first) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

QString FinalTarget(const QString& path) {
    QFileInfo link(path);
    if (!link.isSymLink()) return path;
    if (link.exists()) return link.canonicalFilePath();
    // A link to nothing (yet): followed hop by hop, as far as the system would follow it.
    for (int hop = 0; hop < 40 && link.isSymLink(); ++hop)
        link = QFileInfo(link.symLinkTarget());
    return link.absoluteFilePath();
}

} // namespace FileRename
