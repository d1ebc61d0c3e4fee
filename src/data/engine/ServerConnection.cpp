#include "data/engine/ServerConnection.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <initializer_list>
#include <libpq-fe.h>

bool ConnectionLost(const QSqlDatabase& connection) {
    // The driver's documented handle(): the connection's own PGconn (named by its struct). The
    // driver marks itself closed when a statement meets a broken connection, and keeps it.
    if (!connection.isValid() || !connection.driver()) return false;
    const QVariant handle = connection.driver()->handle();
    if (!handle.isValid() || (qstrcmp(handle.typeName(), "PGconn*") != 0 &&
                              qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return false;
    PGconn* pg = *static_cast<PGconn* const*>(handle.constData());
    return pg && PQstatus(pg) == CONNECTION_BAD;
}

namespace {

bool HasAny(const QString& text, std::initializer_list<const char*> parts) {
    for (const char* part : parts)
        if (text.contains(QString::fromUtf8(part), Qt::CaseInsensitive)) return true;
    return false;
}

bool HasBoth(const QString& text, const char* first, const char* second) {
    return HasAny(text, {first}) && HasAny(text, {second});
}

// The server's name for messages: its host or socket folder, libpq's default socket when none.
QString HostOf(const TLedgerLocation& location) {
    return location.Host().isEmpty() ? QStringLiteral("本机") : location.Host();
}

// The user it connects as: the URI's, else libpq's default (PGUSER, the system user).
QString UserOf(const TLedgerLocation& location) {
    if (!location.User().isEmpty()) return location.User();
    const QString user = qEnvironmentVariable("PGUSER", qEnvironmentVariable("USER"));
    return user.isEmpty() ? QStringLiteral("（当前系统用户）") : user;
}

} // namespace

namespace ServerConnection {

TServerFault Classify(const QSqlError& error) {
    if (!error.isValid()) return TServerFault::None;
    const QString code = error.nativeErrorCode();
    if (code == QLatin1String("28P01")) return TServerFault::WrongPassword;
    if (code == QLatin1String("3D000")) return TServerFault::NoDatabase;
    if (code == QLatin1String("42P01")) return TServerFault::NotABook; // undefined table
    // A failed connection has no SQLSTATE in the driver: libpq's own message tells, in the words
    // of libpq (English or the user's language) and of the server (its lc_messages).
    const QString text = error.databaseText() + u'\n' + error.driverText();
    if (HasAny(text, {"no password supplied"})) return TServerFault::NoPassword;
    if (HasAny(text, {"password authentication failed", "Password 认证失败"}))
        return TServerFault::WrongPassword;
    if (HasBoth(text, "role \"", "does not exist") || HasBoth(text, "角色 \"", "不存在"))
        return TServerFault::UnknownUser;
    if (HasBoth(text, "database \"", "does not exist") || HasBoth(text, "数据库 \"", "不存在"))
        return TServerFault::NoDatabase;
    if (HasAny(text, {"pg_hba.conf", "Peer authentication failed", "Ident authentication failed"}))
        return TServerFault::NotAllowed;
    if (HasAny(text, {"could not translate host name", "无法解释主机名"}))
        return TServerFault::UnknownHost;
    if (HasAny(text, {"timeout expired", "超时满"})) return TServerFault::Timeout;
    if (HasAny(text, {"Connection refused", "No such file or directory", "Is the server running",
                      "拒绝连接", "没有那个文件或目录", "服务器是否在"}))
        return TServerFault::Refused;
    return TServerFault::Other;
}

QString FaultText(TServerFault fault, const TLedgerLocation& location, const QString& detail,
                  TAdvice advice) {
    const bool command = advice == TAdvice::Command;
    QString cause;
    switch (fault) {
    case TServerFault::Refused:
        cause = QStringLiteral("服务器 %1 没有接受连接（连接被拒绝，或者那里没有运行中的 PostgreSQL "
                               "服务器）。请确认服务器已经启动，地址和端口正确。")
                    .arg(HostOf(location));
        break;
    case TServerFault::UnknownHost:
        cause = QStringLiteral("找不到名为“%1”的主机。请检查服务器的名称和网络。")
                    .arg(HostOf(location));
        break;
    case TServerFault::NoPassword:
        cause = QStringLiteral("服务器要求输入用户“%1”的密码，但没有提供密码。").arg(UserOf(location)) +
                (command ? QStringLiteral("请把密码写入 ~/.pgpass 文件（权限 0600，每行："
                                          "主机:端口:数据库:用户:密码），或者设置 PGPASSWORD。")
                         : QString());
        break;
    case TServerFault::WrongPassword:
        cause = QStringLiteral("服务器拒绝了用户“%1”的密码。").arg(UserOf(location)) +
                (command ? QStringLiteral("请检查 ~/.pgpass 文件中的密码。") : QString());
        break;
    case TServerFault::UnknownUser:
        cause = QStringLiteral("服务器上没有用户“%1”。请检查用户名。").arg(UserOf(location));
        break;
    case TServerFault::NotAllowed:
        cause = QStringLiteral("服务器不允许这台电脑以用户“%1”连接数据库“%2”"
                               "（服务器的 pg_hba.conf 中没有相应的设置）。")
                    .arg(UserOf(location), location.Database());
        break;
    case TServerFault::NoDatabase:
        cause = QStringLiteral("服务器上没有名为“%1”的数据库。请检查数据库的名称。")
                    .arg(location.Database());
        break;
    case TServerFault::NotABook:
        cause = QStringLiteral("数据库“%1”中没有本程序的账本。如果这是一个新建的空数据库，可以运行 "
                               "pennyvale --create-database --ledger %2 在其中新建账本。")
                    .arg(location.Database(), location.Shown());
        break;
    case TServerFault::Timeout:
        cause = QStringLiteral("在规定的时间内没有连上服务器（超时）。请检查网络和服务器。");
        break;
    case TServerFault::None:
    case TServerFault::Other:
        cause = detail.trimmed();
        break;
    }
    return QStringLiteral("无法连接账本服务器 %1：%2").arg(location.Shown(), cause);
}

void Connect(QSqlDatabase& connection, const TLedgerLocation& location, TAdvice advice) {
    location.ApplyTo(connection);
    if (!connection.open()) {
        const QSqlError error = connection.lastError();
        connection.close();
        const TServerFault fault = Classify(error);
        throw EServerError(fault, FaultText(fault, location, error.databaseText(), advice),
                           error.databaseText());
    }
    // The program writes texts into its statements between apostrophes, each apostrophe doubled
    // (SqlText). A server that still reads a backslash in them as an escape would end such a
    // text early (an account "\' or 1=1 --" would select every member): it is refused.
    QSqlQuery query(connection);
    if (!query.exec(QStringLiteral("show standard_conforming_strings")) || !query.next() ||
        query.value(0).toString() != QLatin1String("on")) {
        const QString detail =
            QStringLiteral("服务器把字符串中的反斜杠当作转义符（standard_conforming_strings 不是 "
                           "on），本程序的语句在其中会被读错。请在服务器上执行：alter database "
                           "%1 set standard_conforming_strings = on")
                .arg(location.Database());
        query = QSqlQuery();
        connection.close();
        throw EServerError(TServerFault::Other,
                           FaultText(TServerFault::Other, location, detail, advice), detail);
    }
}

void Open(QSqlDatabase& connection, const TLedgerLocation& location, TAdvice advice) {
    Connect(connection, location, advice);
    // A book is a database with the program's records table; a database without it is not one
    // (the data module checks every table and column of an open book).
    const QStringList tables = connection.tables();
    for (const QString& table : tables)
        if (table.compare(QLatin1String("fPayout"), Qt::CaseInsensitive) == 0) return;
    connection.close();
    throw EServerError(TServerFault::NotABook,
                       FaultText(TServerFault::NotABook, location, {}, advice));
}

} // namespace ServerConnection
