#pragma once

#include "platform/MessagePresenter.h"

#include <QObject>

class TfrmLogin;

// pennyvale --check-start: the program starts as usual and, as soon as the login is shown,
// prints where it found its ledger, help file, tax page and settings file, waits for the check of
// the ledger, then leaves the login as 取消 does. A message box on the way (a ledger that cannot be
// opened, say) is printed instead of shown and fails the check. The package test starts an
// installed program this way; the check writes nothing that a normal start would not.
class TStartCheck final : public QObject, public TMessagePresenter {
public:
    TStartCheck();
    ~TStartCheck() override;

    bool Show(TMessageKind kind, const QString& text) override;
    // The program's exit status: the run's own, or 1 when a message box appeared or the login
    // was never shown, or the ledger was not open.
    int Result(int exitCode) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LoginShown(TfrmLogin* login);

    bool FLoginShown = false;
    bool FLedgerOpen = false;
    bool FMessageShown = false;
};
