#include "widgets/grid/GridFooter.h"

#include "widgets/grid/GridModel.h"

#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QTreeView>

TGridFooter::TGridFooter(QTreeView* view, TGridModel* model, QWidget* parent)
    : QWidget(parent), FView(view), FModel(model) {
    setObjectName(QStringLiteral("Footer"));
    setAccessibleName(QStringLiteral("合计"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    QHeaderView* header = view->header();
    auto repaint = [this] { update(); };
    connect(header, &QHeaderView::sectionResized, this, repaint);
    connect(header, &QHeaderView::sectionMoved, this, repaint);
    connect(header, &QHeaderView::geometriesChanged, this, repaint);
    connect(header, &QHeaderView::sectionCountChanged, this, repaint);
    connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, this, repaint);
    // the sums are taken when next painted, once per change of the rows
    connect(model, &TGridModel::FootersChanged, this, repaint);
}

void TGridFooter::SetColor(const QColor& color) {
    FColor = color;
    update();
}

QSize TGridFooter::sizeHint() const {
    return {100, fontMetrics().height() + 8};
}

QRect TGridFooter::CellRect(int column) const {
    QHeaderView* header = FView->header();
    if (column < 0 || column >= header->count() || header->isSectionHidden(column)) return {};
    // the header's sections are placed in the view's viewport, which sits inside its frame
    const QPoint origin = FView->viewport()->mapTo(parentWidget(), QPoint(0, 0)) - pos();
    const int x = origin.x() + header->sectionViewportPosition(column);
    return QRect(x, 0, header->sectionSize(column), height());
}

QString TGridFooter::CellText(int column) const {
    return FModel->FooterText(column);
}

void TGridFooter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), FColor.isValid() ? FColor : palette().color(QPalette::Button));
    // The columns' horizontal span: the viewport's left edge and width, over the strip's height
    // (the viewport itself lies above the strip).
    const int left = FView->viewport()->mapTo(parentWidget(), QPoint(0, 0)).x() - x();
    const QRect viewArea(left, 0, FView->viewport()->width(), height());
    painter.setClipRect(viewArea);
    const QColor line = palette().color(QPalette::Mid);
    for (int column = 0; column < FModel->columnCount(); ++column) {
        const TGridColumn* description = FModel->ColumnAt(column);
        if (!description || description->Footer == TFooterKind::None) continue;
        const QRect cell = CellRect(column).adjusted(1, 2, -2, -2);
        if (!cell.isValid() || !cell.intersects(viewArea)) continue;
        painter.setPen(line);
        painter.drawRect(cell);
        painter.setPen(palette().color(QPalette::WindowText));
        const Qt::Alignment horizontal = description->Alignment & Qt::AlignHorizontal_Mask;
        painter.drawText(cell.adjusted(3, 0, -3, 0),
                         int((horizontal ? horizontal : Qt::AlignRight) | Qt::AlignVCenter),
                         CellText(column));
    }
    UpdateAccessibleText();
}

// A screen reader reads the footer's sums as its description.
void TGridFooter::UpdateAccessibleText() {
    QStringList texts;
    for (int column = 0; column < FModel->columnCount(); ++column) {
        const TGridColumn* description = FModel->ColumnAt(column);
        if (!description || description->Footer == TFooterKind::None || !description->Visible)
            continue;
        texts << description->Caption + QLatin1Char(' ') + CellText(column);
    }
    const QString description = texts.join(QStringLiteral("；"));
    if (accessibleDescription() != description) setAccessibleDescription(description);
}
