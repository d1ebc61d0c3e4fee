#pragma once

#include <QPageLayout>
#include <QPrinter>
#include <QString>
#include <functional>

class QChart;
class TStatementDocument;
class QWidget;

// What goes on paper: a chart on a landscape page of its own with its title, then the pages of
// a statement document (portrait when a chart comes first; else as the printer is set). Either
// may be missing.
struct TPrintJob {
    QChart* Chart = nullptr;
    QString ChartTitle;
    TStatementDocument* Document = nullptr;
};

namespace StatementPrint {

// The text at the foot of each page.
QString PageNumberText(int page, int pages);

// Prints the job on the printer (or a PDF writer), every page numbered at its foot; the document
// is laid out for the printer's page. Returns the number of pages, 0 when the printer could not
// be started, could not begin a page or could not finish.
int Print(QPagedPaintDevice& printer, const TPrintJob& job);

// Opens the print preview (QPrintPreviewDialog, modal) on a printer of the given orientation;
// paint prints the pages whenever the preview asks. From the preview the user prints to a
// printer or to a PDF file.
void Preview(QWidget* parent, QPageLayout::Orientation orientation,
             const std::function<void(QPrinter&)>& paint);

} // namespace StatementPrint
