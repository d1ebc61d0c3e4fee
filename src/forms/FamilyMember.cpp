#include "forms/FamilyMember.h"

#include "data/Common.h"
#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/NewKeys.h"
#include "data/TextRules.h"
#include "forms/FillPause.h"
#include "forms/MaintenanceWiring.h"
#include "platform/GbkCodec.h"
#include "widgets/grid/DBGrid.h"
#include "widgets/Memo.h"
#include "widgets/Panel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

QPointer<TfrmFamilyMember> frmFamilyMember;

namespace {

const QList<TGridColumn> PersonColumns = {
    {QStringLiteral("dbgPersonPersonName"), QStringLiteral("PersonName"), QStringLiteral("成员"),
     true, Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignCenter, TColumnFormat::Text,
     TFooterKind::None, 96},
    {QStringLiteral("dbgPersonLoginAccount"), QStringLiteral("LoginAccount"),
     QStringLiteral("帐户"), true, Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignCenter,
     TColumnFormat::Text, TFooterKind::None, 96},
    {QStringLiteral("dbgPersonRoleName"), QStringLiteral("RoleName"), QStringLiteral("角色"), true,
     Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignCenter},
};

// Shows a stored text whole, even when it is longer than the box takes: the box then allows its
// length, and saving tells the user.
void ShowWhole(QLineEdit* edit, const QString& text, int limit) {
    edit->setMaxLength(qMax(limit, int(text.size())));
    edit->setText(text);
}

// True when the password comes back from its stored form unchanged: every character is one GBK
// can write, and none turns into a zero byte.
bool PasswordSurvives(const QString& password) {
    if (Gbk::ToUnicode(Gbk::FromUnicode(password)) != password) return false;
    return TCommon::DecodeText(TCommon::EncodeText(password)) == password;
}

} // namespace

TfrmFamilyMember::TfrmFamilyMember(QWidget* parent) : TfrmBase(parent), qryPerson(TdmMain::Ledger()) {
    setObjectName(QStringLiteral("frmFamilyMember"));
    setWindowTitle(QStringLiteral("家庭成员"));
    BuildLayout();
    FWiring->Bind(this, qryPerson, dbgPerson, &TfrmFamilyMember::qryPersonAfterScroll);
    qryPerson.SetNewKeyRule(NewKeys::Person());
}

TfrmFamilyMember::~TfrmFamilyMember() = default;

void TfrmFamilyMember::BuildLayout() {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    Panel8 = new TPanel(this);
    Panel8->setObjectName(QStringLiteral("Panel8"));
    FWiring = std::make_unique<TMaintenanceWiring>(this, Panel8,
                                                   TButtonBarStyle{.Margins = {4, 4, 4, 4}});
    std::tie(sbAppend, sbSave, sbCancel, sbDelete, sbQuit) = FWiring->Bar.Buttons();
    root->addWidget(Panel8);

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setChildrenCollapsible(false);
    root->addWidget(Splitter1, 1);

    dbgPerson = new TDBGrid(Splitter1);
    dbgPerson->setObjectName(QStringLiteral("dbgPerson"));
    dbgPerson->SetColumns(PersonColumns);
    dbgPerson->SetIndicator(true);
    dbgPerson->setAccessibleName(QStringLiteral("家庭成员"));

    Panel2 = new TPanel(Splitter1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    auto* right = new QVBoxLayout(Panel2);
    right->setContentsMargins(8, 8, 8, 8);
    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(8);
    auto addField = [&](QLabel*& label, QLineEdit*& edit, const QString& caption,
                        const QString& labelName, const QString& editName, int limit) {
        const int row = fields->rowCount();
        label = new QLabel(caption, Panel2);
        label->setObjectName(labelName);
        edit = new QLineEdit(Panel2);
        edit->setObjectName(editName);
        edit->setMaxLength(limit);
        label->setBuddy(edit);
        fields->addWidget(label, row, 0);
        fields->addWidget(edit, row, 1);
    };
    addField(lblPersonName, edtPersonName, QStringLiteral("成员名称"),
             QStringLiteral("lblPersonName"), QStringLiteral("edtPersonName"), NameLength);
    addField(lblRoleName, edtRoleName, QStringLiteral("成员角色"), QStringLiteral("lblRoleName"),
             QStringLiteral("edtRoleName"), RoleLength);
    addField(lblLoginAccount, edtLoginAccount, QStringLiteral("帐    户"),
             QStringLiteral("lblLoginAccount"), QStringLiteral("edtLoginAccount"), AccountLength);
    addField(lblLoginPassword, edtLoginPassword, QStringLiteral("密    码"),
             QStringLiteral("lblLoginPassword"), QStringLiteral("edtLoginPassword"),
             PasswordLength);
    edtLoginPassword->setEchoMode(QLineEdit::Password);
    right->addLayout(fields);

    lblMemos = new QLabel(QStringLiteral("备注说明"), Panel2);
    lblMemos->setObjectName(QStringLiteral("lblMemos"));
    lblMemos->setStyleSheet(QStringLiteral("QLabel { color: #0000FF; }"));
    right->addWidget(lblMemos);
    mmMemos = new TMemo(Panel2);
    mmMemos->setObjectName(QStringLiteral("mmMemos"));
    mmMemos->SetMaxLength(MemosLength);
    lblMemos->setBuddy(mmMemos);
    right->addWidget(mmMemos, 1);

    Splitter1->addWidget(dbgPerson);
    Splitter1->addWidget(Panel2);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({300, 340});

    setTabOrder(edtPersonName, edtRoleName);
    setTabOrder(edtRoleName, edtLoginAccount);
    setTabOrder(edtLoginAccount, edtLoginPassword);
    setTabOrder(edtLoginPassword, mmMemos);
}

void TfrmFamilyMember::FormShow() {
    TfrmBase::FormShow();
    if (!FSplitPlaced) { // the list's width once the form has its size; the user's afterwards
        FSplitPlaced = true;
        layout()->activate();
        Splitter1->setSizes({300, qMax(1, Splitter1->width() - 300 - Splitter1->handleWidth())});
    }
    {
        TFillPause pause(FFillEnabled);
        TCommonDB::OpenSQL(QStringLiteral("select * from bPerson order by PersonID"), qryPerson);
    }
    qryPersonAfterScroll();
}

void TfrmFamilyMember::qryPersonAfterScroll() {
    const bool row = qryPerson.Active() && !qryPerson.IsEmpty();
    auto text = [&](const char* field) {
        return row ? qryPerson.FieldByName(QString::fromLatin1(field)).AsString() : QString();
    };
    ShowWhole(edtPersonName, text("PersonName"), NameLength);
    ShowWhole(edtRoleName, text("RoleName"), RoleLength);
    ShowWhole(edtLoginAccount, text("LoginAccount"), AccountLength);
    ShowWhole(edtLoginPassword, TCommon::DecodeText(text("LoginPassword")), PasswordLength);
    mmMemos->SetText(text("Memos"));
}

void TfrmFamilyMember::sbAppendClick() {
    edtPersonName->setFocus();
    qryPerson.Append();
}

void TfrmFamilyMember::sbSaveClick() {
    const QString name = Trimmed(edtPersonName->text());
    if (name.isEmpty()) {
        TCommon::ShowWarning(QStringLiteral("对不起，请输入成员名称！"));
        edtPersonName->setFocus();
        return;
    }
    const QString role = Trimmed(edtRoleName->text());
    const QString account = Trimmed(edtLoginAccount->text());
    const QString password = Trimmed(edtLoginPassword->text());
    const QString memos = Trimmed(mmMemos->Text());
    // a stored value longer than its box (from an older ledger) is told, never cut
    struct TLimit {
        const QString& Text;
        int Length;
        const char* Caption;
        QWidget* Box;
    };
    const TLimit limits[] = {
        {name, NameLength, "成员名称", edtPersonName},
        {role, RoleLength, "成员角色", edtRoleName},
        {account, AccountLength, "帐户", edtLoginAccount},
        {password, PasswordLength, "密码", edtLoginPassword},
        {memos, MemosLength, "备注说明", mmMemos},
    };
    for (const TLimit& limit : limits) {
        if (limit.Text.size() <= limit.Length) continue;
        TCommon::ShowWarning(QStringLiteral("对不起，%1不能超过%2个字符！")
                                 .arg(QString::fromUtf8(limit.Caption))
                                 .arg(limit.Length));
        limit.Box->setFocus();
        return;
    }
    if (!PasswordSurvives(password)) {
        TCommon::ShowWarning(QStringLiteral("对不起，密码中有无法保存的字符，请换用其他字符！"));
        edtLoginPassword->setFocus();
        return;
    }

    if (qryPerson.State() != TDataSetState::Insert && qryPerson.IsEmpty()) {
        // nothing to overwrite: the input becomes a new member, the edit area stays as typed
        TFillPause pause(FFillEnabled);
        qryPerson.Append();
    }
    // a new member takes its key as the query writes it (NewKeys::Person)
    if (qryPerson.State() != TDataSetState::Insert) qryPerson.Edit();
    qryPerson.FieldByName(QStringLiteral("PersonName")).SetAsString(name);
    qryPerson.FieldByName(QStringLiteral("RoleName")).SetAsString(role);
    qryPerson.FieldByName(QStringLiteral("LoginAccount")).SetAsString(account);
    qryPerson.FieldByName(QStringLiteral("LoginPassword")).SetAsString(TCommon::EncodeText(password));
    qryPerson.FieldByName(QStringLiteral("Memos")).SetAsString(memos);
    qryPerson.Post();
}

void TfrmFamilyMember::sbCancelClick() {
    const TDataSetState state = qryPerson.State();
    if (state != TDataSetState::Edit && state != TDataSetState::Insert) return; // typed text stays
    qryPerson.Cancel();
}

void TfrmFamilyMember::sbDeleteClick() {
    const bool row = qryPerson.Active() && !qryPerson.IsEmpty();
    const qint64 id = row ? qryPerson.FieldByName(QStringLiteral("PersonID")).AsInteger() : 0;
    if (id == 1) {
        TCommon::ShowWarning(QStringLiteral("对不起，默认帐户不能删除！"));
        return;
    }
    if (!TCommon::ShowConfirm(QStringLiteral("是否确定删除当前成员？"))) return;
    try {
        qryPerson.Delete();
    } catch (const ERecordChanged&) {
        throw; // changed on another computer: said, and the list shows it as it is now
    } catch (const std::exception&) {
        // an empty list, or a deletion the ledger refuses: the list stays as it was, silently
    }
}

void TfrmFamilyMember::sbQuitClick() {
    close();
}
