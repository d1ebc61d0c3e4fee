#include "forms/BillPreview.h"

#include "forms/base/FormPanel.h"
#include "platform/ErrorReport.h"
#include "widgets/Currency.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The category cell's editor: a drop-down of the ledger's categories of the row's kind, open as
// it comes. A choice is taken at once, as the user picks it.
class TCategoryDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        auto* model = qobject_cast<const TImportPlanModel*>(index.model());
        if (!model) return nullptr;
        auto* combo = new QComboBox(parent);
        combo->setObjectName(QStringLiteral("cbCategory"));
        const QString kind = index.siblingAtColumn(TImportPlanModel::colKind).data().toString();
        for (const TImportPlanModel::TCategory& category : model->Categories(kind))
            combo->addItem(category.second, category.first);
        auto* self = const_cast<TCategoryDelegate*>(this);
        QObject::connect(combo, &QComboBox::activated, combo, [self, combo] {
            emit self->commitData(combo);
            emit self->closeEditor(combo, QAbstractItemDelegate::SubmitModelCache);
        });
        // The list opens at once: the arrow keys move in it and Enter takes the category.
        QTimer::singleShot(0, combo, [combo] {
            if (combo->isVisible()) combo->showPopup();
        });
        return combo;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* combo = static_cast<QComboBox*>(editor);
        int at = combo->findData(index.data(Qt::EditRole));
        if (at < 0) at = combo->findText(index.data(Qt::DisplayRole).toString());
        combo->setCurrentIndex(at);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        auto* combo = static_cast<QComboBox*>(editor);
        if (combo->currentIndex() < 0) return;
        if (combo->currentData() == index.data(Qt::EditRole)) return; // nothing chosen
        model->setData(index, combo->currentData(), Qt::EditRole);
    }

    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex&) const override {
        editor->setGeometry(option.rect);
    }
};

QPushButton* NewButton(QWidget* parent, const QString& name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    // No default button: Enter in the table never imports; a focused button takes Enter.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace

TfrmBillPreview::TfrmBillPreview(TImportPlan plan, QList<TCategory> expenditure,
                                 QList<TCategory> income, QWidget* parent)
    : TfrmBase(parent), FPlan(std::move(plan)) {
    setObjectName(QStringLiteral("frmBillPreview"));
    setWindowTitle(QStringLiteral("导入账单"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    resize(860, 540);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);

    lblFile = new QLabel(this);
    lblFile->setObjectName(QStringLiteral("lblFile"));
    lblFile->setText(QStringLiteral("%1：%2，记入 %3 的账本")
                         .arg(FPlan.Format, QFileInfo(FPlan.Path).fileName(), FPlan.PersonName));
    lblFile->setToolTip(QDir::toNativeSeparators(FPlan.Path));
    lblFile->setTextFormat(Qt::PlainText);
    layout->addWidget(lblFile);

    Model = new TImportPlanModel(FPlan, std::move(expenditure), std::move(income), this);

    // A plain table with fixed row heights and column widths: a bill of 100,000 rows lays out
    // without measuring a single row.
    tblRows = new QTableView(this);
    tblRows->setObjectName(QStringLiteral("tblRows"));
    tblRows->setModel(Model);
    tblRows->setItemDelegateForColumn(TImportPlanModel::colCategory,
                                      new TCategoryDelegate(tblRows));
    tblRows->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblRows->setSelectionMode(QAbstractItemView::SingleSelection);
    tblRows->setEditTriggers(QAbstractItemView::NoEditTriggers); // F2 and double-click: below
    tblRows->setTabKeyNavigation(false); // Tab leaves the table for the buttons
    tblRows->setWordWrap(false);
    tblRows->setAlternatingRowColors(true);
    tblRows->setAccessibleName(QStringLiteral("账单明细"));
    QHeaderView* rows = tblRows->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 8);
    QHeaderView* columns = tblRows->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setHighlightSections(false);
    const int widths[] = {40, 86, 170, 120, 92, 44, 96, 140};
    for (int column = 0; column < TImportPlanModel::ColumnCount; ++column)
        columns->resizeSection(column, widths[column]);
    columns->setStretchLastSection(true);
    layout->addWidget(tblRows, 1);

    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setTextFormat(Qt::PlainText);
    layout->addWidget(lblSummary);

    auto* buttons = new QHBoxLayout;
    btnAll = NewButton(this, QStringLiteral("btnAll"), QStringLiteral("全选"));
    btnNone = NewButton(this, QStringLiteral("btnNone"), QStringLiteral("全不选"));
    btnImport = NewButton(this, QStringLiteral("btnImport"), QStringLiteral("导入"));
    btnCancel = NewButton(this, QStringLiteral("btnCancel"), QStringLiteral("取消"));
    buttons->addWidget(btnAll);
    buttons->addWidget(btnNone);
    buttons->addStretch(1);
    buttons->addWidget(btnImport);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);

    setTabOrder(tblRows, btnAll);
    setTabOrder(btnAll, btnNone);
    setTabOrder(btnNone, btnImport);
    setTabOrder(btnImport, btnCancel);

    connect(btnAll, &QPushButton::clicked, this, Guarded([this] { btnAllClick(); }));
    connect(btnNone, &QPushButton::clicked, this, Guarded([this] { btnNoneClick(); }));
    connect(btnImport, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(tblRows, &QAbstractItemView::doubleClicked, this,
            Guarded([this](const QModelIndex& index) {
                if (index.column() != TImportPlanModel::colTick) EditCategory();
            }));
    connect(Model, &TImportPlanModel::CheckedChanged, this, Guarded([this] { UpdateSummary(); }));
    UpdateSummary();

    // Drawn like the forms of the main window when it has its skin.
    if (frmPanel && frmPanel->sdMain.Active()) {
        setAutoFillBackground(true);
        QPalette colours = palette();
        colours.setColor(QPalette::Window, frmPanel->sdMain.FaceColor());
        setPalette(colours);
        frmPanel->sdMain.AddNestedForm(this);
    }
}

QString TfrmBillPreview::SummaryText(const TImportPlanModel::TSummary& summary) {
    const int rows = summary.Ticked + summary.Left;
    if (rows == 0) return QStringLiteral("账单中没有交易记录，没有可导入的内容。");
    if (summary.Checkable == 0)
        return QStringLiteral("没有可导入的记录：账单的 %1 条都不导入，原因见“说明”一栏。")
            .arg(rows);
    if (summary.Ticked == 0)
        return QStringLiteral("没有勾选要导入的记录；不导入 %1 条。").arg(summary.Left);
    QString text =
        QStringLiteral("将导入 %1 条：支出 %2，收入 %3")
            .arg(summary.Ticked)
            .arg(Currency::Text(summary.ExpenditureUnits), Currency::Text(summary.IncomeUnits));
    if (summary.Reductions > 0)
        text += QStringLiteral("，其中退款冲减原记录 %1 条").arg(summary.Reductions);
    return text + QStringLiteral("；不导入 %1 条").arg(summary.Left);
}

void TfrmBillPreview::UpdateSummary() {
    const TImportPlanModel::TSummary summary = Model->Summary();
    lblSummary->setText(SummaryText(summary));
    btnImport->setEnabled(summary.Ticked > 0);
}

void TfrmBillPreview::FormShow() {
    TfrmBase::FormShow();
    if (FShown) return;
    FShown = true;
    tblRows->setFocus(Qt::OtherFocusReason);
    if (Model->rowCount() > 0) tblRows->setCurrentIndex(Model->index(0, TImportPlanModel::colTick));
}

void TfrmBillPreview::btnAllClick() {
    Model->SetAllChecked(true);
}

void TfrmBillPreview::btnNoneClick() {
    Model->SetAllChecked(false);
}

void TfrmBillPreview::EditCategory() {
    const QModelIndex current = tblRows->currentIndex();
    if (!current.isValid()) return;
    const QModelIndex category = current.siblingAtColumn(TImportPlanModel::colCategory);
    if (!(category.flags() & Qt::ItemIsEditable)) return;
    tblRows->setCurrentIndex(category);
    tblRows->edit(category);
}

// The dialog closes with Escape, unlike the working forms.
void TfrmBillPreview::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        reject();
        return;
    }
    TfrmBase::keyPressEvent(event);
}

// In the table, Enter and the arrow keys belong to the table and its drop-down editor.
void TfrmBillPreview::FormKeyDown(int key, Qt::KeyboardModifiers shift) {
    QWidget* focused = QApplication::focusWidget();
    if (key != Qt::Key_F1 && focused && (focused == tblRows || tblRows->isAncestorOf(focused)))
        return;
    TfrmBase::FormKeyDown(key, shift);
}

// Space ticks or unticks the current row, F2 edits its category, wherever the table's current
// cell is in the row.
bool TfrmBillPreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tblRows && event->type() == QEvent::KeyPress) { // not the editor's keys
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_Space) {
            RunGuarded([this] { Model->ToggleChecked(tblRows->currentIndex().row()); });
            return true;
        }
        if (key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_F2) {
            RunGuarded([this] { EditCategory(); });
            return true;
        }
    }
    return TfrmBase::eventFilter(watched, event);
}
