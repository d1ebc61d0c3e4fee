#pragma once

#include <QObject>
#include <csignal>

class QSocketNotifier;

// Turns the signals with which the system asks a program to stop (SIGTERM at logout and
// shutdown, SIGHUP when its terminal closes, SIGINT for Ctrl+C) into an orderly end: every
// running event loop is left, as when the main window is closed, so the end-of-run steps still
// run and the ledger's lock file is removed. A second signal of a kind ends the program at
// once, as it would without this, should the orderly end hang. A signal that was ignored when
// the program started (SIGHUP under nohup) stays ignored.
//
// The signal handler only writes the signal's number into a pipe; the event loop reads it.
class TStopSignals final : public QObject {
public:
    // Installs the handlers; one instance at a time.
    TStopSignals();
    // Puts the previous handlers back.
    ~TStopSignals() override;

    // Whether a stop signal has come, and the exit status that says so (128 + its number).
    bool Received() const { return FSignal != 0; }
    int ExitCode() const { return FSignal ? 128 + FSignal : 0; }

private:
    void Read();

    static inline const int Signals[] = {SIGTERM, SIGHUP, SIGINT};
    struct sigaction FPrevious[3] = {};
    int FPipe[2] = {-1, -1};
    QSocketNotifier* FNotifier = nullptr;
    int FSignal = 0;
};
