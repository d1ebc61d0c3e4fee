#include "widgets/Panel.h"

#include <QPainter>

TPanel::TPanel(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::NoFrame);
}

void TPanel::SetColor(const QColor& color) {
    FColor = color;
    update();
}

void TPanel::paintEvent(QPaintEvent* event) {
    if (FColor.isValid()) QPainter(this).fillRect(rect(), FColor);
    QFrame::paintEvent(event);
}
