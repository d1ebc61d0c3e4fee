#include "widgets/PictureButton.h"

#include "platform/ErrorReport.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>

TPictureButton::TPictureButton(QWidget* parent) : QAbstractButton(parent) {
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void TPictureButton::SetPicture(const QPixmap& picture) {
    FPicture = picture;
    update();
}

void TPictureButton::SetCornerRadius(int radius) {
    FCornerRadius = radius;
    UpdateMask();
}

QSize TPictureButton::sizeHint() const {
    return FPicture.isNull() ? QSize(60, 23) : FPicture.deviceIndependentSize().toSize();
}

void TPictureButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect(), FPicture);
    if (isDown()) painter.fillRect(rect(), QColor(0, 0, 0, 40)); // pressed: a little darker
    if (hasFocus()) {
        QPen pen(QColor(255, 255, 255, 200), 1, Qt::DotLine);
        painter.setPen(pen);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.drawRoundedRect(QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5),
                                std::max(0, FCornerRadius - 2), std::max(0, FCornerRadius - 2));
    }
}

void TPictureButton::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && !event->isAutoRepeat()) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void TPictureButton::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove) RunGuarded(OnMouseMove);
    QAbstractButton::mouseMoveEvent(event);
}

void TPictureButton::enterEvent(QEnterEvent* event) {
    if (OnMouseMove) RunGuarded(OnMouseMove);
    QAbstractButton::enterEvent(event);
}

void TPictureButton::leaveEvent(QEvent* event) {
    if (OnMouseLeave) RunGuarded(OnMouseLeave);
    QAbstractButton::leaveEvent(event);
}

void TPictureButton::resizeEvent(QResizeEvent* event) {
    QAbstractButton::resizeEvent(event);
    UpdateMask();
}

void TPictureButton::UpdateMask() {
    if (FCornerRadius <= 0) {
        clearMask();
        return;
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), FCornerRadius, FCornerRadius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}
