#include "data/engine/SqliteEngine.h"

#include "platform/SystemError.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QVariant>
#include <sqlite3.h>

sqlite3* SqliteHandle(const QSqlDatabase& connection) {
    if (!connection.driver()) return nullptr;
    const QVariant handle = connection.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

int SqlitePrimaryCode(const QSqlError& error) {
    bool number = false;
    const int code = error.nativeErrorCode().toInt(&number);
    return number ? code & 0xff : 0;
}

bool IsBusyError(const QSqlError& error) {
    const int code = SqlitePrimaryCode(error);
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

bool IsDamageError(const QSqlError& error) {
    const int code = SqlitePrimaryCode(error);
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

QString UnfinishedSaveText(const QSqlError& error, const QString& path) {
    const int extended = error.nativeErrorCode().toInt();
    if (extended != SQLITE_READONLY_ROLLBACK && extended != SQLITE_READONLY_RECOVERY) return {};
    const QString left = path + (extended == SQLITE_READONLY_ROLLBACK ? QStringLiteral("-journal")
                                                                      : QStringLiteral("-wal"));
    return QStringLiteral("文件 %1 上次没有正常关闭，旁边留有一次没有完成的保存（%2）")
        .arg(ShownPath(path), ShownPath(left));
}

QString UnreadableLogText(const QSqlError& error, const QString& path) {
    const QString log = path + QStringLiteral("-wal");
    if (SqlitePrimaryCode(error) != SQLITE_CANTOPEN || QFileInfo(log).size() == 0 ||
        QFileInfo::exists(path + QStringLiteral("-shm")))
        return {};
    return QStringLiteral("它最后几次保存的记录还在旁边的日志文件 %1 中，而它所在的文件夹只能读取，"
                          "无法读出这些记录；请把这两个文件一起复制到可以写入的文件夹后再试")
        .arg(ShownPath(log));
}
