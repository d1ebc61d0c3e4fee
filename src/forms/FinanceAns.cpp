#include "forms/FinanceAns.h"

#include "forms/PlaceholderPage.h"

QPointer<TfrmFinanceAns> frmFinanceAns;

TfrmFinanceAns::TfrmFinanceAns(QWidget* parent) : TfrmBase(parent) {
    setObjectName(QStringLiteral("frmFinanceAns"));
    setWindowTitle(QStringLiteral("财务统计分析"));
    AddPlaceholderPage(this);
}
