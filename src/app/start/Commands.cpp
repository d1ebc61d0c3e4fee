#include "app/start/Commands.h"

#include "app/start/BackupCommands.h"
#include "app/start/CopyLedgerCommand.h"
#include "app/start/ExportCsvCommand.h"
#include "app/start/ImportBillCommand.h"
#include "app/start/ProgramArguments.h"
#include "app/start/ReportCommand.h"
#include "data/Schema.h"
#include "data/engine/ServerConnection.h"
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

void Print(FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", text.toUtf8().constData());
    std::fflush(stream);
}

// A command that works on the ledger file only: refuses a book on a server, saying what to do.
bool RefuseServer(const QString& what) {
    const TLedgerLocation& location = TLedgerLocation::Current();
    if (!location.IsServer()) return false;
    Print(stderr, QStringLiteral("%1只能用于本机的账本文件，而这次的账本在服务器 %2 上。"
                                 "请用 --ledger 指定账本文件；服务器与文件之间可以用 "
                                 "pennyvale --copy-ledger 来源 目标 复制整本账。")
                      .arg(what, location.Shown()));
    return true;
}

// pennyvale --create-database: writes a new ledger below the current directory, or makes a new
// book on an empty database of a server. A ledger gone while its backups are there is not
// replaced by an empty one: the program's start offers the backups, so this step leaves the
// place free and says why.
int CreateDatabase(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const TLedgerLocation& location = TLedgerLocation::Current();
    if (location.IsServer()) {
        try {
            Schema::CreateServerBook(location);
            Print(stdout, QStringLiteral("已在服务器上创建账本 %1（默认成员“%2”，登录帐号“%3”，密码“%4”）")
                              .arg(location.Shown(), Schema::DefaultPersonName,
                                   Schema::DefaultAccount, Schema::DefaultPassword));
            return 0;
        } catch (const Exception& error) {
            Print(stderr, error.Message);
            return 1;
        }
    }
    if (!QFileInfo::exists(Schema::LedgerFilePath()) && LedgerBackup::AnyCopy(Schema::LedgerFilePath())) {
        Print(stdout, QStringLiteral("没有新建账本：账本 %1 不在，但文件夹 %2 中有它的备份；"
                                     "启动程序后可以从备份恢复账本。")
                          .arg(ShownPath(Schema::LedgerFilePath()),
                               ShownPath(LedgerBackup::FolderOf(Schema::LedgerFilePath()))));
        return 0;
    }
    try {
        Schema::CreateDatabase(Schema::LedgerFilePath());
        Print(stdout, QStringLiteral("已创建数据库 %1").arg(Schema::LedgerFilePath()));
        return 0;
    } catch (const Exception& error) {
        Print(stderr, error.Message);
        return 1;
    }
}

// pennyvale --import-access FILE.mdb: converts a ledger kept in the old Access format.
int ImportAccess(int argc, char* argv[], const TProgramArguments& arguments) {
    QCoreApplication app(argc, argv);
    if (RefuseServer(QStringLiteral("转换旧版 Access 账本"))) return 2;
    // A conversion never writes a ledger that a running program has open, nor does a restore
    // replace the ledger while it is converted: the folder is made first, so that the lock
    // can be written even where there was no ledger yet.
    const QString folder = QFileInfo(Schema::LedgerFilePath()).path();
    const bool hadFolder = QFileInfo::exists(folder);
    if (!QDir().mkpath(folder)) {
        Print(stderr, QStringLiteral("无法创建文件夹 %1。").arg(ShownPath(folder)));
        return 1;
    }
    int code = 1;
    {
        TLedgerLock lock(Schema::LedgerFilePath());
        if (!lock.TryLock() && lock.Refuses()) {
            Print(stderr, lock.RefusalText());
            return 1;
        }
        code = LegacyLedger::ImportAccess(arguments.Values[0]);
    }
    if (code != 0 && !hadFolder) QDir().rmdir(folder); // only when still empty
    return code;
}

// pennyvale --import-bill FILE --account ACCOUNT: imports a payment bill as a member.
int ImportBill(int argc, char* argv[], const TProgramArguments& arguments) {
    QCoreApplication app(argc, argv);
    return ImportBillCommand::Run(arguments.Values[0], arguments.Option(QStringLiteral("--account")));
}

// pennyvale --export-csv FILE --account ACCOUNT: writes a member's whole book as CSV.
int ExportCsv(int argc, char* argv[], const TProgramArguments& arguments) {
    QCoreApplication app(argc, argv);
    return ExportCsvCommand::Run(arguments.Values[0], arguments.Option(QStringLiteral("--account")));
}

// pennyvale --report FILE.pdf --account ACCOUNT --year YYYY: a year's statement as a PDF. The
// fonts and the chart need a graphical application; without a screen it runs offscreen.
int Report(int argc, char* argv[], const TProgramArguments& arguments) {
    bool yearOk = false;
    const int year = arguments.Option(QStringLiteral("--year")).toInt(&yearOk);
    if (!yearOk || year < 1900 || year > 9999) {
        Print(stderr, ReportCommand::UsageText);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    return ReportCommand::Run(arguments.Values[0], arguments.Option(QStringLiteral("--account")),
                              year);
}

// pennyvale --backup: writes a backup copy of the ledger now.
int Backup(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    return BackupCommands::Backup();
}

// pennyvale --restore FILE: puts a copy of a backup in place of the ledger.
int Restore(int argc, char* argv[], const TProgramArguments& arguments) {
    QCoreApplication app(argc, argv);
    if (RefuseServer(QStringLiteral("用备份恢复账本"))) return 2;
    return BackupCommands::Restore(arguments.Values[0]);
}

// pennyvale --copy-ledger FROM TO: copies a whole book between a file and a server; the two
// books are its own values, so --ledger has no say.
int CopyLedger(int argc, char* argv[], const TProgramArguments& arguments) {
    QCoreApplication app(argc, argv);
    return CopyLedgerCommand::Run(arguments.Values[0], arguments.Values[1]);
}

} // namespace

namespace Commands {

int Run(int argc, char* argv[], const TProgramArguments& arguments) {
    const QString& command = arguments.Command;
    // The copy names both its books; every other command works on the book of the run.
    if (command == QLatin1String("--copy-ledger")) return CopyLedger(argc, argv, arguments);
    try {
        TLedgerLocation::SetCurrent(arguments.Location(QDir::currentPath()));
    } catch (const EArgumentError& error) {
        Print(stderr, error.Message);
        return 2;
    }
    if (command == QLatin1String("--create-database")) return CreateDatabase(argc, argv);
    if (command == QLatin1String("--import-access")) return ImportAccess(argc, argv, arguments);
    if (command == QLatin1String("--import-bill")) return ImportBill(argc, argv, arguments);
    if (command == QLatin1String("--export-csv")) return ExportCsv(argc, argv, arguments);
    if (command == QLatin1String("--report")) return Report(argc, argv, arguments);
    if (command == QLatin1String("--backup")) return Backup(argc, argv);
    if (command == QLatin1String("--restore")) return Restore(argc, argv, arguments);
    Print(stderr, TProgramArguments::UsageText());
    return 2;
}

int ReadOldLedger(int, char* argv[]) {
    return JetRowServer::Run(QFile::decodeName(argv[2]));
}

} // namespace Commands
