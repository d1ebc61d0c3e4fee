#pragma once

#include "forms/base/FormBase.h"

#include <QPointer>

// The working form for the categories of income and expenditure.
class TfrmItemType : public TfrmBase {
    Q_OBJECT

public:
    explicit TfrmItemType(QWidget* parent = nullptr);
};

extern QPointer<TfrmItemType> frmItemType;
