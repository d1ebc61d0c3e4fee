#pragma once

#include "forms/base/FormBase.h"

#include <QPointer>
#include <QStringList>
#include <memory>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TDBGrid;
class TMaintenanceWiring;
class TPanel;
class TPictureButton;
class TQuery;

// The entry form of income and expenditure records; one class serves both kinds, told apart by
// FItemType ("收入" or "支出"), which its creator sets before the form is first shown.
//
// The list shows the current member's records of the kind in the month the program started; the
// edit area above it follows the list's current row, and the buttons append, save, cancel and
// delete. Every change goes through the checks of "保存": the list itself is read-only.
class TfrmPayoutBase : public TfrmBase {
    Q_OBJECT

public:
    explicit TfrmPayoutBase(QWidget* parent = nullptr);
    ~TfrmPayoutBase() override;

    QString FItemType;

    // The button bar.
    TPanel* Panel8;
    QPushButton* sbAppend;
    QPushButton* sbSave;
    QPushButton* sbCancel;
    QPushButton* sbDelete;
    QPushButton* sbQuit;

    // The edit area: the labelled fields at the left, the note at the right.
    TPanel* Panel1;
    TPanel* Panel2;
    TPanel* Panel3;
    QLabel* lblPayout;
    QLabel* lblItemProject;
    QLabel* lblUseDate;
    QLabel* lblAccount;
    QLabel* lblPerson;
    QLabel* lblMemos;
    QLineEdit* edtPayout;
    QComboBox* cbItemProject;
    TPictureButton* sbPayout;
    QDateEdit* dtpUseDate;
    QLineEdit* ceAccount;
    QLineEdit* edtPerson;
    QPlainTextEdit* mmMemos;

    // The list of the month's records, read-only.
    TDBGrid* dbgPayout;

    // The records listed and all categories of both kinds, whose names the list shows.
    std::unique_ptr<TQuery> qryPayout;
    std::unique_ptr<TQuery> qryItemProject;

    // Entry k is the ItemProjectID of entry k of cbItemProject.
    QStringList FItemProjectIDs;
    // While false the scroll reaction leaves the edit area alone: the form itself moves the list.
    bool FFillEnabled = true;

    // The handlers, as the buttons and the list run them.
    void qryPayoutAfterScroll();
    void sbAppendClick();
    void sbSaveClick();
    void sbCancelClick();
    void sbDeleteClick();
    void sbQuitClick();
    void sbPayoutClick();
    void ceAccountKeyPress(QChar& key);

    // The statements the form runs, built from its kind, the member and the month.
    QString CategoryStatement() const;
    QString RecordStatement() const;
    static QString CategoryStatement(const QString& kind);
    static QString RecordStatement(const QString& kind, const QDateTime& firstDay,
                                   const QDateTime& lastDay, const QString& person);

protected:
    void FormShow() override;
    void FormDestroy();
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Captions of the labels and the list's columns by the kind the descendant keeps ("收入" or
    // "支出"); only the amount column of that kind shows.
    void SetKindCaptions(const QString& kind);

private:
    void BuildLayout();
    void FillCategories();
    void ReadCategoryNames();
    QString AmountField() const;

    std::unique_ptr<TMaintenanceWiring> FWiring; // after the queries: unbinds before they go
};

// Daily income.
class TfrmIncome : public TfrmPayoutBase {
    Q_OBJECT

public:
    explicit TfrmIncome(QWidget* parent = nullptr);
};

// Daily expenditure.
class TfrmPayout : public TfrmPayoutBase {
    Q_OBJECT

public:
    explicit TfrmPayout(QWidget* parent = nullptr);
};

extern QPointer<TfrmIncome> frmIncome;
extern QPointer<TfrmPayout> frmPayout;
