#include "data/query/SelectText.h"

#include <vector>

namespace {

// One token of a statement, as far as telling a plain one-table select apart needs.
struct TToken {
    enum TKind { Word, Name, Literal, Symbol } Kind;
    QString Text; // a word as written, a quoted name without its quotes, a symbol
};

bool IsWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$' || c.unicode() >= 0x80;
}

// Splits the statement into words, quoted names, string literals and symbols; whitespace and
// comments go. A quote doubled inside a literal or a quoted name is part of it.
std::vector<TToken> Tokens(const QString& sql) {
    std::vector<TToken> tokens;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    // The text up to the closing quote; a doubled closing quote stands for itself.
    auto quoted = [&](QChar close, bool doubling) {
        QString text;
        ++i;
        while (i < n) {
            if (sql[i] == close) {
                if (doubling && i + 1 < n && sql[i + 1] == close) {
                    text += close;
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            text += sql[i++];
        }
        return text;
    };
    while (i < n) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            while (i < n && sql[i] != u'\n')
                ++i;
        } else if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
            const qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? n : end + 2;
        } else if (c == u'\'') {
            tokens.push_back({TToken::Literal, quoted(u'\'', true)});
        } else if (c == u'"') {
            tokens.push_back({TToken::Name, quoted(u'"', true)});
        } else if (c == u'`') {
            tokens.push_back({TToken::Name, quoted(u'`', true)});
        } else if (c == u'[') {
            tokens.push_back({TToken::Name, quoted(u']', false)});
        } else if (IsWordChar(c)) {
            const qsizetype start = i;
            while (i < n && IsWordChar(sql[i]))
                ++i;
            tokens.push_back({TToken::Word, sql.mid(start, i - start)});
        } else {
            tokens.push_back({TToken::Symbol, QString(c)});
            ++i;
        }
    }
    return tokens;
}

bool Is(const std::vector<TToken>& tokens, size_t i, TToken::TKind kind, const char* text) {
    return i < tokens.size() && tokens[i].Kind == kind &&
           tokens[i].Text.compare(QLatin1String(text), Qt::CaseInsensitive) == 0;
}

} // namespace

namespace SelectText {

QString PlainTable(const QString& sql, QString* reason) {
    static const QString General = QStringLiteral("只有单表的 select * 查询才能修改数据");
    auto refuse = [&](const QString& detail) {
        if (reason)
            *reason = detail.isEmpty()
                          ? General
                          : General + QStringLiteral("（") + detail + QStringLiteral("）");
        return QString();
    };
    const std::vector<TToken> t = Tokens(sql);
    if (!Is(t, 0, TToken::Word, "select")) return refuse(QString());
    if (!Is(t, 1, TToken::Symbol, "*")) return refuse(QStringLiteral("语句选出的不是全部列"));
    if (!Is(t, 2, TToken::Word, "from")) return refuse(QString());
    if (t.size() < 4 || (t[3].Kind != TToken::Word && t[3].Kind != TToken::Name))
        return refuse(QStringLiteral("语句不是从一张表中选取"));
    const QString table = t[3].Text;
    size_t i = 4;
    if (i < t.size() && !Is(t, i, TToken::Word, "where") && !Is(t, i, TToken::Word, "order") &&
        !Is(t, i, TToken::Word, "limit") && !Is(t, i, TToken::Symbol, ";"))
        return refuse(QStringLiteral("表名后面是“%1”").arg(t[i].Text));
    static const char* const Refused[] = {"select", "union",  "intersect", "except", "join",
                                          "group",  "having", "window",    "values"};
    for (; i < t.size(); ++i) {
        if (t[i].Kind == TToken::Symbol && t[i].Text == u';') {
            if (i + 1 < t.size()) return refuse(QStringLiteral("语句不止一条"));
            continue;
        }
        if (t[i].Kind != TToken::Word) continue;
        for (const char* word : Refused)
            if (t[i].Text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0)
                return refuse(QStringLiteral("语句含有 %1").arg(t[i].Text));
    }
    if (reason) reason->clear();
    return table;
}

} // namespace SelectText
