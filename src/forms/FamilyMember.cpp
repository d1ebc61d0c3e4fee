#include "forms/FamilyMember.h"

#include "forms/PlaceholderPage.h"

QPointer<TfrmFamilyMember> frmFamilyMember;

TfrmFamilyMember::TfrmFamilyMember(QWidget* parent) : TfrmBase(parent) {
    setObjectName(QStringLiteral("frmFamilyMember"));
    setWindowTitle(QStringLiteral("家庭成员"));
    AddPlaceholderPage(this);
}
