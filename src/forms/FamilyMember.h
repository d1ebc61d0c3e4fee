#pragma once

#include "data/query/Query.h"
#include "forms/base/FormBase.h"

#include <QPointer>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class TDBGrid;
class TMemo;
class TMaintenanceWiring;
class TPanel;

// The family's members and their login accounts: the list at the left, the edit area at the
// right. The member with id 1 is the default account and cannot be deleted.
class TfrmFamilyMember : public TfrmBase {
    Q_OBJECT

public:
    explicit TfrmFamilyMember(QWidget* parent = nullptr);
    ~TfrmFamilyMember() override;

    // Widths of the table's columns, which are the boxes' limits. Account and password take
    // what the login's boxes take, so every saved account can log in.
    static constexpr int NameLength = 50;
    static constexpr int RoleLength = 50;
    static constexpr int AccountLength = 20;
    static constexpr int PasswordLength = 20;
    static constexpr int MemosLength = 200;

    TPanel* Panel8;
    QPushButton* sbAppend;
    QPushButton* sbSave;
    QPushButton* sbCancel;
    QPushButton* sbDelete;
    QPushButton* sbQuit;
    QSplitter* Splitter1;
    TDBGrid* dbgPerson;
    TPanel* Panel2;
    QLabel* lblPersonName;
    QLineEdit* edtPersonName;
    QLabel* lblRoleName;
    QLineEdit* edtRoleName;
    QLabel* lblLoginAccount;
    QLineEdit* edtLoginAccount;
    QLabel* lblLoginPassword;
    QLineEdit* edtLoginPassword;
    QLabel* lblMemos;
    TMemo* mmMemos;

    TQuery qryPerson;

protected:
    void FormShow() override;

private:
    friend class TMaintenanceWiring; // joins the handlers below
    void BuildLayout();
    void qryPersonAfterScroll();
    void sbAppendClick();
    void sbSaveClick();
    void sbCancelClick();
    void sbDeleteClick();
    void sbQuitClick();


    bool FFillEnabled = true;
    bool FSplitPlaced = false;
    std::unique_ptr<TMaintenanceWiring> FWiring; // after the query: unbinds before it goes
};

extern QPointer<TfrmFamilyMember> frmFamilyMember;
