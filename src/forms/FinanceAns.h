#pragma once

#include "forms/base/FormBase.h"

#include <QPointer>

// The working form for a year of income against expenditure as a bar chart.
class TfrmFinanceAns : public TfrmBase {
    Q_OBJECT

public:
    explicit TfrmFinanceAns(QWidget* parent = nullptr);
};

extern QPointer<TfrmFinanceAns> frmFinanceAns;
