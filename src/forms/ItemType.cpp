#include "forms/ItemType.h"

#include "data/Common.h"
#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/NewKeys.h"
#include "data/TextRules.h"
#include "forms/FillPause.h"
#include "forms/MaintenanceWiring.h"
#include "forms/base/FormPanel.h"
#include "widgets/grid/DBGrid.h"
#include "widgets/Memo.h"
#include "widgets/Panel.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSplitter>
#include <QVBoxLayout>

QPointer<TfrmItemType> frmItemType;

namespace {

const QString Income = QStringLiteral("收入");
const QString Expenditure = QStringLiteral("支出");

// Grouped by the type, which the group rows show.
const QList<TGridColumn> CategoryColumns = {
    {QStringLiteral("dbgItemProjectColumn1"), QStringLiteral("ItemType"),
     QStringLiteral("收支类型")},
    {QStringLiteral("dbgItemProjectColumn2"), QStringLiteral("ItemProject"),
     QStringLiteral("收支名称")},
};

QLabel* BlueHeading(const QString& text, QWidget* parent, const QString& name) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setStyleSheet(QStringLiteral("QLabel { color: #0000FF; }"));
    return label;
}

} // namespace

TfrmItemType::TfrmItemType(QWidget* parent) : TfrmBase(parent), qryItemProject(TdmMain::Ledger()) {
    setObjectName(QStringLiteral("frmItemType"));
    setWindowTitle(QStringLiteral("收支分类项目"));
    BuildLayout();
    FWiring->Bind(this, qryItemProject, dbgItemProject, &TfrmItemType::qryItemProjectAfterScroll);
    qryItemProject.SetNewKeyRule(NewKeys::ItemProject());
}

TfrmItemType::~TfrmItemType() = default;

void TfrmItemType::BuildLayout() {
    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setChildrenCollapsible(false);
    root->addWidget(Splitter1);

    // the list at the left
    Panel3 = new TPanel(Splitter1);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    auto* left = new QVBoxLayout(Panel3);
    left->setContentsMargins(4, 4, 4, 4);
    left->setSpacing(4);
    lblItemTypes = BlueHeading(QStringLiteral("收支类型细目"), Panel3, QStringLiteral("lblItemTypes"));
    left->addWidget(lblItemTypes);
    dbgItemProject = new TDBGrid(Panel3);
    dbgItemProject->setObjectName(QStringLiteral("dbgItemProject"));
    dbgItemProject->SetColumns(CategoryColumns);
    dbgItemProject->SetGroupColumn(QStringLiteral("ItemType"));
    dbgItemProject->SetHeaderVisible(false);
    dbgItemProject->SetGridLines(false);
    dbgItemProject->setAccessibleName(QStringLiteral("收支类型细目"));
    left->addWidget(dbgItemProject, 1);

    // the edit area at the right
    Panel4 = new TPanel(Splitter1);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    auto* right = new QVBoxLayout(Panel4);
    right->setContentsMargins(4, 4, 4, 4);
    right->setSpacing(4);

    Panel8 = new TPanel(Panel4);
    Panel8->setObjectName(QStringLiteral("Panel8"));
    FWiring = std::make_unique<TMaintenanceWiring>(
        this, Panel8, TButtonBarStyle{.Margins = {2, 2, 2, 2}, .Spacing = 2});
    std::tie(sbAppend, sbSave, sbCancel, sbDelete, sbQuit) = FWiring->Bar.Buttons();
    right->addWidget(Panel8);

    Panel7 = new TPanel(Panel4);
    Panel7->setObjectName(QStringLiteral("Panel7"));
    auto* strip = new QHBoxLayout(Panel7);
    strip->setContentsMargins(0, 0, 0, 0);
    GroupBox1 = new QGroupBox(Panel7);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* nameBox = new QHBoxLayout(GroupBox1);
    lblItemProject = new QLabel(QStringLiteral("分类项目名称"), GroupBox1);
    lblItemProject->setObjectName(QStringLiteral("lblItemProject"));
    edtItemProject = new QLineEdit(GroupBox1);
    edtItemProject->setObjectName(QStringLiteral("edtItemProject"));
    edtItemProject->setMaxLength(NameLength);
    edtItemProject->setMinimumWidth(60); // the right side fits beside the 202-pixel list
    lblItemProject->setBuddy(edtItemProject);
    nameBox->addWidget(lblItemProject);
    nameBox->addWidget(edtItemProject, 1);
    strip->addWidget(GroupBox1, 1);

    rgItemType = new QGroupBox(QStringLiteral("收支类型"), Panel7);
    rgItemType->setObjectName(QStringLiteral("rgItemType"));
    auto* types = new QHBoxLayout(rgItemType);
    rbIncome = new QRadioButton(Income, rgItemType);
    rbIncome->setObjectName(QStringLiteral("rbIncome"));
    rbExpenditure = new QRadioButton(Expenditure, rgItemType);
    rbExpenditure->setObjectName(QStringLiteral("rbExpenditure"));
    rgItemTypeButtons = new QButtonGroup(rgItemType);
    rgItemTypeButtons->addButton(rbIncome, 0);
    rgItemTypeButtons->addButton(rbExpenditure, 1);
    types->addWidget(rbIncome);
    types->addWidget(rbExpenditure);
    rbIncome->setChecked(true); // "收入" when the form is created
    strip->addWidget(rgItemType);
    right->addWidget(Panel7);

    Panel6 = new TPanel(Panel4);
    Panel6->setObjectName(QStringLiteral("Panel6"));
    auto* heading = new QHBoxLayout(Panel6);
    heading->setContentsMargins(4, 2, 4, 2);
    lblMemos = BlueHeading(QStringLiteral("备注说明"), Panel6, QStringLiteral("lblMemos"));
    heading->addWidget(lblMemos);
    right->addWidget(Panel6);

    mmMemos = new TMemo(Panel4);
    mmMemos->setObjectName(QStringLiteral("mmMemos"));
    mmMemos->SetMaxLength(MemosLength);
    lblMemos->setBuddy(mmMemos);
    right->addWidget(mmMemos, 1);

    Splitter1->addWidget(Panel3);
    Splitter1->addWidget(Panel4);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({202, 438});

    setTabOrder(edtItemProject, rbIncome);
    setTabOrder(rbIncome, rbExpenditure);
    setTabOrder(rbExpenditure, mmMemos);
}

void TfrmItemType::ShowModal(QWidget* owner) {
    // on the heap: the owner may free its children while the window is open
    QPointer<TfrmItemType> form = new TfrmItemType(owner);
    form->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    form->setWindowModality(Qt::ApplicationModal);
    form->resize(640, 480);
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen) form->move(screen->availableGeometry().center() - form->rect().center());
    if (frmPanel && frmPanel->sdMain.Active()) frmPanel->sdMain.AddNestedForm(form);
    form->exec();
    delete form.data();
}

void TfrmItemType::FormShow() {
    TfrmBase::FormShow();
    if (!FSplitPlaced) { // the list's width once the form has its size; the user's afterwards
        FSplitPlaced = true;
        layout()->activate();
        Splitter1->setSizes({202, qMax(1, Splitter1->width() - 202 - Splitter1->handleWidth())});
    }
    {
        TFillPause pause(FFillEnabled);
        TCommonDB::OpenSQL(QStringLiteral("select * from bItemProject order by ItemProjectID"), qryItemProject);
    }
    qryItemProjectAfterScroll();
    dbgItemProject->FullExpand();
}

void TfrmItemType::qryItemProjectAfterScroll() {
    const bool row = qryItemProject.Active() && !qryItemProject.IsEmpty();
    auto text = [&](const char* field) {
        return row ? qryItemProject.FieldByName(QString::fromLatin1(field)).AsString() : QString();
    };
    // a stored text longer than its box shows whole: the box allows its length
    const QString name = text("ItemProject");
    edtItemProject->setMaxLength(qMax(NameLength, int(name.size())));
    edtItemProject->setText(name);
    mmMemos->SetText(text("Memos"));
    SelectType(text("ItemType"));
}

void TfrmItemType::sbAppendClick() {
    edtItemProject->setFocus();
    qryItemProject.Append();
}

void TfrmItemType::sbSaveClick() {
    const QString name = Trimmed(edtItemProject->text());
    if (name.isEmpty()) {
        TCommon::ShowWarning(QStringLiteral("请输入分类项目名称！"));
        return;
    }
    const QString type = SelectedType();
    if (type.isEmpty()) {
        TCommon::ShowWarning(QStringLiteral("请选择收支类型！"));
        return;
    }
    const QString memos = Trimmed(mmMemos->Text());
    if (name.size() > NameLength) {
        TCommon::ShowWarning(QStringLiteral("分类项目名称不能超过%1个字符！").arg(NameLength));
        edtItemProject->setFocus();
        return;
    }
    if (memos.size() > MemosLength) {
        TCommon::ShowWarning(QStringLiteral("备注说明不能超过%1个字符！").arg(MemosLength));
        mmMemos->setFocus();
        return;
    }

    if (qryItemProject.State() != TDataSetState::Insert && qryItemProject.IsEmpty()) {
        // nothing to overwrite: the input becomes a new category, the edit area stays as typed
        TFillPause pause(FFillEnabled);
        qryItemProject.Append();
    }
    // a new category takes its key as the query writes it (NewKeys::ItemProject)
    if (qryItemProject.State() != TDataSetState::Insert) qryItemProject.Edit();
    qryItemProject.FieldByName(QStringLiteral("ItemProject")).SetAsString(name);
    qryItemProject.FieldByName(QStringLiteral("ItemType")).SetAsString(type);
    qryItemProject.FieldByName(QStringLiteral("Memos")).SetAsString(memos);
    qryItemProject.Post();
}

void TfrmItemType::sbCancelClick() {
    const TDataSetState state = qryItemProject.State();
    if (state != TDataSetState::Edit && state != TDataSetState::Insert) return; // typed text stays
    qryItemProject.Cancel();
}

void TfrmItemType::sbDeleteClick() {
    if (!qryItemProject.Active() || qryItemProject.IsEmpty()) {
        TCommon::ShowWarning(QStringLiteral("请选择需要删除的记录！"));
        return;
    }
    if (!TCommon::ShowConfirm(QStringLiteral("是否确定删除当前记录？"))) return;
    try {
        qryItemProject.Delete();
    } catch (const ERecordChanged&) {
        throw; // changed on another computer: said, and the list shows it as it is now
    } catch (const std::exception&) {
        // a deletion the ledger refuses leaves the list as it was, without a message
    }
}

void TfrmItemType::sbQuitClick() {
    close();
}

QString TfrmItemType::SelectedType() const {
    if (rbIncome->isChecked()) return Income;
    if (rbExpenditure->isChecked()) return Expenditure;
    return {};
}

void TfrmItemType::SelectType(const QString& type) {
    if (type == Income) {
        rbIncome->setChecked(true);
    } else if (type == Expenditure) {
        rbExpenditure->setChecked(true);
    } else {
        // an exclusive group keeps one button checked: let go of that for a moment
        rgItemTypeButtons->setExclusive(false);
        rbIncome->setChecked(false);
        rbExpenditure->setChecked(false);
        rgItemTypeButtons->setExclusive(true);
    }
}
