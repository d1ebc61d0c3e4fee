#include "forms/PlaceholderPage.h"

#include <QLabel>
#include <QVBoxLayout>

void AddPlaceholderPage(QWidget* form) {
    auto* layout = new QVBoxLayout(form);
    auto* heading = new QLabel(form->windowTitle(), form);
    heading->setObjectName(QStringLiteral("lblHeading"));
    heading->setAlignment(Qt::AlignCenter);
    QFont font = heading->font();
    font.setPixelSize(24);
    font.setBold(true);
    heading->setFont(font);
    layout->addWidget(heading);
}
