#include "output/StatementDocument.h"

#include "platform/Fonts.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QPainter>
#include <algorithm>

namespace {

const QColor HeaderShade(0xe4, 0xe4, 0xe4);
const QColor EmphasisShade(0xf2, 0xf2, 0xf2);

// Points in the device's pixels.
qreal Points(const QPaintDevice* device, qreal points) {
    return points * device->logicalDpiY() / 72.0;
}

} // namespace

QFont TStatementDocument::Font(qreal pointSize, bool bold) {
    // The installed Song-style family itself, not "宋体": a substituted name would leave the
    // choice of the embedded face to the font matching of the moment.
    const QString family = InstalledSongFamily();
    QFont font = family.isEmpty() ? QGuiApplication::font() : QFont(family);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

namespace {

QFont FontOf(quint8 style) {
    switch (style) {
    case 0: // title
        return TStatementDocument::Font(16, true);
    case 2: // heading
        return TStatementDocument::Font(12, true);
    case 4: // bold
        return TStatementDocument::Font(10, true);
    default:
        return TStatementDocument::Font(10);
    }
}

} // namespace

TStatementDocument::TStatementDocument(const QString& title, const QStringList& subtitleLines) {
    FParts.append({TStyle::Title, title, {}});
    for (const QString& line : subtitleLines)
        FParts.append({TStyle::Subtitle, line, {}});
}

void TStatementDocument::AddHeading(const QString& text) {
    FParts.append({TStyle::Heading, text, {}});
}

void TStatementDocument::AddParagraph(const QString& text) {
    FParts.append({TStyle::Body, text, {}});
}

void TStatementDocument::AddTable(TStatementTable table) {
    if (table.Columns.isEmpty()) return;
    FParts.append({TStyle::Body, QString(), std::move(table), true});
}

void TStatementDocument::NewPage(qreal& y) {
    FPages.emplace_back();
    y = 0;
}

int TStatementDocument::Paginate(QPaintDevice* device, const QSizeF& size) {
    FPages.clear();
    qreal y = 0;
    NewPage(y);
    for (const TPart& part : FParts) {
        if (part.IsTable) {
            y += Points(device, 4);
            LayOutTable(part.Table, device, size, y);
            continue;
        }
        const QFontMetricsF metrics(FontOf(quint8(part.Style)), device);
        const bool centred = part.Style == TStyle::Title || part.Style == TStyle::Subtitle;
        const int flags = (centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::TextWordWrap;
        const qreal space = part.Style == TStyle::Heading ? Points(device, 14)
                            : part.Style == TStyle::Body  ? Points(device, 6)
                            : part.Style == TStyle::Title ? 0
                                                          : Points(device, 2);
        const qreal height =
            metrics.boundingRect(QRectF(0, 0, size.width(), 1e9), flags, part.Text).height();
        // a heading keeps a few lines of what follows it on its page
        const qreal keep = part.Style == TStyle::Heading ? metrics.height() * 4 : 0;
        if (y > 0 && y + space + height + keep > size.height()) NewPage(y);
        if (y > 0) y += space;
        TOp op{TOp::Write, part.Style, flags, QRectF(0, y, size.width(), height), {}, part.Text};
        FPages.back().push_back(std::move(op));
        y += height;
    }
    return PageCount();
}

void TStatementDocument::LayOutTable(const TStatementTable& table, QPaintDevice* device,
                                     const QSizeF& size, qreal& y) {
    const int columns = int(table.Columns.size());
    const QFontMetricsF plain(FontOf(quint8(TStyle::Body)), device);
    const QFontMetricsF bold(FontOf(quint8(TStyle::Bold)), device);
    const qreal pad = Points(device, 2);

    // The page's width shared as the grid shares its columns (evenly where it does not say).
    int widths = 0;
    bool allSized = true;
    for (const TStatementTable::TColumn& column : table.Columns) {
        widths += column.Width;
        allSized = allSized && column.Width > 0;
    }
    std::vector<qreal> left(columns + 1, 0);
    for (int c = 0; c < columns; ++c)
        left[c + 1] = left[c] + size.width() * (allSized ? qreal(table.Columns[c].Width) / widths
                                                         : 1.0 / columns);

    // The height of a row: one line, or the lines its longest wrapped cell takes (never more
    // than a page holds under the header).
    const auto heightOf = [&](const QStringList& cells, const QFontMetricsF& metrics, qreal limit) {
        qreal height = metrics.height();
        for (int c = 0; c < columns && c < cells.size(); ++c) {
            const qreal width = left[c + 1] - left[c] - 2 * pad;
            if (cells[c].isEmpty() || metrics.horizontalAdvance(cells[c]) <= width) continue;
            height = std::max(
                height, metrics.boundingRect(QRectF(0, 0, width, 1e9), Qt::TextWordWrap, cells[c])
                            .height());
        }
        return std::min(height + 2 * pad, limit);
    };

    QStringList captions;
    for (const TStatementTable::TColumn& column : table.Columns)
        captions.append(column.Caption);
    const qreal headerHeight = heightOf(captions, bold, size.height() / 4);
    const qreal rowLimit = size.height() - headerHeight;

    qreal top = y; // where the table's part on this page begins
    const auto closePart = [&] {
        TPage& page = FPages.back();
        for (int c = 0; c <= columns; ++c)
            page.push_back({TOp::Line, TStyle::Body, 0, {}, QLineF(left[c], top, left[c], y), {}});
        page.push_back({TOp::Line, TStyle::Body, 0, {}, QLineF(0, top, size.width(), top), {}});
    };
    const auto putRow = [&](const QStringList& cells, TStyle style, const QColor* shade,
                            qreal height, bool centred) {
        TPage& page = FPages.back();
        if (shade)
            page.push_back({TOp::Fill,
                            style,
                            int(shade == &HeaderShade),
                            QRectF(0, y, size.width(), height),
                            {},
                            {}});
        for (int c = 0; c < columns && c < cells.size(); ++c) {
            if (cells[c].isEmpty()) continue;
            const Qt::Alignment alignment =
                centred ? Qt::AlignHCenter : table.Columns[c].Alignment & Qt::AlignHorizontal_Mask;
            page.push_back(
                {TOp::Write,
                 style,
                 int(alignment | Qt::AlignTop | Qt::TextWordWrap),
                 QRectF(left[c] + pad, y + pad, left[c + 1] - left[c] - 2 * pad, height - 2 * pad),
                 {},
                 cells[c]});
        }
        y += height;
        page.push_back({TOp::Line, TStyle::Body, 0, {}, QLineF(0, y, size.width(), y), {}});
    };
    const auto putHeader = [&] {
        top = y;
        putRow(captions, TStyle::Bold, &HeaderShade, headerHeight, true);
    };
    const auto room = [&](qreal height) {
        if (y + height <= size.height()) return;
        closePart();
        NewPage(y);
        putHeader();
    };

    const qreal first =
        table.Rows.isEmpty() ? 0 : heightOf(table.Rows.first().Cells, plain, rowLimit);
    if (y > 0 && y + headerHeight + first > size.height()) NewPage(y);
    putHeader();
    for (const TStatementTable::TRow& row : table.Rows) {
        const QFontMetricsF& metrics = row.Emphasis ? bold : plain;
        const qreal height = heightOf(row.Cells, metrics, rowLimit);
        room(height);
        putRow(row.Cells, row.Emphasis ? TStyle::Bold : TStyle::Body,
               row.Emphasis ? &EmphasisShade : nullptr, height, false);
    }
    if (!table.Footer.isEmpty()) {
        const qreal height = heightOf(table.Footer, bold, rowLimit);
        room(height);
        putRow(table.Footer, TStyle::Bold, &HeaderShade, height, false);
    }
    closePart();
}

void TStatementDocument::PaintPage(QPainter& painter, int page) const {
    if (page < 0 || page >= PageCount()) return;
    painter.save();
    QFont fonts[5];
    for (quint8 style = 0; style < 5; ++style)
        fonts[style] = FontOf(style);
    QPen line(Qt::darkGray);
    line.setWidthF(Points(painter.device(), 0.5));
    int current = -1;
    // fills first, so that lines and text lie on top
    for (const TOp& op : FPages[page])
        if (op.Kind == TOp::Fill) painter.fillRect(op.Rect, op.Flags ? HeaderShade : EmphasisShade);
    painter.setPen(line);
    for (const TOp& op : FPages[page])
        if (op.Kind == TOp::Line) painter.drawLine(op.Segment);
    painter.setPen(Qt::black);
    for (const TOp& op : FPages[page]) {
        if (op.Kind != TOp::Write) continue;
        if (int(op.Style) != current) {
            current = int(op.Style);
            painter.setFont(fonts[current]);
        }
        painter.drawText(op.Rect, op.Flags, op.Text);
    }
    painter.restore();
}
