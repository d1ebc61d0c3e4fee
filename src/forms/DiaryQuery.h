#pragma once

#include "forms/base/FormBase.h"

#include <QPointer>

class QLabel;
class QToolButton;
class TDiaryDatePicker;

// The modal dialog that asks the diary for a period: "从" begin "至" end.
class TfrmDiaryQuery : public TfrmBase {
    Q_OBJECT

public:
    explicit TfrmDiaryQuery(QWidget* parent = nullptr);

    QLabel* Label1;            // "从"
    TDiaryDatePicker* dtpBegin;
    QLabel* Label2;            // "至"
    TDiaryDatePicker* dtpEnd;
    QToolButton* sbAppend;     // "  确定"
    QToolButton* SpeedButton1; // "  取消"

    // True only when the dialog was left with "  确定".
    bool FResult = false;

    void sbAppendClick();
    void SpeedButton1Click();

protected:
    void FormCreate();
    void paintEvent(QPaintEvent* event) override;
};
