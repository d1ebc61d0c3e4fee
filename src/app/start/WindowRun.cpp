#include "app/start/WindowRun.h"

#include "Resources.h"
#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/start/ConversionOffer.h"
#include "app/start/LedgerGuard.h"
#include "app/start/LedgerHome.h"
#include "app/start/LedgerRecovery.h"
#include "app/start/StartCheck.h"
#include "data/DataModule.h"
#include "data/Schema.h"
#include "platform/ErrorReport.h"
#include "platform/Fonts.h"
#include "platform/InstallLayout.h"
#include "platform/StopSignals.h"

#include <memory>

namespace WindowRun {

int Run(int argc, char* argv[]) {
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
    TLedgerGuard ledgerGuard(Schema::LedgerFilePath());
    if (!ledgerGuard.Start()) return 1;

    // Every step of the start and of the end is guarded: a failure is reported and the program
    // goes on as far as it can. An old Access ledger is offered for conversion first, before the
    // data module opens the file.
    bool goOn = true;
    RunGuarded([&] { goOn = ConversionOffer::Offer(&stopSignals); });
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

} // namespace WindowRun
