#pragma once

#include <QString>

// Text values spliced into SQL between the apostrophes of a statement's fixed fragments, with
// every apostrophe doubled, so a value can neither end the literal early nor change the
// statement's meaning: "... where PersonName = '" + SqlText(name) + "'".
inline QString SqlText(const QString& value) {
    QString escaped = value;
    return escaped.replace(u'\'', QStringLiteral("''"));
}

// Text matched literally inside a LIKE pattern between the statement's wildcards: "%", "_" and
// the escape character itself are escaped, apostrophes doubled; the statement names the escape
// character: "... like '%" + SqlLikeText(text) + "%' escape '" + LikeEscape + "'".
inline constexpr char16_t LikeEscape = u'\\';
inline QString SqlLikeText(const QString& value) {
    QString pattern;
    pattern.reserve(value.size() + 8);
    for (QChar c : value) {
        if (c == LikeEscape || c == u'%' || c == u'_') pattern += QChar(LikeEscape);
        pattern += c;
    }
    return SqlText(pattern);
}
