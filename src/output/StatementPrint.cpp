#include "output/StatementPrint.h"

#include "output/StatementDocument.h"

#include <QChart>
#include <QGraphicsScene>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace {

// The foot of a page kept for its number, in points.
constexpr qreal FooterPoints = 24;

// The device's dots per inch: the printer's resolution, or the PDF writer's.
int Resolution(const QPagedPaintDevice& printer) {
    return printer.logicalDpiX();
}

qreal Points(const QPagedPaintDevice& printer, qreal points) {
    return points * Resolution(printer) / 72.0;
}

void PaintPageNumber(QPainter& painter, const QPagedPaintDevice& printer, int page, int pages) {
    const QRectF paper = printer.pageLayout().paintRectPixels(Resolution(printer));
    const QRectF foot(0, paper.height() - Points(printer, FooterPoints), paper.width(),
                      Points(printer, FooterPoints));
    painter.save();
    painter.setFont(TStatementDocument::Font(9));
    painter.setPen(Qt::black);
    painter.drawText(foot, Qt::AlignHCenter | Qt::AlignBottom,
                     StatementPrint::PageNumberText(page, pages));
    painter.restore();
}

// The chart scaled into the page below its title, keeping its proportions; the chart draws
// itself (bars, values, axes, legend), so it stays vector graphics and text.
void PaintChart(QPainter& painter, const QPagedPaintDevice& printer, QChart& chart,
                const QString& title) {
    const QRectF paper = printer.pageLayout().paintRectPixels(Resolution(printer));
    painter.save();
    const qreal titleHeight = Points(printer, 30);
    QFont font = TStatementDocument::Font(16);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRectF(0, 0, paper.width(), titleHeight), Qt::AlignCenter, title);
    painter.restore();
    const QRectF area(0, titleHeight, paper.width(),
                      paper.height() - titleHeight - Points(printer, FooterPoints));
    QGraphicsScene* scene = chart.scene();
    if (!scene) return;
    painter.setRenderHint(QPainter::Antialiasing);
    scene->render(&painter, area, chart.sceneBoundingRect(), Qt::KeepAspectRatio);
}

} // namespace

namespace StatementPrint {

QString PageNumberText(int page, int pages) {
    return QStringLiteral("第 %1 页，共 %2 页").arg(page).arg(pages);
}

int Print(QPagedPaintDevice& printer, const TPrintJob& job) {
    const bool both = job.Chart && job.Document;
    if (both) printer.setPageOrientation(QPageLayout::Landscape);

    QPainter painter;
    if (!painter.begin(&printer)) return 0;

    // The document is laid out for its pages (portrait after a chart) less the foot, measured in
    // the printer's own pixels so that point sized fonts come out at their size.
    int documentPages = 0;
    if (job.Document) {
        QPageLayout layout = printer.pageLayout();
        if (both) layout.setOrientation(QPageLayout::Portrait);
        const QRectF paper = layout.paintRectPixels(Resolution(printer));
        documentPages = job.Document->Paginate(
            &printer, QSizeF(paper.width(), paper.height() - Points(printer, FooterPoints)));
    }
    const int pages = (job.Chart ? 1 : 0) + documentPages;

    int page = 0;
    if (job.Chart) {
        PaintChart(painter, printer, *job.Chart, job.ChartTitle);
        PaintPageNumber(painter, printer, ++page, pages);
    }
    if (job.Document) {
        if (both) printer.setPageOrientation(QPageLayout::Portrait); // from the next page on
        for (int index = 0; index < documentPages; ++index) {
            if (page > 0 && !printer.newPage()) {
                painter.end();
                return 0;
            }
            job.Document->PaintPage(painter, index);
            PaintPageNumber(painter, printer, ++page, pages);
        }
    }
    return painter.end() ? pages : 0;
}

void Preview(QWidget* parent, QPageLayout::Orientation orientation,
             const std::function<void(QPrinter&)>& paint) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(orientation);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setObjectName(QStringLiteral("PrintPreview"));
    preview.setWindowTitle(QStringLiteral("打印预览"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&paint](QPrinter* target) { paint(*target); });
    preview.resize(900, 700);
    preview.exec();
}

} // namespace StatementPrint
