#include "forms/base/FormPanel.h"

#include "platform/ErrorReport.h"
#include "widgets/grid/DBGrid.h"
#include "widgets/Image.h"
#include "widgets/Panel.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QShowEvent>
#include <QTableView>
#include <QTreeView>

TfrmPanel* frmPanel = nullptr;

TfrmPanel::TfrmPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmPanel"));
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(0x0A, 0x96, 0xDA)); // hidden under the picture
    setPalette(colours);

    imgMain = new TImage(this);
    imgMain->setObjectName(QStringLiteral("imgMain"));
    imgMain->SetPicture(QPixmap(QStringLiteral(":/images/panel_background.png")));
    imgMain->lower();

    sdMain.SetActive(true);
    sdMain.OnSkinControl = [this](QWidget* control, const QString& className, QWidget* form) {
        sdMainSkinControl(control, className, form);
    };
}

void TfrmPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous() && !FShown) {
        FShown = true;
        RunGuarded([this] { FormShow(); });
    }
}

void TfrmPanel::FormShow() {
    sdMain.SetActive(true);
    sdMain.ApplyTo(this);
}

void TfrmPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    imgMain->setGeometry(rect());
}

void TfrmPanel::sdMainSkinControl(QWidget* control, const QString&, QWidget*) {
    const QColor face = sdMain.FaceColor();
    const QString faceName = face.name();
    if (auto* grid = qobject_cast<TDBGrid*>(control)) {
        grid->SetFaceColor(face); // header, grouping panel, group rows and footer
        return;
    }
    if (auto* grid = qobject_cast<QTableView*>(control)) {
        // header, grouping panel and group rows in the face colour
        grid->horizontalHeader()->setStyleSheet(
            QStringLiteral("QHeaderView::section { background-color: %1; }").arg(faceName));
        grid->setProperty("groupColor", face);
        grid->viewport()->update();
        return;
    }
    if (auto* tree = qobject_cast<QTreeView*>(control)) {
        tree->header()->setStyleSheet(
            QStringLiteral("QHeaderView::section { background-color: %1; }").arg(faceName));
        tree->viewport()->update();
        return;
    }
    if (auto* panel = qobject_cast<TPanel*>(control)) {
        if (panel->objectName() != QStringLiteral("PagePanel")) panel->SetColor(face);
    }
}
