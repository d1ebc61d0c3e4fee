#include "app/start/LedgerHome.h"

#include "data/Common.h"
#include "data/ledgerfile/backup/LedgerBackup.h"
#include "data/Schema.h"
#include "platform/Exception.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString LedgerHomeFolder() {
    const QString home = qEnvironmentVariable("PENNYVALE_HOME");
    if (!home.isEmpty()) return QDir(home).absolutePath();
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("pennyvale"));
}

bool EnterLedgerHome(bool installed) {
    if (!installed) return true;
    const QString home = LedgerHomeFolder();
    if (!QDir().mkpath(home) || !QDir::setCurrent(home)) {
        TCommon::ShowError(QStringLiteral("无法进入账本文件夹 %1，请检查它是否存在并可写入。")
                               .arg(QDir::toNativeSeparators(home)));
        return false;
    }
    // A book on a server is made by --create-database on the server, never here.
    if (TLedgerLocation::Current().IsServer()) return true;
    if (QFileInfo::exists(Schema::LedgerFilePath())) return true;
    // A ledger gone while its backups are there is not replaced by an empty one unasked: the
    // start offers the backups first.
    if (LedgerBackup::AnyCopy(Schema::LedgerFilePath())) return true;
    try {
        Schema::CreateDatabase(Schema::LedgerFilePath());
        return true;
    } catch (const Exception& error) {
        TCommon::ShowError(QStringLiteral("无法在 %1 中创建账本：%2")
                               .arg(QDir::toNativeSeparators(home), error.Message));
        return false;
    }
}
