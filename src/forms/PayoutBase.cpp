#include "forms/PayoutBase.h"

#include "data/ComboPub.h"
#include "data/Common.h"
#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/NewKeys.h"
#include "data/query/DayNumber.h"
#include "data/query/Query.h"
#include "data/engine/SqlText.h"
#include "data/TextRules.h"
#include "forms/FillPause.h"
#include "forms/ItemType.h"
#include "forms/MaintenanceWiring.h"
#include "forms/base/FormPanel.h"
#include "platform/DateText.h"
#include "platform/ErrorReport.h"
#include "widgets/Currency.h"
#include "widgets/grid/DBGrid.h"
#include "widgets/Panel.h"
#include "widgets/PictureButton.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

QPointer<TfrmIncome> frmIncome;
QPointer<TfrmPayout> frmPayout;

namespace {

const QString Income = QStringLiteral("收入");

// Widest text of fPayout.Payout; the content box takes no more, so nothing is cut at save.
constexpr int ContentWidth = 200;
// Whole yuan: the amount box takes at most ten digits.
constexpr int AmountDigits = 10;

QLabel* FieldLabel(QWidget* parent, const QString& name, QWidget* buddy) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setBuddy(buddy);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

// The list's columns; "%1" in a caption stands for the form's kind. Of the two amounts, only the
// kind's shows.
const QList<TGridColumn> RecordColumns = {
    {QStringLiteral("dbgPayoutPayoutID"), QStringLiteral("PayoutID"), QStringLiteral("编号"), false,
     Qt::AlignRight | Qt::AlignVCenter, Qt::AlignCenter, TColumnFormat::Integer},
    {QStringLiteral("dbgPayoutItemProjectID"), QStringLiteral("ItemProjectID"),
     QStringLiteral("项目编号"), false, Qt::AlignRight | Qt::AlignVCenter, Qt::AlignCenter,
     TColumnFormat::Integer},
    {QStringLiteral("dbgPayoutPayout"), QStringLiteral("Payout"), QStringLiteral("%1内容"), true,
     Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignCenter, TColumnFormat::Text, TFooterKind::None,
     210},
    {QStringLiteral("dbgPayoutItemProject"), QStringLiteral("ItemProject"),
     QStringLiteral("%1项目"), true, Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignCenter,
     TColumnFormat::Text, TFooterKind::None, 100},
    {QStringLiteral("dbgPayoutPayoutAccount"), QStringLiteral("PayoutAccount"),
     QStringLiteral("支出金额"), true, Qt::AlignRight | Qt::AlignVCenter, Qt::AlignCenter,
     TColumnFormat::Currency, TFooterKind::Sum, 110},
    {QStringLiteral("dbgPayoutIncomeAccount"), QStringLiteral("IncomeAccount"),
     QStringLiteral("收入金额"), true, Qt::AlignRight | Qt::AlignVCenter, Qt::AlignCenter,
     TColumnFormat::Currency, TFooterKind::Sum, 110},
    {QStringLiteral("dbgPayoutUseDate"), QStringLiteral("UseDate"), QStringLiteral("日期"), true,
     Qt::AlignCenter, Qt::AlignCenter, TColumnFormat::Date, TFooterKind::None, 90},
    {QStringLiteral("dbgPayoutPersonName"), QStringLiteral("PersonName"), QStringLiteral("记帐人"),
     true, Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignCenter, TColumnFormat::Text,
     TFooterKind::None, 70},
};

QString AmountFieldOf(const QString& kind) {
    return kind == Income ? QStringLiteral("IncomeAccount") : QStringLiteral("PayoutAccount");
}

// The category button's picture: a small ledger page with a plus, drawn rather than shipped.
QPixmap CategoryPicture() {
    const qreal ratio = 2;
    QPixmap picture(QSize(22, 22) * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient face(0, 0, 0, 22);
    face.setColorAt(0, QColor(0xFF, 0xFB, 0xF1));
    face.setColorAt(1, QColor(0xE4, 0xD1, 0xA8));
    painter.setPen(QColor(0xB0, 0x8A, 0x4E));
    painter.setBrush(face);
    painter.drawRoundedRect(QRectF(0.5, 0.5, 21, 21), 3, 3);
    painter.setPen(QPen(QColor(0x8E, 0x1B, 0x1B), 1.2));
    for (int y : {6, 10, 14})
        painter.drawLine(QPointF(4.5, y), QPointF(11.5, y));
    painter.setPen(QPen(QColor(0x8E, 0x1B, 0x1B), 2.2));
    painter.drawLine(QPointF(16, 9), QPointF(16, 19));
    painter.drawLine(QPointF(11, 14), QPointF(21, 14));
    return picture;
}

// The amount box's text for a stored amount: its number, or that it is beyond the currency
// column (written by another tool), which no save takes for an amount.
QString AmountText(const TField& amount) {
    qint64 units = 0;
    if (Currency::Read(amount.Value(), units) == Currency::TReading::OutOfRange)
        return Currency::OutOfRangeText();
    return amount.AsString();
}

} // namespace

TfrmPayoutBase::TfrmPayoutBase(QWidget* parent)
    : TfrmBase(parent), qryPayout(std::make_unique<TQuery>(TdmMain::Ledger())),
      qryItemProject(std::make_unique<TQuery>(TdmMain::Ledger())) {
    setWindowTitle(QStringLiteral("理财管理"));
    BuildLayout();

    connect(sbPayout, &QAbstractButton::clicked, this, Guarded([this] { sbPayoutClick(); }));
    ceAccount->installEventFilter(this);
    SetKindCaptions(QStringLiteral("支出"));
    FWiring->Bind(this, *qryPayout, dbgPayout, &TfrmPayoutBase::qryPayoutAfterScroll);
    qryPayout->SetNewKeyRule(NewKeys::Payout());
}

TfrmPayoutBase::~TfrmPayoutBase() {
    RunGuarded([this] { FormDestroy(); });
}

void TfrmPayoutBase::BuildLayout() {
    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    form->setSpacing(0);

    // 1. The button bar, 退出 at the right edge.
    Panel8 = new TPanel(this);
    Panel8->setObjectName(QStringLiteral("Panel8"));
    FWiring = std::make_unique<TMaintenanceWiring>(
        this, Panel8,
        TButtonBarStyle{
            .Margins = {6, 4, 6, 4}, .Spacing = 4, .QuitApart = true, .KeyboardAids = true});
    std::tie(sbAppend, sbSave, sbCancel, sbDelete, sbQuit) = FWiring->Bar.Buttons();
    form->addWidget(Panel8);

    // 2. The edit area: labelled fields at the left, the note at the right.
    Panel1 = new TPanel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* area = new QHBoxLayout(Panel1);
    area->setContentsMargins(8, 6, 8, 6);
    area->setSpacing(12);

    Panel2 = new TPanel(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    auto* fields = new QGridLayout(Panel2);
    fields->setContentsMargins(0, 0, 0, 0);
    fields->setHorizontalSpacing(6);
    fields->setVerticalSpacing(5);

    edtPayout = new QLineEdit(Panel2);
    edtPayout->setObjectName(QStringLiteral("edtPayout"));
    edtPayout->setMaxLength(ContentWidth);

    cbItemProject = new QComboBox(Panel2);
    cbItemProject->setObjectName(QStringLiteral("cbItemProject"));
    cbItemProject->setEditable(false);
    cbItemProject->setMaxVisibleItems(16);
    cbItemProject->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbItemProject->setMinimumContentsLength(10);

    sbPayout = new TPictureButton(Panel2);
    sbPayout->setObjectName(QStringLiteral("sbPayout"));
    sbPayout->SetPicture(CategoryPicture());
    sbPayout->setFixedSize(22, 22);
    sbPayout->setToolTip(QStringLiteral("收支分类项目"));
    sbPayout->setAccessibleName(QStringLiteral("收支分类项目"));
    auto* category = new QHBoxLayout;
    category->setSpacing(3);
    category->addWidget(cbItemProject, 1);
    category->addWidget(sbPayout);

    dtpUseDate = new QDateEdit(Panel2);
    dtpUseDate->setObjectName(QStringLiteral("dtpUseDate"));
    dtpUseDate->setCalendarPopup(true);
    dtpUseDate->setDisplayFormat(ShortDateFormat());

    ceAccount = new QLineEdit(Panel2);
    ceAccount->setObjectName(QStringLiteral("ceAccount"));
    ceAccount->setMaxLength(AmountDigits);
    // Every way in (typing, pasting, dropping, input methods) passes the validator, so nothing
    // but digits ever reaches the save checks.
    ceAccount->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(AmountDigits)), ceAccount));
    ceAccount->setInputMethodHints(Qt::ImhDigitsOnly);
    ceAccount->setPlaceholderText(QStringLiteral("整元"));

    edtPerson = new QLineEdit(Panel2);
    edtPerson->setObjectName(QStringLiteral("edtPerson"));
    edtPerson->setEnabled(false);

    lblPayout = FieldLabel(Panel2, QStringLiteral("lblPayout"), edtPayout);
    lblItemProject = FieldLabel(Panel2, QStringLiteral("lblItemProject"), cbItemProject);
    lblUseDate = FieldLabel(Panel2, QStringLiteral("lblUseDate"), dtpUseDate);
    lblAccount = FieldLabel(Panel2, QStringLiteral("lblAccount"), ceAccount);
    lblPerson = FieldLabel(Panel2, QStringLiteral("lblPerson"), edtPerson);
    lblPerson->setText(QStringLiteral("记帐人"));

    fields->addWidget(lblPayout, 0, 0);
    fields->addWidget(edtPayout, 0, 1);
    fields->addWidget(lblItemProject, 1, 0);
    fields->addLayout(category, 1, 1);
    fields->addWidget(lblUseDate, 2, 0);
    fields->addWidget(dtpUseDate, 2, 1);
    fields->addWidget(lblAccount, 3, 0);
    fields->addWidget(ceAccount, 3, 1);
    fields->addWidget(lblPerson, 4, 0);
    fields->addWidget(edtPerson, 4, 1);
    fields->setColumnStretch(1, 1);
    fields->setRowStretch(5, 1);
    area->addWidget(Panel2, 5);

    Panel3 = new TPanel(Panel1);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    auto* note = new QVBoxLayout(Panel3);
    note->setContentsMargins(0, 0, 0, 0);
    note->setSpacing(3);
    mmMemos = new QPlainTextEdit(Panel3);
    mmMemos->setObjectName(QStringLiteral("mmMemos"));
    mmMemos->setTabChangesFocus(true);
    lblMemos = new QLabel(QStringLiteral("详细说明"), Panel3);
    lblMemos->setObjectName(QStringLiteral("lblMemos"));
    lblMemos->setBuddy(mmMemos);
    note->addWidget(lblMemos);
    note->addWidget(mmMemos, 1);
    area->addWidget(Panel3, 4);
    Panel1->setFixedHeight(150);
    form->addWidget(Panel1);

    // 3. The list, filling the rest.
    dbgPayout = new TDBGrid(this);
    dbgPayout->setObjectName(QStringLiteral("dbgPayout"));
    dbgPayout->SetSortable(true);
    form->addWidget(dbgPayout, 1);

    // The fields in their order for Tab and Enter, then the list and the buttons.
    setTabOrder(edtPayout, cbItemProject);
    setTabOrder(cbItemProject, dtpUseDate);
    setTabOrder(dtpUseDate, ceAccount);
    setTabOrder(ceAccount, edtPerson);
    setTabOrder(edtPerson, mmMemos);
    setTabOrder(mmMemos, dbgPayout);
    setTabOrder(dbgPayout, sbAppend);
    setTabOrder(sbAppend, sbSave);
    setTabOrder(sbSave, sbCancel);
    setTabOrder(sbCancel, sbDelete);
    setTabOrder(sbDelete, sbQuit);
}

void TfrmPayoutBase::SetKindCaptions(const QString& kind) {
    lblPayout->setText(kind + QStringLiteral("内容"));
    lblItemProject->setText(kind + QStringLiteral("类型"));
    lblUseDate->setText(kind + QStringLiteral("时间"));
    lblAccount->setText(kind + QStringLiteral("金额"));

    QList<TGridColumn> columns = RecordColumns;
    for (TGridColumn& column : columns) {
        column.Caption.replace(QStringLiteral("%1"), kind);
        if (column.Format == TColumnFormat::Currency)
            column.Visible = column.Field == AmountFieldOf(kind);
    }
    dbgPayout->SetColumns(columns);
}

QString TfrmPayoutBase::AmountField() const {
    return AmountFieldOf(FItemType);
}

QString TfrmPayoutBase::CategoryStatement() const {
    return CategoryStatement(FItemType);
}

QString TfrmPayoutBase::CategoryStatement(const QString& kind) {
    return QStringLiteral("select ItemProjectID, ItemProject, ItemType from bItemProject where "
                          "ItemType = '") +
           SqlText(kind) + u'\'';
}

QString TfrmPayoutBase::RecordStatement() const {
    return RecordStatement(FItemType, MonthFirstDay, MonthLastDay,
                           ComboPub ? ComboPub->CurPersonName : QString());
}

QString TfrmPayoutBase::RecordStatement(const QString& kind, const QDateTime& firstDay,
                                        const QDateTime& lastDay, const QString& person) {
    return QStringLiteral("select * from fPayout where ItemType = '") + SqlText(kind) +
           QStringLiteral("' and UseDate > ") + DayNumber::Text(firstDay.addDays(-1)) +
           QStringLiteral(" and UseDate <= ") + DayNumber::Text(lastDay) +
           QStringLiteral(" and PersonName = '") + SqlText(person) +
           QStringLiteral("' order by UseDate");
}

void TfrmPayoutBase::FillCategories() {
    ComboPub->FillCombo(CategoryStatement(), *dmMain->qryCommon, QStringLiteral("ItemProject"),
                        cbItemProject, QStringLiteral("ItemProjectID"), &FItemProjectIDs);
}

// The list's category names, from all categories of both kinds.
void TfrmPayoutBase::ReadCategoryNames() {
    TCommonDB::OpenSQL(QStringLiteral("select * from bItemProject order by ItemProjectID"), *qryItemProject);
    qryPayout->AddLookupField(QStringLiteral("ItemProject"), QStringLiteral("ItemProjectID"),
                              *qryItemProject, QStringLiteral("ItemProjectID"),
                              QStringLiteral("ItemProject"));
}

void TfrmPayoutBase::FormShow() {
    TfrmBase::FormShow();
    FItemProjectIDs.clear();
    FillCategories();
    edtPerson->setText(ComboPub->CurPersonName);
    {
        TFillPause pause(FFillEnabled);
        if (qryPayout->FieldIndex(QStringLiteral("ItemProject")) < 0) ReadCategoryNames();
        TCommonDB::OpenSQL(RecordStatement(), *qryPayout);
    }
    qryPayoutAfterScroll();
}

void TfrmPayoutBase::FormDestroy() {
    FItemProjectIDs.clear();
}

void TfrmPayoutBase::qryPayoutAfterScroll() {
    TQuery& q = *qryPayout;
    edtPayout->setText(q.FieldByName(QStringLiteral("Payout")).AsString());
    cbItemProject->setCurrentIndex(
        int(FItemProjectIDs.indexOf(q.FieldByName(QStringLiteral("ItemProjectID")).AsString())));
    const TField useDate = q.FieldByName(QStringLiteral("UseDate"));
    dtpUseDate->setDateTime(useDate.AsString().isEmpty() ? TCommonDB::GetSysDateTime()
                                                         : useDate.AsDateTime());
    ceAccount->setText(AmountText(q.FieldByName(AmountField())));
    mmMemos->setPlainText(q.FieldByName(QStringLiteral("Memos")).AsString());
}

void TfrmPayoutBase::sbAppendClick() {
    edtPayout->setFocus();
    qryPayout->Append();
}

void TfrmPayoutBase::sbSaveClick() {
    if (cbItemProject->currentIndex() < 0) {
        TCommon::ShowWarning(QStringLiteral("请输入") + FItemType + QStringLiteral("类别！"));
        return;
    }
    const QString amountText = Trimmed(ceAccount->text());
    if (amountText.isEmpty()) {
        TCommon::ShowWarning(QStringLiteral("请输入金额！"));
        return;
    }
    bool whole = false;
    const int amount = amountText.toInt(&whole, 10);
    if (!whole) {
        TCommon::ShowError(QStringLiteral("对不起，请输入合法单位（元）！"));
        ceAccount->setFocus();
        return;
    }

    TQuery& q = *qryPayout;
    try {
        TFillPause pause(FFillEnabled); // true again after a failed post too
        // Nothing listed to overwrite: the input becomes a new record, whose key the query
        // takes as it writes it (NewKeys::Payout).
        if (q.State() != TDataSetState::Insert && q.IsEmpty()) q.Append();
        if (q.State() != TDataSetState::Insert) q.Edit();

        const QDate day = dtpUseDate->date();
        q.FieldByName(QStringLiteral("Payout")).SetAsString(Trimmed(edtPayout->text()));
        q.FieldByName(QStringLiteral("ItemProjectID"))
            .SetAsInteger(FItemProjectIDs.value(cbItemProject->currentIndex()).toLongLong());
        q.FieldByName(QStringLiteral("ItemType")).SetAsString(FItemType);
        q.FieldByName(QStringLiteral("UseDate")).SetValue(day); // the day at midnight
        q.FieldByName(AmountField()).SetAsInteger(amount);
        q.FieldByName(QStringLiteral("PersonName")).SetAsString(Trimmed(edtPerson->text()));
        q.FieldByName(QStringLiteral("Memos")).SetAsString(Trimmed(mmMemos->toPlainText()));
        q.FieldByName(QStringLiteral("MonthNum")).SetAsInteger(day.month());
        q.FieldByName(QStringLiteral("YearNum")).SetAsInteger(day.year());
        q.FieldByName(QStringLiteral("QuarterNum")).SetAsInteger((day.month() - 1) / 3 + 1);
        q.Post();
    } catch (const ERecordChanged&) {
        // Changed on another computer: the edit area shows the record as it is now, and the
        // message says why.
        qryPayoutAfterScroll();
        throw;
    }
    qryPayoutAfterScroll();
}

void TfrmPayoutBase::sbCancelClick() {
    {
        TFillPause pause(FFillEnabled);
        qryPayout->Cancel();
    }
    qryPayoutAfterScroll();
}

void TfrmPayoutBase::sbDeleteClick() {
    if (qryPayout->IsEmpty()) {
        TCommon::ShowWarning(QStringLiteral("没有记录，么样删撒！"));
        return;
    }
    if (!TCommon::ShowConfirm(QStringLiteral("是否确定删除当前记录？"))) return;
    std::exception_ptr changed;
    {
        TFillPause pause(FFillEnabled);
        try {
            qryPayout->Delete();
        } catch (const ERecordChanged&) {
            changed = std::current_exception(); // said once the record shows as it is now
        } catch (const std::exception&) {
            // A deletion the ledger refused leaves the record in place; the list and the edit
            // area are simply shown again as they are.
        }
    }
    qryPayoutAfterScroll();
    if (changed) std::rethrow_exception(changed);
}

void TfrmPayoutBase::sbQuitClick() {
    Panel8->setFocus();
    close();
}

void TfrmPayoutBase::sbPayoutClick() {
    QWidget* owner = frmPanel ? static_cast<QWidget*>(frmPanel) : this;
    auto* dialog = new TfrmItemType(owner);
    frmItemType = dialog;
    if (frmPanel && frmPanel->sdMain.Active()) frmPanel->sdMain.AddNestedForm(dialog);
    try {
        dialog->exec();
    } catch (...) {
        delete dialog;
        throw;
    }
    delete dialog;

    FillCategories();
    {
        // Categories added or renamed there show their names in the list at once.
        TFillPause pause(FFillEnabled);
        ReadCategoryNames();
    }
    qryPayoutAfterScroll();
}

void TfrmPayoutBase::ceAccountKeyPress(QChar& key) {
    TCommon::FilterDigitKey(key);
}

bool TfrmPayoutBase::eventFilter(QObject* watched, QEvent* event) {
    const bool handled = TfrmBase::eventFilter(watched, event); // the form sees the key first
    if (watched == ceAccount && event->type() == QEvent::KeyPress) {
        // Typed characters pass the digit filter; editing keys and shortcuts (no printable
        // text) go on to the box, whose validator guards what they bring in.
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text =
            key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)
                ? QString()
                : key->text();
        bool discard = false;
        for (QChar typed : text) {
            if (typed.unicode() < 32 && typed.unicode() != 8 && typed.unicode() != 10 &&
                typed.unicode() != 13)
                continue;
            RunGuarded([&] { ceAccountKeyPress(typed); });
            if (typed.isNull()) discard = true;
        }
        if (discard) return true;
    }
    return handled;
}

TfrmIncome::TfrmIncome(QWidget* parent) : TfrmPayoutBase(parent) {
    setObjectName(QStringLiteral("frmIncome"));
    setWindowTitle(QStringLiteral("日常收入管理"));
    SetKindCaptions(QStringLiteral("收入"));
}

TfrmPayout::TfrmPayout(QWidget* parent) : TfrmPayoutBase(parent) {
    setObjectName(QStringLiteral("frmPayout"));
    setWindowTitle(QStringLiteral("日常支出管理"));
    SetKindCaptions(QStringLiteral("支出"));
}
