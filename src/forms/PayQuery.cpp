#include "forms/PayQuery.h"

#include "forms/PlaceholderPage.h"

QPointer<TfrmPayQuery> frmPayQuery;

TfrmPayQuery::TfrmPayQuery(QWidget* parent) : TfrmBase(parent) {
    setObjectName(QStringLiteral("frmPayQuery"));
    setWindowTitle(QStringLiteral("收支查询分析"));
    AddPlaceholderPage(this);
}
