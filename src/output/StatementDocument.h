#pragma once

#include "output/StatementTable.h"

#include <QColor>
#include <QFont>
#include <QLineF>
#include <QList>
#include <QRectF>
#include <vector>

class QPainter;
class QPaintDevice;

// A statement laid out for paper: a title, the lines that say whose and which period it is,
// headings, short paragraphs and tables whose header row repeats at the top of every page they
// run onto, amounts right aligned, group rows and the footer sums in bold. Text is set in the
// installed CJK font standing in for "宋体", so a PDF made of it carries that font and its
// Chinese stays searchable text.
//
// It lays itself out on pages of a given size and paints them one by one. A year's details run
// to 100,000 rows: the layout measures each row once and keeps per page only what it paints, so
// the time grows with the rows, not with rows times pages.
class TStatementDocument {
public:
    TStatementDocument(const QString& title, const QStringList& subtitleLines);
    TStatementDocument(const TStatementDocument&) = delete;
    TStatementDocument& operator=(const TStatementDocument&) = delete;

    void AddHeading(const QString& text);
    void AddParagraph(const QString& text);
    void AddTable(TStatementTable table);

    // Lays the statement out on pages of that size in the device's pixels (fonts measured for
    // the device); returns the number of pages.
    int Paginate(QPaintDevice* device, const QSizeF& pageSize);
    int PageCount() const { return int(FPages.size()); }
    // Paints a page laid out by Paginate, its top left corner at the painter's origin.
    void PaintPage(QPainter& painter, int page) const;

    // The font statements are printed in (point sized, so it scales to any printer).
    static QFont Font(qreal pointSize = 10, bool bold = false);

private:
    enum class TStyle : quint8 { Title, Subtitle, Heading, Body, Bold };
    struct TPart {
        TStyle Style;
        QString Text;
        TStatementTable Table; // for a table part (Style Body, no text)
        bool IsTable = false;
    };
    struct TOp {
        enum TKind : quint8 { Write, Fill, Line } Kind;
        TStyle Style = TStyle::Body;
        int Flags = 0;
        QRectF Rect; // Text, Fill
        QLineF Segment;
        QString Text;
    };
    using TPage = std::vector<TOp>;

    void LayOutTable(const TStatementTable& table, QPaintDevice* device, const QSizeF& size,
                     qreal& y);
    void NewPage(qreal& y);

    QList<TPart> FParts;
    std::vector<TPage> FPages;
};
