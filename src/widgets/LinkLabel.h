#pragma once

#include <QLabel>

// A caption that works as a link: red and underlined, transparent over what lies beneath, a
// hand cursor, clicked by the mouse or, when it has the focus, by Enter or Space. It takes the
// focus with Tab, and screen readers announce it as a link with a press action.
class TLinkLabel : public QLabel {
    Q_OBJECT

public:
    explicit TLinkLabel(const QString& caption, QWidget* parent = nullptr);

    // Clicks the link as the user would.
    void Click();

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool FPressed = false;
};
