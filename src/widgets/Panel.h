#pragma once

#include <QColor>
#include <QFrame>

// A plain panel that groups controls and paints its own colour (the skin recolours panels).
class TPanel : public QFrame {
    Q_OBJECT

public:
    explicit TPanel(QWidget* parent = nullptr);

    QColor Color() const { return FColor; }
    void SetColor(const QColor& color);
    // Without a colour of its own the panel is transparent and its parent shows through.
    bool HasColor() const { return FColor.isValid(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor FColor;
};
