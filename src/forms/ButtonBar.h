#pragma once

#include <QMargins>
#include <tuple>

class QPushButton;
class QWidget;

// The buttons of a maintenance form's bar.
struct TButtonBar {
    QPushButton* sbAppend;
    QPushButton* sbSave;
    QPushButton* sbCancel;
    QPushButton* sbDelete;
    QPushButton* sbQuit;

    // For a form's own members: std::tie(sbAppend, ..., sbQuit) = bar.Buttons().
    auto Buttons() const { return std::tuple{sbAppend, sbSave, sbCancel, sbDelete, sbQuit}; }
};

// How a form lays out its bar.
struct TButtonBarStyle {
    QMargins Margins;
    int Spacing = -1;          // between the buttons; -1: the style's
    bool QuitApart = false;    // 退出 at the right edge rather than beside 删除
    bool KeyboardAids = false; // hints with Ctrl+N (新增) and Ctrl+S (保存); a click on a button
                               // leaves the focus in the field being typed in
};

// Lays out 新增, 保存, 取消, 删除 and 退出 in a row at the left of panel, a part of form. Enter in
// a field never presses one of them.
TButtonBar FillButtonBar(QWidget* form, QWidget* panel, const TButtonBarStyle& style);
