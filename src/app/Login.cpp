#include "app/Login.h"

#include "app/Application.h"
#include "app/start/LedgerRecovery.h"
#include "app/LoginLayout.h"
#include "data/ComboPub.h"
#include "data/Common.h"
#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/query/Query.h"
#include "data/engine/SqlText.h"
#include "data/TextRules.h"
#include "platform/ErrorReport.h"
#include "platform/Fonts.h"
#include "platform/GbkCodec.h"
#include "settings/IniSetting.h"
#include "widgets/Image.h"
#include "widgets/PictureButton.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>

QPointer<TfrmLogin> frmLogin;

namespace {

const QString SettingsKey = QStringLiteral("系统");
const QString AccountValue = QStringLiteral("默认帐户");

QLineEdit* BorderlessEdit(QWidget* parent, const QString& name, const QString& label,
                          const QRect& place) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setFrame(false);
    edit->setMaxLength(20);
    edit->setGeometry(place.adjusted(2, 1, -2, -1)); // inside the white box of the picture
    edit->setStyleSheet(QStringLiteral("QLineEdit { background: white; color: black; }"));
    edit->setAccessibleName(label); // the label is part of the picture
    return edit;
}

TPictureButton* FaceButton(QWidget* parent, const QString& name, const QString& picture,
                           const QString& label, const QRect& place) {
    auto* button = new TPictureButton(parent);
    button->setObjectName(name);
    button->SetPicture(QPixmap(picture));
    button->setGeometry(place);
    button->SetCornerRadius(6);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setAccessibleName(label);
    button->setToolTip(label);
    return button;
}

} // namespace

TfrmLogin::TfrmLogin(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("系统登录"));
    setFixedSize(LoginLayout::FormSize);
    QFont font = SongFont(12);
    font.setPointSize(9);
    setFont(font);

    Image1 = new TImage(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->SetPicture(QPixmap(QStringLiteral(":/images/login.png")));
    Image1->setGeometry(rect());

    sbOK = FaceButton(this, QStringLiteral("sbOK"), QStringLiteral(":/images/login_ok.png"),
                      QStringLiteral("登陆"), LoginLayout::OkButton);
    sbCancel =
        FaceButton(this, QStringLiteral("sbCancel"), QStringLiteral(":/images/login_cancel.png"),
                   QStringLiteral("取消"), LoginLayout::CancelButton);
    edtAccount = BorderlessEdit(this, QStringLiteral("edtAccount"), QStringLiteral("用户名"),
                                LoginLayout::AccountBox);
    edtLogonPassword = BorderlessEdit(this, QStringLiteral("edtLogonPassword"),
                                      QStringLiteral("密码"), LoginLayout::PasswordBox);
    edtLogonPassword->setEchoMode(QLineEdit::Password);

    setTabOrder(sbOK, sbCancel);
    setTabOrder(sbCancel, edtAccount);
    setTabOrder(edtAccount, edtLogonPassword);

    connect(sbOK, &QAbstractButton::clicked, this, Guarded([this] { sbOKClick(); }));
    connect(sbCancel, &QAbstractButton::clicked, this, Guarded([this] { sbCancelClick(); }));
    edtAccount->installEventFilter(this);
    edtLogonPassword->installEventFilter(this);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    RunGuarded([this] { FormCreate(); });
}

void TfrmLogin::FormCreate() {
    if (!IniSetting) return; // the settings could not be made; the error was reported
    IniSetting->OpenKey(SettingsKey, true);
    edtAccount->setText(IniSetting->ReadValue(AccountValue));
    IniSetting->CloseKey();
}

void TfrmLogin::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) RunGuarded([this] { FormShow(); });
}

void TfrmLogin::FormShow() {
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(210, 234, 244)); // under the picture
    setPalette(colours);
    FLoginOK = false;
    // A remembered account leaves only the password to type.
    (edtAccount->text().isEmpty() ? edtAccount : edtLogonPassword)->setFocus();
}

bool TfrmLogin::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (watched == edtAccount) RunGuarded([&] { edtAccountKeyDown(key); });
        if (watched == edtLogonPassword) RunGuarded([&] { edtLogonPasswordKeyDown(key); });
        if (key == Qt::Key_Return || key == Qt::Key_Enter) return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmLogin::edtAccountKeyDown(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) edtLogonPassword->setFocus();
}

void TfrmLogin::edtLogonPasswordKeyDown(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) sbOKClick();
}

void TfrmLogin::sbOKClick() {
    // A ledger that was busy or missing at start is tried again; a failure names the file and
    // its reason.
    if (!dmMain) throw EDatabaseError(QStringLiteral("数据模块尚未创建"));
    dmMain->Open();
    TQuery& query = *dmMain->qryCommon;
    const QString account = Trimmed(edtAccount->text());
    const QString lookup =
        QStringLiteral("select * from bPerson where LoginAccount = '") + SqlText(account) + u'\'';
    try {
        TCommonDB::OpenSQL(lookup, query);
    } catch (const EDatabaseError&) {
        // Members the ledger cannot give back may be damage that the check running behind the
        // login finds: its offer comes now, and the account is looked up again in the ledger a
        // backup replaced. Otherwise the error is reported as it is.
        if (!LedgerRecovery::AwaitCheck()) throw;
        TCommonDB::OpenSQL(lookup, query);
    }
    if (query.IsEmpty()) {
        TCommon::ShowWarning(QStringLiteral("帐号不存在，请重新输入！"));
        return;
    }
    const QString stored = query.FieldByName(QStringLiteral("LoginPassword")).AsString();
    // A password that GBK cannot write has no stored form, so it matches no member.
    const QString typed = Trimmed(edtLogonPassword->text());
    if (!Gbk::CanEncode(typed) || stored != TCommon::EncodeText(typed)) {
        TCommon::ShowWarning(QStringLiteral("密码不正确，请核对！"));
        return;
    }
    const QString name = query.FieldByName(QStringLiteral("PersonName")).AsString();
    const QString id = query.FieldByName(QStringLiteral("PersonID")).AsString();
    // The login has succeeded: only now is the account remembered for the next start.
    if (IniSetting) {
        IniSetting->OpenKey(SettingsKey, true);
        IniSetting->WriteValue(AccountValue, edtAccount->text());
        IniSetting->CloseKey();
    }
    ComboPub->CurPersonName = name;
    ComboPub->CurPersonID = id;
    FLoginOK = true;
    accept();
}

void TfrmLogin::sbCancelClick() {
    reject();
}

// Every way of leaving the form ends here: 登陆, 取消, Escape and the window's close command.
void TfrmLogin::done(int result) {
    RunGuarded([this] { FormClose(); });
    QDialog::done(result);
}

void TfrmLogin::FormClose() {
    if (!FLoginOK) TApplication::Terminate();
}
