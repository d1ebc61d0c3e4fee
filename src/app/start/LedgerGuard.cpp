#include "app/start/LedgerGuard.h"

#include "data/Common.h"
#include "data/DataModule.h"

TLedgerGuard::TLedgerGuard(const QString& ledgerPath) : FLock(ledgerPath) {}

TLedgerGuard::~TLedgerGuard() {
    TdmMain::BeforeOpen = nullptr;
}

bool TLedgerGuard::Start() {
    if (!FLock.TryLock() && FLock.Refuses()) {
        TCommon::ShowError(FLock.RefusalText());
        return false;
    }
    TdmMain::BeforeOpen = [this] {
        if (!FLock.TryLock() && FLock.Refuses())
            throw ELedgerFileError(TLedgerProblem::Busy, FLock.RefusalText());
    };
    return true;
}
