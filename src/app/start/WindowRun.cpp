#include "app/start/WindowRun.h"

#include "Resources.h"
#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/start/ConversionOffer.h"
#include "app/start/LedgerGuard.h"
#include "app/start/LedgerHome.h"
#include "app/start/LedgerRecovery.h"
#include "app/start/ProgramArguments.h"
#include "app/start/ServerStart.h"
#include "app/start/StartCheck.h"
#include "data/Common.h"
#include "data/DataModule.h"
#include "data/Schema.h"
#include "platform/ErrorReport.h"
#include "platform/Exception.h"
#include "platform/Fonts.h"
#include "platform/InstallLayout.h"
#include "platform/StopSignals.h"

#include <QDir>
#include <cstdio>
#include <memory>

namespace {

// The book of this run: --ledger's (a relative file taken from the folder the program was
// started in), else the setting file's in the ledger folder, else the ledger file. False after
// a message when the location or the setting cannot be used.
bool ChooseLedger(const TProgramArguments& arguments, bool installed) {
    try {
        TLedgerLocation location =
            arguments.Location(installed ? LedgerHomeFolder() : QDir::currentPath());
        if (arguments.HasLedger && installed && !location.IsServer())
            location = TLedgerLocation::File(QDir::current().absoluteFilePath(location.FilePath()));
        TLedgerLocation::SetCurrent(location);
        return true;
    } catch (const EArgumentError& error) {
        std::fprintf(stderr, "%s\n", error.Message.toUtf8().constData());
        TCommon::ShowError(error.Message);
        return false;
    }
}

} // namespace

namespace WindowRun {

int Run(int argc, char* argv[], const TProgramArguments& arguments) {
    TApplication app(argc, argv);
    InitPennyvaleResources();
    InstallFontSubstitutions();
    std::unique_ptr<TStartCheck> check;
    if (arguments.CheckStart) check = std::make_unique<TStartCheck>();
    const bool installed = InstallLayout::RunsInstalled();
    if (!ChooseLedger(arguments, installed)) return 2;
    if (!EnterLedgerHome(installed)) return 1;
    TStopSignals stopSignals;

    // A book on a server is shared by design: no lock, no old-ledger question. A server that
    // cannot be reached is named, and the ledger file of this computer offered in its place.
    if (TLedgerLocation::Current().IsServer()) {
        ServerStart::TOutcome outcome = ServerStart::TOutcome::End;
        RunGuarded([&] {
            dmMain = new TdmMain;
            outcome = ServerStart::Open();
        });
        if (outcome != ServerStart::TOutcome::Open) {
            delete dmMain;
            dmMain = nullptr;
            if (outcome == ServerStart::TOutcome::End) return check ? check->Result(1) : 1;
            TLedgerLocation::SetCurrent(TLedgerLocation::File(TLedgerLocation::DefaultFile));
            if (!EnterLedgerHome(installed)) return 1; // a first ledger file, when installed
        }
    }
    // One program at a time works on a ledger file: the lock is held until the end of the run,
    // and a second start on the same ledger only says where the ledger is open. A stop signal
    // ends the run in order, so the lock does not outlive it.
    std::unique_ptr<TLedgerGuard> ledgerGuard;
    if (!dmMain) {
        ledgerGuard = std::make_unique<TLedgerGuard>(Schema::LedgerFilePath());
        if (!ledgerGuard->Start()) return 1;

        // Every step of the start and of the end is guarded: a failure is reported and the
        // program goes on as far as it can. An old Access ledger is offered for conversion first,
        // before the data module opens the file.
        bool goOn = true;
        RunGuarded([&] { goOn = ConversionOffer::Offer(&stopSignals); });
        if (!goOn) return stopSignals.ExitCode();
        RunGuarded([] {
            dmMain = new TdmMain;
            dmMain->DataModuleCreate();
        });
    }
    // A damaged ledger file is named and a good backup offered in its place: a ledger that did
    // not open at once, an open one once its check, which runs while the login is up, has ended.
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
    // A run that changed the ledger file leaves a backup copy of it.
    RunGuarded([] { LedgerRecovery::BackupAtEnd(); });
    RunGuarded([] {
        delete dmMain;
        dmMain = nullptr;
    });
    ledgerGuard.reset();
    return check ? check->Result(result) : result;
}

} // namespace WindowRun
