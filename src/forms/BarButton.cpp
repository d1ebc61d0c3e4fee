#include "forms/BarButton.h"

#include <QPushButton>

QPushButton* BarButton(const QString& name, const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}
