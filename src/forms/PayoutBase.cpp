#include "forms/PayoutBase.h"

#include "forms/PlaceholderPage.h"

QPointer<TfrmIncome> frmIncome;
QPointer<TfrmPayout> frmPayout;

TfrmPayoutBase::TfrmPayoutBase(QWidget* parent) : TfrmBase(parent) {
    setWindowTitle(QStringLiteral("理财管理"));
}

TfrmIncome::TfrmIncome(QWidget* parent) : TfrmPayoutBase(parent) {
    setObjectName(QStringLiteral("frmIncome"));
    setWindowTitle(QStringLiteral("日常收入管理"));
    AddPlaceholderPage(this);
}

TfrmPayout::TfrmPayout(QWidget* parent) : TfrmPayoutBase(parent) {
    setObjectName(QStringLiteral("frmPayout"));
    setWindowTitle(QStringLiteral("日常支出管理"));
    AddPlaceholderPage(this);
}
