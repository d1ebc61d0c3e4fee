#include "forms/ButtonBar.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace {

// Named for the tests; never pressed by Enter in a field.
QPushButton* BarButton(const QString& name, const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

} // namespace

TButtonBar FillButtonBar(QWidget* panel, int margin, int spacing) {
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(margin, margin, margin, margin);
    if (spacing >= 0) row->setSpacing(spacing);
    const TButtonBar bar{BarButton(QStringLiteral("sbAppend"), QStringLiteral("新增"), panel),
                         BarButton(QStringLiteral("sbSave"), QStringLiteral("保存"), panel),
                         BarButton(QStringLiteral("sbCancel"), QStringLiteral("取消"), panel),
                         BarButton(QStringLiteral("sbDelete"), QStringLiteral("删除"), panel),
                         BarButton(QStringLiteral("sbQuit"), QStringLiteral("退出"), panel)};
    for (QPushButton* button : {bar.sbAppend, bar.sbSave, bar.sbCancel, bar.sbDelete, bar.sbQuit})
        row->addWidget(button);
    row->addStretch(1);
    return bar;
}
