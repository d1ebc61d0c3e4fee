#include "platform/ErrorReport.h"

#include "platform/Exception.h"
#include "platform/MessagePresenter.h"

#include <QDebug>

namespace {

// The last resort, for a report that no box can carry: standard error, and the program goes on.
void ReportToStandardError(const char* text) noexcept {
    try {
        qCritical("%s", text);
    } catch (...) { // a message handler that throws: nothing is left to tell
    }
}

void Report(const QString& text) noexcept {
    try {
        MessagePresenter().Show(TMessageKind::Error, text);
        return;
    } catch (const std::exception& failure) {
        try {
            ReportToStandardError(qPrintable(text + QStringLiteral("（无法显示提示框：") +
                                             QString::fromUtf8(failure.what()) + u'）'));
            return;
        } catch (...) {
        }
    } catch (...) {
        try {
            ReportToStandardError(qPrintable(text));
            return;
        } catch (...) {
        }
    }
    ReportToStandardError("Pennyvale: an error could not be reported");
}

} // namespace

void ReportError(const std::exception& error) noexcept {
    try {
        Report(ErrorText(error));
    } catch (...) {
        ReportToStandardError("Pennyvale: an error could not be reported");
    }
}

void ReportCurrentException() noexcept {
    try {
        throw;
    } catch (const std::exception& error) {
        ReportError(error);
    } catch (...) {
        try {
            Report(QStringLiteral("未知错误"));
        } catch (...) {
            ReportToStandardError("Pennyvale: unknown error");
        }
    }
}
