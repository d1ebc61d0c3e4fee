#include "import/readers/StringPool.h"

QString TStringPool::operator()(const QString& text) {
    if (text.isEmpty()) return QString();
    const auto found = FTexts.constFind(text);
    if (found != FTexts.constEnd()) return *found;
    FTexts.insert(text);
    return text;
}
