#pragma once

#include "output/StatementTable.h"

#include <QFont>
#include <QTextCursor>
#include <QTextDocument>

// A statement laid out for paper: a title, the lines that say whose and which period it is,
// headings, short paragraphs and tables whose header row repeats on every page, amounts right
// aligned, the footer sums in bold. Text is set in the installed CJK font standing in for "宋体",
// so a PDF made of it carries that font and its Chinese stays searchable text.
class TStatementDocument {
public:
    TStatementDocument(const QString& title, const QStringList& subtitleLines);
    TStatementDocument(const TStatementDocument&) = delete;
    TStatementDocument& operator=(const TStatementDocument&) = delete;

    void AddHeading(const QString& text);
    void AddParagraph(const QString& text);
    void AddTable(const TStatementTable& table);

    QTextDocument& Document() { return FDocument; }

    // The font statements are printed in (point sized, so it scales to any printer).
    static QFont Font(qreal pointSize = 10);

private:
    void AddBlock(const QString& text, qreal pointSize, bool bold, Qt::Alignment alignment,
                  qreal spaceBefore);

    QTextDocument FDocument;
    QTextCursor FCursor;
    bool FEmpty = true;
};
