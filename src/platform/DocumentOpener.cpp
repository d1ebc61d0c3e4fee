#include "platform/DocumentOpener.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {

bool OpenWithSystem(const QString& pathOrUrl) {
    const QUrl url = QFileInfo::exists(pathOrUrl) ? QUrl::fromLocalFile(pathOrUrl)
                                                  : QUrl::fromUserInput(pathOrUrl);
    return QDesktopServices::openUrl(url);
}

TDocumentOpener& Opener() {
    static TDocumentOpener opener;
    return opener;
}

} // namespace

bool OpenDocument(const QString& pathOrUrl) {
    return Opener() ? Opener()(pathOrUrl) : OpenWithSystem(pathOrUrl);
}

void SetDocumentOpener(TDocumentOpener opener) {
    Opener() = std::move(opener);
}
