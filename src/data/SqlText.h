#pragma once

#include <QString>

// Text values spliced into SQL between the apostrophes of a statement's fixed fragments, with
// every apostrophe doubled, so a value can neither end the literal early nor change the
// statement's meaning: "... where PersonName = '" + SqlText(name) + "'".
inline QString SqlText(const QString& value) {
    QString escaped = value;
    return escaped.replace(u'\'', QStringLiteral("''"));
}
