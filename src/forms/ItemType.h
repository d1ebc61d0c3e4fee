#pragma once

#include "data/query/Query.h"
#include "forms/base/FormBase.h"

#include <QPointer>
#include <memory>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSplitter;
class TDBGrid;
class TMemo;
class TMaintenanceWiring;
class TPanel;

// The categories of income and expenditure: a list grouped by type at the left, the edit area at
// the right. It opens as a working form in the host panel, or as a modal window of its own
// through ShowModal (the entry forms do that to add categories on the spot).
class TfrmItemType : public TfrmBase {
    Q_OBJECT

public:
    explicit TfrmItemType(QWidget* parent = nullptr);
    ~TfrmItemType() override;

    // Opens the form as a modal window owned by owner: 640 × 480, centred on the desktop, its
    // caption as the title, registered with the host panel's skin. Returns when the user closes
    // it; the form is freed then. The caller reloads what depends on the categories.
    static void ShowModal(QWidget* owner);

    // Widths of the table's columns, which are the boxes' limits.
    static constexpr int NameLength = 200;
    static constexpr int MemosLength = 200;

    TPanel* Panel3;
    QLabel* lblItemTypes;
    TDBGrid* dbgItemProject;
    QSplitter* Splitter1;
    TPanel* Panel4;
    TPanel* Panel8;
    QPushButton* sbAppend;
    QPushButton* sbSave;
    QPushButton* sbCancel;
    QPushButton* sbDelete;
    QPushButton* sbQuit;
    TPanel* Panel7;
    QGroupBox* GroupBox1;
    QLabel* lblItemProject;
    QLineEdit* edtItemProject;
    QGroupBox* rgItemType;
    QButtonGroup* rgItemTypeButtons;
    QRadioButton* rbIncome;
    QRadioButton* rbExpenditure;
    TPanel* Panel6;
    QLabel* lblMemos;
    TMemo* mmMemos;

    TQuery qryItemProject;

protected:
    void FormShow() override;

private:
    friend class TMaintenanceWiring; // joins the handlers below
    void BuildLayout();
    void qryItemProjectAfterScroll();
    void sbAppendClick();
    void sbSaveClick();
    void sbCancelClick();
    void sbDeleteClick();
    void sbQuitClick();

    // The type the radio group shows: "收入", "支出", or "" when none is selected.
    QString SelectedType() const;
    void SelectType(const QString& type);

    bool FFillEnabled = true;
    bool FSplitPlaced = false;
    std::unique_ptr<TMaintenanceWiring> FWiring; // after the query: unbinds before it goes
};

extern QPointer<TfrmItemType> frmItemType;
