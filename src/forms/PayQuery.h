#pragma once

#include "forms/base/FormBase.h"

#include <QPointer>

// The working form for looking records up, with per-category totals.
class TfrmPayQuery : public TfrmBase {
    Q_OBJECT

public:
    explicit TfrmPayQuery(QWidget* parent = nullptr);
};

extern QPointer<TfrmPayQuery> frmPayQuery;
