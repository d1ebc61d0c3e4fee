#include "Resources.h"
#include "app/Application.h"
#include "app/start/BackupCommands.h"
#include "app/start/LedgerGuard.h"
#include "app/start/LedgerHome.h"
#include "app/start/LedgerRecovery.h"
#include "app/MainWindow.h"
#include "app/start/StartCheck.h"
#include "data/DataModule.h"
#include "data/ledgerfile/backup/LedgerBackup.h"
#include "data/ledgerfile/LedgerLock.h"
#include "data/Schema.h"
#include "legacy/JetRowServer.h"
#include "legacy/JetRowStream.h"
#include "legacy/LegacyLedger.h"
#include "platform/ErrorReport.h"
#include "platform/Exception.h"
#include "platform/Fonts.h"
#include "platform/InstallLayout.h"
#include "platform/StopSignals.h"
#include "platform/SystemError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <memory>

namespace {

// pennyvale --create-database: writes a new ledger below the current directory. A ledger gone
// while its backups are there is not replaced by an empty one: the program's start offers the
// backups, so this step leaves the place free and says why.
int CreateDatabase(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (!QFileInfo::exists(Schema::DatabasePath) && LedgerBackup::AnyCopy(Schema::DatabasePath)) {
        std::printf("%s\n", QStringLiteral("没有新建账本：账本 %1 不在，但文件夹 %2 中有它的备份；"
                                           "启动程序后可以从备份恢复账本。")
                                .arg(ShownPath(Schema::DatabasePath),
                                     ShownPath(LedgerBackup::FolderOf(Schema::DatabasePath)))
                                .toUtf8()
                                .constData());
        return 0;
    }
    try {
        Schema::CreateDatabase(Schema::DatabasePath);
        std::printf(
            "%s\n",
            QStringLiteral("已创建数据库 %1").arg(Schema::DatabasePath).toUtf8().constData());
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
    const QString folder = QFileInfo(Schema::DatabasePath).path();
    const bool hadFolder = QFileInfo::exists(folder);
    if (!QDir().mkpath(folder)) {
        std::fprintf(
            stderr, "%s\n",
            QStringLiteral("无法创建文件夹 %1。").arg(ShownPath(folder)).toUtf8().constData());
        return 1;
    }
    int code = 1;
    {
        TLedgerLock lock(Schema::DatabasePath);
        if (!lock.TryLock() && lock.Refuses()) {
            std::fprintf(stderr, "%s\n", lock.RefusalText().toUtf8().constData());
            return 1;
        }
        code = LegacyLedger::ImportAccess(QFile::decodeName(argv[2]));
    }
    if (code != 0 && !hadFolder) QDir().rmdir(folder); // only when still empty
    return code;
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

} // namespace

int main(int argc, char* argv[]) {
    // The process that reads an old ledger for a conversion; no window, no settings.
    if (argc == 3 && qstrcmp(argv[1], JetRowStream::Option) == 0)
        return JetRowServer::Run(QFile::decodeName(argv[2]));
    if (argc > 1 && qstrcmp(argv[1], "--create-database") == 0) return CreateDatabase(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--import-access") == 0) return ImportAccess(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--backup") == 0) return Backup(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--restore") == 0) return Restore(argc, argv);

    TApplication app(argc, argv);
    InitPennyvaleResources();
    InstallFontSubstitutions();
    std::unique_ptr<TStartCheck> check;
    if (argc > 1 && qstrcmp(argv[1], "--check-start") == 0) check = std::make_unique<TStartCheck>();
    if (!EnterLedgerHome(InstallLayout::RunsInstalled())) return 1;
    // One program at a time works on a ledger: the lock is held until the end of the run, and
    // a second start on the same ledger only says where the ledger is open. A stop signal ends
    // the run in order, so the lock does not outlive it.
    TStopSignals stopSignals;
    TLedgerGuard ledgerGuard(Schema::DatabasePath);
    if (!ledgerGuard.Start()) return 1;

    // Every step of the start and of the end is guarded: a failure is reported and the program
    // goes on as far as it can. An old Access ledger is offered for conversion first, before the
    // data module opens the file.
    bool goOn = true;
    RunGuarded([&] { goOn = LegacyLedger::OfferConversion(&stopSignals); });
    if (!goOn) return stopSignals.ExitCode();
    RunGuarded([] {
        dmMain = new TdmMain;
        dmMain->DataModuleCreate();
    });
    // A damaged ledger is named and a good backup offered in its place: a ledger that did not
    // open at once, an open one once its check, which runs while the login is up, has ended.
    RunGuarded([] { LedgerRecovery::StartCheck(); });
    RunGuarded([] {
        frmMain = new TfrmMain;
        frmMain->show(); // runs the login
    });
    int result = 1;
    if (frmMain) result = stopSignals.Received() ? stopSignals.ExitCode() : app.exec();
    RunGuarded([] {
        delete frmMain;
        frmMain = nullptr;
    });
    // A check still running (the login was left) is of no more use.
    RunGuarded([] { LedgerRecovery::EndCheck(); });
    // A run that changed the ledger leaves a backup copy of it.
    RunGuarded([] { LedgerRecovery::BackupAtEnd(); });
    RunGuarded([] {
        delete dmMain;
        dmMain = nullptr;
    });
    return check ? check->Result(result) : result;
}
