#include "data/SqliteEngine.h"

#include "platform/SystemError.h"

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
