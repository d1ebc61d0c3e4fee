#pragma once

class QPushButton;
class QWidget;

// The buttons of a maintenance form's bar.
struct TButtonBar {
    QPushButton* sbAppend;
    QPushButton* sbSave;
    QPushButton* sbCancel;
    QPushButton* sbDelete;
    QPushButton* sbQuit;
};

// Lays out 新增, 保存, 取消, 删除 and 退出 in a row at the left of panel, with the given margin on
// every side and spacing between the buttons (-1: the style's).
TButtonBar FillButtonBar(QWidget* panel, int margin, int spacing = -1);
