#include "platform/ErrorReport.h"

#include "platform/Exception.h"
#include "platform/MessagePresenter.h"

void ReportError(const std::exception& error) {
    MessagePresenter().Show(TMessageKind::Error, ErrorText(error));
}

void ReportCurrentException() {
    try {
        throw;
    } catch (const std::exception& error) {
        ReportError(error);
    } catch (...) {
        MessagePresenter().Show(TMessageKind::Error, QStringLiteral("未知错误"));
    }
}
