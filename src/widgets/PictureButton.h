#pragma once

#include <QAbstractButton>
#include <QPixmap>
#include <functional>

// A button drawn entirely by its picture (the caption is part of the picture), with mouse-move
// and mouse-leave events for hover pictures, and optionally rounded corners.
class TPictureButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit TPictureButton(QWidget* parent = nullptr);

    void SetPicture(const QPixmap& picture);
    QPixmap Picture() const { return FPicture; }
    // Clips the button to a rectangle with corners of this radius (0: square).
    void SetCornerRadius(int radius);

    std::function<void()> OnMouseMove;  // the mouse entered or moved over the button
    std::function<void()> OnMouseLeave; // the mouse left the button

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    // Enter presses a focused button as Space does, as it presses the program's other buttons.
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateMask();

    QPixmap FPicture;
    int FCornerRadius = 0;
};
