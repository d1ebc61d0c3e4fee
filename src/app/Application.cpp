#include "app/Application.h"

#include "platform/ErrorReport.h"

#include <QIcon>

namespace {

bool TerminateRequested = false;

std::function<void()>& TerminateAction() {
    static std::function<void()> action;
    return action;
}

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Pennyvale"));
    setApplicationDisplayName(QStringLiteral("Pennyvale"));
    // The desktop entry and the icon an installation puts in the icon theme (none in the build
    // tree, where the window keeps the system's default).
    setDesktopFileName(QStringLiteral("pennyvale"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("pennyvale")));
}

// The last line of defence: handlers are guarded one by one, and whatever still escapes one is
// reported here rather than ending the program.
bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportCurrentException();
        return false;
    }
}

void TApplication::Terminate() {
    TerminateRequested = true;
    if (TerminateAction()) {
        TerminateAction()();
        return;
    }
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

bool TApplication::Terminated() {
    return TerminateRequested;
}

void TApplication::SetTerminateAction(std::function<void()> action) {
    TerminateAction() = std::move(action);
}

void TApplication::ResetTerminated() {
    TerminateRequested = false;
}
