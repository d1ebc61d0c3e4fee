#pragma once

#include "forms/base/Skin.h"

#include <QWidget>

class TImage;

// The host panel: fills the main window's working area with its background picture and the
// program's skin; every working form is embedded in it and owned by it.
class TfrmPanel : public QWidget {
    Q_OBJECT

public:
    explicit TfrmPanel(QWidget* parent = nullptr);

    // Recolours what the skin reaches: grids' headers and group rows, and panels (except one
    // named "PagePanel") take the skin's face colour.
    void sdMainSkinControl(QWidget* control, const QString& className, QWidget* form);

    TImage* imgMain;
    TSkinData sdMain;

protected:
    void FormShow();
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool FShown = false;
};

extern TfrmPanel* frmPanel;
