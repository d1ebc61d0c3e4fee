#pragma once

#include "forms/base/FormBase.h"

#include <QPointer>

// The working form for links to the diary, the calculator and the tax page.
class TfrmRelatively : public TfrmBase {
    Q_OBJECT

public:
    explicit TfrmRelatively(QWidget* parent = nullptr);
};

extern QPointer<TfrmRelatively> frmRelatively;
