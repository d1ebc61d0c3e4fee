#include "forms/Relatively.h"

#include "forms/PlaceholderPage.h"

QPointer<TfrmRelatively> frmRelatively;

TfrmRelatively::TfrmRelatively(QWidget* parent) : TfrmBase(parent) {
    setObjectName(QStringLiteral("frmRelatively"));
    setWindowTitle(QStringLiteral("家庭理财相关"));
    AddPlaceholderPage(this);
}
