#pragma once

#include "forms/base/FormBase.h"

#include <QPointer>

// The working form for the family's members and their login accounts.
class TfrmFamilyMember : public TfrmBase {
    Q_OBJECT

public:
    explicit TfrmFamilyMember(QWidget* parent = nullptr);
};

extern QPointer<TfrmFamilyMember> frmFamilyMember;
