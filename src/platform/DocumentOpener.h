#pragma once

#include <QString>
#include <functional>

// Opens a document or address with the system's handler for it (help file, web page,
// calculator). Replaceable, so tests can see what would have been opened.
using TDocumentOpener = std::function<bool(const QString& pathOrUrl)>;

bool OpenDocument(const QString& pathOrUrl);
// Installs an opener; an empty function restores the system's.
void SetDocumentOpener(TDocumentOpener opener);
