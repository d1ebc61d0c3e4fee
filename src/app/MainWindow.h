#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class QLabel;
class TImage;
class TPanel;
class TPictureButton;
class TfrmBase;
class TServices;

// The main window: banner, the column of eight navigation buttons, the working area with the host
// panel, and the status bar. Creating it creates the services and the settings; showing it the
// first time runs the login; destroying it frees them again. Each of these steps is guarded: a
// failure is reported and the program goes on.
class TfrmMain : public QWidget {
    Q_OBJECT

public:
    TfrmMain();
    ~TfrmMain() override;

    static constexpr int ButtonCount = 8;

    TImage* Image1;  // banner
    TPanel* Panel2;  // between banner and status bar
    TPanel* Panel3;  // the left column
    TImage* Image3;  // its background
    TPanel* pnlMain; // the working area
    TPanel* Panel1;  // the status bar
    TImage* Image2;  // its background
    QLabel* lbName;
    QLabel* lbDate;
    TPanel* Panel4;                                // hidden holder of the button pictures
    std::array<TPictureButton*, ButtonCount> fcsb; // fcsb01 .. fcsb08
    std::array<TImage*, ButtonCount> fcibNormal;   // fcib01 .. fcib08
    std::array<TImage*, ButtonCount> fcibHover;    // fcib11 .. fcib18

    // Takes every form the host panel owns out of the working area, closes it and frees it once
    // control is back in the event loop (deleteLater).
    void CloseWorkForms();
    // True for a form that CloseWorkForms has closed and that waits to be freed.
    static bool IsFreed(const QWidget* form);

    void fcsb01Click();
    void fcsb02Click();
    void fcsb03Click();
    void fcsb04Click();
    void fcsb05Click();
    void fcsb06Click();
    void fcsb07Click();
    void fcsb08Click();

protected:
    void FormCreate();
    void FormShow();
    void FormDestroy();
    void showEvent(QShowEvent* event) override;

private:
    void BuildLayout();
    // Shows the login until it is left; true when a member logged in.
    bool RunLogin();
    void ButtonMouseMove(int index);
    void ButtonMouseLeave(int index);
    // Replaces the working form by a new form made by create.
    void OpenWorkForm(const std::function<TfrmBase*(QWidget* owner)>& create);

    bool FShown = false;
    std::unique_ptr<TServices> FServices;
};

extern TfrmMain* frmMain;
