#pragma once

#include "forms/base/FormBase.h"

#include <QPointer>

// The entry form of income and expenditure records; one class serves both kinds, told apart by
// FItemType ("收入" or "支出"), which its creator sets before the form is first shown.
class TfrmPayoutBase : public TfrmBase {
    Q_OBJECT

public:
    explicit TfrmPayoutBase(QWidget* parent = nullptr);

    QString FItemType;
};

// Daily income.
class TfrmIncome : public TfrmPayoutBase {
    Q_OBJECT

public:
    explicit TfrmIncome(QWidget* parent = nullptr);
};

// Daily expenditure.
class TfrmPayout : public TfrmPayoutBase {
    Q_OBJECT

public:
    explicit TfrmPayout(QWidget* parent = nullptr);
};

extern QPointer<TfrmIncome> frmIncome;
extern QPointer<TfrmPayout> frmPayout;
