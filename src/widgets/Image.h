#pragma once

#include <QPixmap>
#include <QWidget>

// A picture, stretched to fill the widget.
class TImage : public QWidget {
    Q_OBJECT

public:
    explicit TImage(QWidget* parent = nullptr);

    void SetPicture(const QPixmap& picture);
    QPixmap Picture() const { return FPicture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap FPicture;
};
