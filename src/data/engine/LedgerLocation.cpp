#include "data/engine/LedgerLocation.h"

#include "platform/Exception.h"

#include <QDir>
#include <QFile>
#include <QUrl>
#include <QUrlQuery>
#include <algorithm>

namespace {

TLedgerLocation& CurrentLocation() {
    static TLedgerLocation location = TLedgerLocation::File(TLedgerLocation::DefaultFile);
    return location;
}

bool IsServerUri(const QString& text) {
    return text.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           text.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

// The URI as a message may show it: a password in its user part or its query replaced by ***.
// Taken apart by hand, as the text may be no valid URI at all.
QString WithoutPassword(QString text) {
    const qsizetype scheme = text.indexOf(QLatin1String("://"));
    if (scheme >= 0) {
        const qsizetype start = scheme + 3;
        qsizetype end = text.size();
        for (const QChar stop : {u'/', u'?', u'#'})
            if (const qsizetype at = text.indexOf(stop, start); at >= 0) end = std::min(end, at);
        const qsizetype at = text.lastIndexOf(u'@', end - 1);
        const qsizetype colon = at >= start ? text.indexOf(u':', start) : -1;
        if (colon >= 0 && colon < at) text.replace(colon + 1, at - colon - 1, QStringLiteral("***"));
    }
    if (const qsizetype query = text.indexOf(u'?'); query >= 0) {
        qsizetype at = query;
        while (at >= 0 && at < text.size()) {
            const qsizetype next = text.indexOf(u'&', at + 1);
            const qsizetype end = next < 0 ? text.size() : next;
            static const QString key = QStringLiteral("password=");
            if (text.mid(at + 1, key.size()).compare(key, Qt::CaseInsensitive) == 0) {
                text.replace(at + 1 + key.size(), end - at - 1 - key.size(), QStringLiteral("***"));
                at = text.indexOf(u'&', at + 1);
            } else {
                at = next;
            }
        }
    }
    return text;
}

[[noreturn]] void Refuse(const QString& text, const QString& why) {
    throw EArgumentError(
        QStringLiteral("账本位置“%1”不能使用：%2").arg(WithoutPassword(text), WithoutPassword(why)));
}

} // namespace

TLedgerLocation TLedgerLocation::File(const QString& path) {
    TLedgerLocation location;
    location.FKind = TKind::File;
    location.FFilePath = path;
    return location;
}

TLedgerLocation TLedgerLocation::Parse(const QString& given) {
    const QString text = given.trimmed();
    if (text.isEmpty()) throw EArgumentError(QStringLiteral("没有给出账本的位置。"));
    if (!IsServerUri(text)) return File(text);

    // QUrl takes libpq's URI apart, percent-decoding each part; a list of hosts, which libpq
    // allows, is not supported.
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid()) Refuse(text, url.errorString());
    TLedgerLocation location;
    location.FKind = TKind::Server;
    location.FHost = url.host(QUrl::FullyDecoded);
    location.FPort = url.port(-1);
    location.FUser = url.userName(QUrl::FullyDecoded);
    location.FPassword = url.password(QUrl::FullyDecoded);
    location.FDatabase = url.path(QUrl::FullyDecoded).mid(1);
    QStringList options;
    const QUrlQuery query(url);
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("host")) {
            location.FHost = value;
        } else if (key == QLatin1String("port")) {
            bool number = false;
            location.FPort = value.toInt(&number);
            if (!number || location.FPort <= 0 || location.FPort > 65535)
                Refuse(text, QStringLiteral("端口“%1”不是有效的端口号").arg(value));
        } else if (key == QLatin1String("dbname")) {
            location.FDatabase = value;
        } else if (key == QLatin1String("user")) {
            location.FUser = value;
        } else if (key == QLatin1String("password")) {
            location.FPassword = value;
        } else if (key.isEmpty() || key.contains(u'=') || key.contains(u';') ||
                   key.contains(u' ') || value.contains(u';') || value.contains(u' ')) {
            // Qt SQL joins the options with ";" and hands them to libpq with spaces between.
            Refuse(text, QStringLiteral("参数“%1=%2”不能使用").arg(key, value));
        } else {
            options.append(key + u'=' + value);
        }
    }
    if (location.FDatabase.isEmpty())
        Refuse(text, QStringLiteral("没有给出数据库的名称（例如 postgresql://主机/账本库）"));
    // A server that does not answer is reported after a while rather than waited for forever.
    if (!std::any_of(options.cbegin(), options.cend(), [](const QString& option) {
            return option.startsWith(QLatin1String("connect_timeout="));
        }))
        options.append(QStringLiteral("connect_timeout=10"));
    location.FOptions = options.join(u';');
    return location;
}

QString TLedgerLocation::Shown() const {
    if (!IsServer()) return QDir::toNativeSeparators(FFilePath);
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    QUrlQuery query;
    if (FHost.startsWith(u'/'))
        query.addQueryItem(QStringLiteral("host"), FHost);
    else
        url.setHost(FHost);
    if (FPort > 0) url.setPort(FPort);
    if (!FUser.isEmpty()) url.setUserName(FUser);
    url.setPath(u'/' + FDatabase);
    if (!query.isEmpty()) url.setQuery(query);
    QString shown = url.toString(QUrl::PrettyDecoded);
    // postgresql:/db for an empty host reads better as libpq writes it
    if (url.host().isEmpty() && !shown.startsWith(QLatin1String("postgresql://")))
        shown.replace(0, int(qstrlen("postgresql:")), QStringLiteral("postgresql://"));
    return shown;
}

QString TLedgerLocation::DriverName() const {
    return IsServer() ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
}

void TLedgerLocation::ApplyTo(QSqlDatabase& connection) const {
    connection.setHostName(FHost);
    connection.setPort(FPort);
    connection.setDatabaseName(FDatabase);
    connection.setUserName(FUser);
    connection.setPassword(FPassword);
    connection.setConnectOptions(FOptions);
}

TLedgerLocation TLedgerLocation::FromSetting(const QString& folder, const QString& defaultPath) {
    QFile file(QDir(folder).filePath(SettingFileName));
    if (!file.exists()) return File(defaultPath);
    if (!file.open(QIODevice::ReadOnly))
        throw EArgumentError(QStringLiteral("无法读取账本位置的设置文件 %1：%2")
                                 .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
    // A setting file is a line or two; more is no setting of ours.
    const QString content = QString::fromUtf8(file.read(64 * 1024));
    for (const QString& line : content.split(u'\n')) {
        const QString entry = line.trimmed();
        if (entry.isEmpty() || entry.startsWith(u'#')) continue;
        try {
            return Parse(entry);
        } catch (const EArgumentError& error) {
            throw EArgumentError(QStringLiteral("设置文件 %1 中的%2")
                                     .arg(QDir::toNativeSeparators(file.fileName()), error.Message));
        }
    }
    return File(defaultPath);
}

const TLedgerLocation& TLedgerLocation::Current() {
    return CurrentLocation();
}

void TLedgerLocation::SetCurrent(const TLedgerLocation& location) {
    CurrentLocation() = location;
}
