#include "platform/StopSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

int WriteEnd = -1;

void Handle(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    if (WriteEnd >= 0) {
        // A full pipe already holds a number, which is all the loop needs.
        [[maybe_unused]] const ssize_t written = ::write(WriteEnd, &number, 1);
    }
    errno = saved;
}

} // namespace

TStopSignals::TStopSignals() {
    if (::pipe2(FPipe, O_CLOEXEC | O_NONBLOCK) != 0) return; // signals keep their default
    WriteEnd = FPipe[1];
    FNotifier = new QSocketNotifier(FPipe[0], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, [this] { Read(); });
    struct sigaction action = {};
    action.sa_handler = Handle;
    sigemptyset(&action.sa_mask);
    // The handler is used once; the next signal of the kind takes its default course.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int i = 0; i < 3; ++i) {
        // A signal the program was started to ignore (SIGHUP under nohup) stays ignored.
        ::sigaction(Signals[i], nullptr, &FPrevious[i]);
        if (FPrevious[i].sa_handler != SIG_IGN) ::sigaction(Signals[i], &action, nullptr);
    }
}

TStopSignals::~TStopSignals() {
    if (FPipe[0] < 0) return;
    for (int i = 0; i < 3; ++i)
        ::sigaction(Signals[i], &FPrevious[i], nullptr);
    WriteEnd = -1;
    delete FNotifier;
    ::close(FPipe[0]);
    ::close(FPipe[1]);
}

void TStopSignals::Read() {
    unsigned char number = 0;
    while (::read(FPipe[0], &number, 1) == 1)
        if (!FSignal) FSignal = number;
    // Leaves every loop now running, the main one and any dialog's; a dialog opened after this
    // returns at once.
    if (FSignal) QCoreApplication::exit(ExitCode());
}
