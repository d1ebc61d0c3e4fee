#include "forms/ButtonBar.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>

namespace {

// Named for the tests; never pressed by Enter in a field.
QPushButton* BarButton(const QString& name, const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

// Hints on every button; Ctrl+N and Ctrl+S press 新增 and 保存 anywhere in the form (while they
// are enabled), and a click leaves the focus where it is.
void AddKeyboardAids(QWidget* form, QWidget* panel, const TButtonBar& bar) {
    const std::pair<QPushButton*, const char*> hints[] = {{bar.sbAppend, "新增一笔记录"},
                                                          {bar.sbSave, "保存编辑区的内容"},
                                                          {bar.sbCancel, "放弃尚未保存的输入"},
                                                          {bar.sbDelete, "删除选中的记录"},
                                                          {bar.sbQuit, "关闭本窗口"}};
    for (auto [button, hint] : hints) {
        button->setToolTip(QString::fromUtf8(hint));
        button->setFocusPolicy(Qt::TabFocus);
    }
    panel->setFocusPolicy(Qt::ClickFocus); // takes the focus from the fields when leaving
    for (auto [button, keys] : {std::pair{bar.sbAppend, QKeySequence(Qt::CTRL | Qt::Key_N)},
                                std::pair{bar.sbSave, QKeySequence(Qt::CTRL | Qt::Key_S)}}) {
        auto* shortcut = new QShortcut(keys, form);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        QObject::connect(shortcut, &QShortcut::activated, button, [button = button] {
            if (button->isEnabled()) button->click();
        });
        button->setToolTip(button->toolTip() + QStringLiteral("（") +
                           keys.toString(QKeySequence::NativeText) + QStringLiteral("）"));
    }
}

} // namespace

TButtonBar FillButtonBar(QWidget* form, QWidget* panel, const TButtonBarStyle& style) {
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(style.Margins);
    if (style.Spacing >= 0) row->setSpacing(style.Spacing);
    const TButtonBar bar{BarButton(QStringLiteral("sbAppend"), QStringLiteral("新增"), panel),
                         BarButton(QStringLiteral("sbSave"), QStringLiteral("保存"), panel),
                         BarButton(QStringLiteral("sbCancel"), QStringLiteral("取消"), panel),
                         BarButton(QStringLiteral("sbDelete"), QStringLiteral("删除"), panel),
                         BarButton(QStringLiteral("sbQuit"), QStringLiteral("退出"), panel)};
    for (QPushButton* button : {bar.sbAppend, bar.sbSave, bar.sbCancel, bar.sbDelete})
        row->addWidget(button);
    if (style.QuitApart) row->addStretch(1);
    row->addWidget(bar.sbQuit);
    if (!style.QuitApart) row->addStretch(1);
    if (style.KeyboardAids) AddKeyboardAids(form, panel, bar);
    return bar;
}
