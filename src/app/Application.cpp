#include "app/Application.h"

#include "platform/ErrorReport.h"

#include <QLibraryInfo>
#include <QLocale>

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
    UseChineseLocale();
    // Qt's own texts (确定, 取消 in message boxes, the date picker's menus) in Chinese. Without
    // the translation installed they stay in English; nothing else depends on it.
    if (FQtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                           QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(&FQtTranslator);
}

void TApplication::UseChineseLocale() {
    // Dates and numbers as in China, whatever the system's locale (2026/12/8, not 8 Dec 2026).
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China));
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
