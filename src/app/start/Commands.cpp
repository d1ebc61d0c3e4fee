#include "app/start/Commands.h"

#include "app/start/BackupCommands.h"
#include "app/start/CopyLedgerCommand.h"
#include "app/start/ExportCsvCommand.h"
#include "app/start/ImportBillCommand.h"
#include "app/start/ReportCommand.h"
#include "data/Schema.h"
#include "data/ledgerfile/LedgerLock.h"
#include "data/ledgerfile/backup/LedgerBackup.h"
#include "legacy/JetRowServer.h"
#include "legacy/LegacyLedger.h"
#include "platform/Exception.h"
#include "platform/Fonts.h"
#include "platform/SystemError.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace {

// The arguments "--option FILE --account ACCOUNT", neither of them empty.
bool FileAndAccount(int argc, char* argv[]) {
    return argc == 5 && qstrcmp(argv[3], "--account") == 0 && argv[2][0] != '\0' &&
           argv[4][0] != '\0';
}

} // namespace

namespace Commands {

// pennyvale --create-database: writes a new ledger below the current directory. A ledger gone
// while its backups are there is not replaced by an empty one: the program's start offers the
// backups, so this step leaves the place free and says why.
int CreateDatabase(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (!QFileInfo::exists(Schema::LedgerFilePath()) && LedgerBackup::AnyCopy(Schema::LedgerFilePath())) {
        std::printf("%s\n", QStringLiteral("没有新建账本：账本 %1 不在，但文件夹 %2 中有它的备份；"
                                           "启动程序后可以从备份恢复账本。")
                                .arg(ShownPath(Schema::LedgerFilePath()),
                                     ShownPath(LedgerBackup::FolderOf(Schema::LedgerFilePath())))
                                .toUtf8()
                                .constData());
        return 0;
    }
    try {
        Schema::CreateDatabase(Schema::LedgerFilePath());
        std::printf(
            "%s\n",
            QStringLiteral("已创建数据库 %1").arg(Schema::LedgerFilePath()).toUtf8().constData());
        return 0;
    } catch (const Exception& error) {
        std::fprintf(stderr, "%s\n", error.Message.toUtf8().constData());
        return 1;
    }
}

// pennyvale --import-access FILE.mdb: converts a ledger kept in the old Access format.
int ImportAccess(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "%s\n", "用法：pennyvale --import-access 文件.mdb");
        return 2;
    }
    // A conversion never writes a ledger that a running program has open, nor does a restore
    // replace the ledger while it is converted: the folder is made first, so that the lock
    // can be written even where there was no ledger yet.
    const QString folder = QFileInfo(Schema::LedgerFilePath()).path();
    const bool hadFolder = QFileInfo::exists(folder);
    if (!QDir().mkpath(folder)) {
        std::fprintf(
            stderr, "%s\n",
            QStringLiteral("无法创建文件夹 %1。").arg(ShownPath(folder)).toUtf8().constData());
        return 1;
    }
    int code = 1;
    {
        TLedgerLock lock(Schema::LedgerFilePath());
        if (!lock.TryLock() && lock.Refuses()) {
            std::fprintf(stderr, "%s\n", lock.RefusalText().toUtf8().constData());
            return 1;
        }
        code = LegacyLedger::ImportAccess(QFile::decodeName(argv[2]));
    }
    if (code != 0 && !hadFolder) QDir().rmdir(folder); // only when still empty
    return code;
}

// pennyvale --import-bill FILE --account ACCOUNT: imports a payment bill as a member.
int ImportBill(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (!FileAndAccount(argc, argv)) {
        std::fprintf(stderr, "%s\n", ImportBillCommand::UsageText.toUtf8().constData());
        return 2;
    }
    return ImportBillCommand::Run(QFile::decodeName(argv[2]), QString::fromLocal8Bit(argv[4]));
}

// pennyvale --export-csv FILE --account ACCOUNT: writes a member's whole book as CSV.
int ExportCsv(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (!FileAndAccount(argc, argv)) {
        std::fprintf(stderr, "%s\n", ExportCsvCommand::UsageText.toUtf8().constData());
        return 2;
    }
    return ExportCsvCommand::Run(QFile::decodeName(argv[2]), QString::fromLocal8Bit(argv[4]));
}

// pennyvale --report FILE.pdf --account ACCOUNT --year YYYY: a year's statement as a PDF. The
// fonts and the chart need a graphical application; without a screen it runs offscreen.
int Report(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bool yearOk = false;
    const int year = argc == 7 ? QString::fromLocal8Bit(argv[6]).toInt(&yearOk) : 0;
    if (argc != 7 || qstrcmp(argv[3], "--account") != 0 || qstrcmp(argv[5], "--year") != 0 ||
        argv[2][0] == '\0' || argv[4][0] == '\0' || !yearOk || year < 1900 || year > 9999) {
        std::fprintf(stderr, "%s\n", ReportCommand::UsageText.toUtf8().constData());
        return 2;
    }
    InstallFontSubstitutions();
    return ReportCommand::Run(QFile::decodeName(argv[2]), QString::fromLocal8Bit(argv[4]), year);
}

// pennyvale --backup: writes a backup copy of the ledger now.
int Backup(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    return BackupCommands::Backup();
}

// pennyvale --restore FILE: puts a copy of a backup in place of the ledger.
int Restore(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "%s\n", "用法：pennyvale --restore 备份文件.mdb");
        return 2;
    }
    return BackupCommands::Restore(QFile::decodeName(argv[2]));
}

// pennyvale --copy-ledger FROM TO: copies a whole book between a file and a server.
int CopyLedger(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 4 || argv[2][0] == '\0' || argv[3][0] == '\0') {
        std::fprintf(stderr, "%s\n", CopyLedgerCommand::UsageText.toUtf8().constData());
        return 2;
    }
    return CopyLedgerCommand::Run(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
}

int ReadOldLedger(int, char* argv[]) {
    return JetRowServer::Run(QFile::decodeName(argv[2]));
}

} // namespace Commands
