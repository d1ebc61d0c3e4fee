#include "forms/ItemType.h"

#include "forms/PlaceholderPage.h"

QPointer<TfrmItemType> frmItemType;

TfrmItemType::TfrmItemType(QWidget* parent) : TfrmBase(parent) {
    setObjectName(QStringLiteral("frmItemType"));
    setWindowTitle(QStringLiteral("收支分类项目"));
    AddPlaceholderPage(this);
}
