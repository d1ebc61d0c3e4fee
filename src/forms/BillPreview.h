#pragma once

#include "forms/ImportPlanModel.h"
#include "forms/base/FormBase.h"

class QLabel;
class QPushButton;
class QTableView;

// The preview of a bill's import: every row of the bill with what it becomes, the rows that
// will not be imported greyed with their reason. The user unticks rows and changes categories;
// "导入" accepts the dialog and the caller writes Plan(). The dialog itself writes nothing and
// needs no database: the categories it offers come with it.
class TfrmBillPreview : public TfrmBase {
    Q_OBJECT

public:
    using TCategory = TImportPlanModel::TCategory;

    TfrmBillPreview(TImportPlan plan, QList<TCategory> expenditure, QList<TCategory> income,
                    QWidget* parent = nullptr);

    // The plan with the user's ticks and categories.
    const TImportPlan& Plan() const { return FPlan; }

    // What the summary line says for these figures.
    static QString SummaryText(const TImportPlanModel::TSummary& summary);

    QLabel* lblFile;
    QTableView* tblRows;
    QLabel* lblSummary;
    QPushButton* btnAll;
    QPushButton* btnNone;
    QPushButton* btnImport;
    QPushButton* btnCancel;
    TImportPlanModel* Model;

    void btnAllClick();
    void btnNoneClick();
    // Edits the category of the current row, when the user may change it (F2, double-click).
    void EditCategory();

protected:
    void FormShow() override;
    void FormKeyDown(int key, Qt::KeyboardModifiers shift) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateSummary();

    TImportPlan FPlan;
    bool FShown = false;
};
