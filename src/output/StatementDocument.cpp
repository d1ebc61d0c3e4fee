#include "output/StatementDocument.h"

#include "platform/Fonts.h"

#include <QBrush>
#include <QColor>
#include <QGuiApplication>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextTable>
#include <QTextTableFormat>

namespace {

const QColor HeaderShade(0xe4, 0xe4, 0xe4);
const QColor EmphasisShade(0xf2, 0xf2, 0xf2);

} // namespace

QFont TStatementDocument::Font(qreal pointSize) {
    // The installed Song-style family itself, not "宋体": a substituted name would leave the
    // choice of the embedded face to the font matching of the moment.
    const QString family = InstalledSongFamily();
    QFont font = family.isEmpty() ? QGuiApplication::font() : QFont(family);
    font.setPointSizeF(pointSize);
    return font;
}

TStatementDocument::TStatementDocument(const QString& title, const QStringList& subtitleLines)
    : FCursor(&FDocument) {
    FDocument.setDefaultFont(Font());
    FDocument.setDocumentMargin(0);
    AddBlock(title, 16, true, Qt::AlignHCenter, 0);
    for (const QString& line : subtitleLines)
        AddBlock(line, 10, false, Qt::AlignHCenter, 2);
}

void TStatementDocument::AddBlock(const QString& text, qreal pointSize, bool bold,
                                  Qt::Alignment alignment, qreal spaceBefore) {
    QTextBlockFormat block;
    block.setAlignment(alignment);
    block.setTopMargin(spaceBefore);
    QTextCharFormat chars;
    chars.setFont(Font(pointSize));
    chars.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    if (FEmpty)
        FCursor.setBlockFormat(block);
    else
        FCursor.insertBlock(block);
    FCursor.setBlockCharFormat(chars);
    FCursor.insertText(text, chars);
    FEmpty = false;
}

void TStatementDocument::AddHeading(const QString& text) {
    AddBlock(text, 12, true, Qt::AlignLeft, 14);
}

void TStatementDocument::AddParagraph(const QString& text) {
    AddBlock(text, 10, false, Qt::AlignLeft, 6);
}

void TStatementDocument::AddTable(const TStatementTable& table) {
    const int columns = int(table.Columns.size());
    if (columns == 0) return;
    const int rows = 1 + int(table.Rows.size()) + (table.Footer.isEmpty() ? 0 : 1);

    QTextTableFormat format;
    format.setHeaderRowCount(1);
    format.setBorder(0.5);
    format.setBorderBrush(QBrush(Qt::darkGray));
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderCollapse(true);
    format.setCellPadding(2);
    format.setCellSpacing(0);
    format.setTopMargin(4);
    format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    // The page's width shared as the grid shares its columns.
    int widths = 0;
    for (const TStatementTable::TColumn& column : table.Columns)
        widths += column.Width;
    bool allSized = true;
    for (const TStatementTable::TColumn& column : table.Columns)
        allSized = allSized && column.Width > 0;
    if (allSized) {
        QList<QTextLength> constraints;
        for (const TStatementTable::TColumn& column : table.Columns)
            constraints.append(
                QTextLength(QTextLength::PercentageLength, 100.0 * column.Width / widths));
        format.setColumnWidthConstraints(constraints);
    }

    // Text goes in cell by cell with one cursor moving on: far quicker on long statements than
    // looking each cell up.
    FCursor.movePosition(QTextCursor::End);
    QTextTable* text = FCursor.insertTable(rows, columns, format);
    QTextCursor cursor = text->cellAt(0, 0).firstCursorPosition();

    QTextCharFormat plain;
    plain.setFont(Font());
    QTextCharFormat bold = plain;
    bold.setFontWeight(QFont::Bold);
    QList<QTextBlockFormat> aligned;
    for (const TStatementTable::TColumn& column : table.Columns) {
        QTextBlockFormat block;
        block.setAlignment(column.Alignment);
        aligned.append(block);
    }
    const auto put = [&](const QStringList& cells, const QTextCharFormat& chars,
                         const QColor* shade, bool centred) {
        for (int c = 0; c < columns; ++c) {
            if (centred) {
                QTextBlockFormat block;
                block.setAlignment(Qt::AlignHCenter);
                cursor.setBlockFormat(block);
            } else if (table.Columns[c].Alignment != Qt::AlignLeft) {
                cursor.setBlockFormat(aligned[c]);
            }
            if (shade) {
                QTextTableCellFormat cell;
                cell.setBackground(*shade);
                text->cellAt(cursor).setFormat(cell);
            }
            if (c < cells.size() && !cells[c].isEmpty()) cursor.insertText(cells[c], chars);
            cursor.movePosition(QTextCursor::NextCell);
        }
    };
    QStringList captions;
    for (const TStatementTable::TColumn& column : table.Columns)
        captions.append(column.Caption);
    put(captions, bold, &HeaderShade, true);
    for (const TStatementTable::TRow& row : table.Rows)
        put(row.Cells, row.Emphasis ? bold : plain, row.Emphasis ? &EmphasisShade : nullptr,
            false);
    if (!table.Footer.isEmpty()) put(table.Footer, bold, &HeaderShade, false);

    FCursor.movePosition(QTextCursor::End);
}
