#include "app/MainWindow.h"

#include "app/start/LedgerRecovery.h"
#include "app/Login.h"
#include "data/ComboPub.h"
#include "data/Common.h"
#include "data/CommonDB.h"
#include "data/Services.h"
#include "forms/FamilyMember.h"
#include "forms/FinanceAns.h"
#include "forms/ItemType.h"
#include "forms/PayQuery.h"
#include "forms/PayoutBase.h"
#include "forms/Relatively.h"
#include "forms/base/FormBase.h"
#include "forms/base/FormPanel.h"
#include "platform/DateText.h"
#include "platform/ErrorReport.h"
#include "platform/Exception.h"
#include "platform/Fonts.h"
#include "settings/IniSetting.h"
#include "widgets/Image.h"
#include "widgets/Panel.h"
#include "widgets/PictureButton.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

TfrmMain* frmMain = nullptr;

namespace {

// Marks a working form that CloseWorkForms has closed and handed to deleteLater.
const char* const FreedProperty = "pennyvaleFreed";

// Top of each navigation button in the left column.
constexpr int ButtonTops[TfrmMain::ButtonCount] = {33, 67, 133, 166, 240, 274, 308, 424};

const char* const ButtonCaptions[TfrmMain::ButtonCount] = {
    "家庭成员",     "收支分类项目", "日常收入管理", "日常支出管理",
    "收支查询分析", "财务统计分析", "家庭理财相关", "退出"};

QString TwoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

TPanel* NewPanel(QWidget* parent, const QString& name, const QRect& place) {
    auto* panel = new TPanel(parent);
    panel->setObjectName(name);
    panel->setGeometry(place);
    return panel;
}

TImage* NewImage(QWidget* parent, const QString& name, const QString& picture, const QRect& place) {
    auto* image = new TImage(parent);
    image->setObjectName(name);
    image->SetPicture(QPixmap(picture));
    image->setGeometry(place);
    return image;
}

QLabel* StatusLabel(QWidget* parent, const QString& name, const QString& text, int left) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    label->move(left, 9);
    label->resize(190, 14);
    return label;
}

} // namespace

TfrmMain::TfrmMain()
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Pennyvale"));
    setFont(SongFont(12));
    setFixedSize(792, 573);
    BuildLayout();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    RunGuarded([this] { FormCreate(); });
}

TfrmMain::~TfrmMain() {
    FormDestroy();
}

void TfrmMain::BuildLayout() {
    Image1 = NewImage(this, QStringLiteral("Image1"), QStringLiteral(":/images/banner.png"),
                      QRect(0, 0, 792, 65));
    Panel2 = NewPanel(this, QStringLiteral("Panel2"), QRect(0, 65, 792, 479));
    Panel3 = NewPanel(Panel2, QStringLiteral("Panel3"), QRect(0, 0, 124, 479));
    Image3 = NewImage(Panel3, QStringLiteral("Image3"), QStringLiteral(":/images/leftcolumn.png"),
                      Panel3->rect());
    pnlMain = NewPanel(Panel2, QStringLiteral("pnlMain"), QRect(124, 0, 668, 479));
    auto* workArea = new QVBoxLayout(pnlMain);
    workArea->setContentsMargins(0, 0, 0, 0);
    Panel1 = NewPanel(this, QStringLiteral("Panel1"), QRect(0, 544, 792, 29));
    Image2 = NewImage(Panel1, QStringLiteral("Image2"), QStringLiteral(":/images/statusbar.png"),
                      Panel1->rect());
    lbName = StatusLabel(Panel1, QStringLiteral("lbName"), QStringLiteral("人员"), 8);
    lbDate = StatusLabel(Panel1, QStringLiteral("lbDate"), QStringLiteral("时间"), 208);

    Panel4 = NewPanel(this, QStringLiteral("Panel4"), QRect(0, 0, 113, 23));
    Panel4->hide();
    for (int i = 0; i < ButtonCount; ++i) {
        const QString normal = QStringLiteral("fcib") + TwoDigits(i + 1);
        const QString hover = QStringLiteral("fcib") + TwoDigits(i + 11);
        fcibNormal[i] = NewImage(Panel4, normal, QStringLiteral(":/images/%1.png").arg(normal),
                                 QRect(0, 0, 113, 23));
        fcibHover[i] = NewImage(Panel4, hover, QStringLiteral(":/images/%1.png").arg(hover),
                                QRect(0, 0, 113, 23));

        auto* button = new TPictureButton(Panel3);
        button->setObjectName(QStringLiteral("fcsb") + TwoDigits(i + 1));
        button->setGeometry(6, ButtonTops[i], 113, 23);
        button->SetPicture(fcibNormal[i]->Picture());
        button->setAccessibleName(QString::fromUtf8(ButtonCaptions[i]));
        button->setFocusPolicy(Qt::StrongFocus); // Tab reaches it, Space presses it
        button->OnMouseMove = [this, i] { ButtonMouseMove(i); };
        button->OnMouseLeave = [this, i] { ButtonMouseLeave(i); };
        fcsb[i] = button;
    }
    const std::array<void (TfrmMain::*)(), ButtonCount> clicks = {
        &TfrmMain::fcsb01Click, &TfrmMain::fcsb02Click, &TfrmMain::fcsb03Click,
        &TfrmMain::fcsb04Click, &TfrmMain::fcsb05Click, &TfrmMain::fcsb06Click,
        &TfrmMain::fcsb07Click, &TfrmMain::fcsb08Click};
    for (int i = 0; i < ButtonCount; ++i)
        connect(fcsb[i], &QAbstractButton::clicked, this,
                Guarded([this, click = clicks[i]] { (this->*click)(); }));

    // F1 anywhere in the main window (the working form, its controls, the navigation buttons)
    // is the working form's help key, with Ctrl or Shift as without; a form's own key handling
    // sees F1 only in a dialog of its own, which this shortcut does not reach.
    auto* help = new QShortcut(this);
    help->setKeys({QKeySequence(Qt::Key_F1), QKeySequence(Qt::CTRL | Qt::Key_F1),
                   QKeySequence(Qt::SHIFT | Qt::Key_F1)});
    help->setObjectName(QStringLiteral("HelpShortcut"));
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, Guarded([] { TfrmBase::ShowHelp(); }));
}

void TfrmMain::FormCreate() {
    FServices =
        std::make_unique<TServices>(TCommon::GetSettingsPath() + QStringLiteral("fClient.ini"));
    SetStartDates(TCommonDB::GetSysDateTime().date());
}

void TfrmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous() && !FShown) {
        FShown = true;
        RunGuarded([this] { FormShow(); });
    }
}

bool TfrmMain::RunLogin() {
    // Freed when the modal display ends, also when it ends with an error; frmLogin then clears
    // itself.
    TfrmLogin login(this);
    frmLogin = &login;
    login.exec();
    return login.LoginOK();
}

void TfrmMain::FormShow() {
    // The check of the ledger that began at start ends before the working area is used. A ledger
    // it replaced by a backup may not know the member, or the password, as the damaged one did:
    // the member logs in again on it.
    bool loggedIn = RunLogin();
    while (loggedIn && LedgerRecovery::AwaitCheck())
        loggedIn = RunLogin();

    frmPanel = new TfrmPanel(pnlMain);
    pnlMain->layout()->addWidget(frmPanel);
    frmPanel->show();

    lbName->setText(QStringLiteral("登录成员：") + ComboPub->CurPersonName);
    lbDate->setText(QStringLiteral("登录时间：") +
                    ShortDateText(TCommonDB::GetSysDateTime().date()));
}

// Runs from the destructor, so nothing may leave it: each step reports its own failure.
void TfrmMain::FormDestroy() {
    // The working forms go first, while the services they may use still exist.
    RunGuarded([] {
        delete frmPanel;
        frmPanel = nullptr;
    });
    // Frees Common, CommonDB and ComboPub, then the settings, which write "fClient.ini" back if
    // the login changed it.
    RunGuarded([this] { FServices.reset(); });
}

void TfrmMain::ButtonMouseMove(int index) {
    fcsb[index]->SetPicture(fcibHover[index]->Picture());
}

void TfrmMain::ButtonMouseLeave(int index) {
    fcsb[index]->SetPicture(fcibNormal[index]->Picture());
}

// Each form leaves the layout and the screen at once and is freed when control is back in the
// event loop, so a form may end its own life from one of its handlers (the diary's exit button
// closes the working forms too) and the handler still runs on a live object.
void TfrmMain::CloseWorkForms() {
    if (!frmPanel) return;
    QList<QPointer<TfrmBase>> forms; // from the last to the first, as they are owned
    const QObjectList owned = frmPanel->children();
    for (qsizetype i = owned.size() - 1; i >= 0; --i)
        if (auto* form = qobject_cast<TfrmBase*>(owned[i])) forms << form;
    try {
        for (const QPointer<TfrmBase>& form : forms) {
            if (!form || form->property(FreedProperty).toBool()) continue;
            if (QLayout* layout = frmPanel->layout()) layout->removeWidget(form);
            form->close();
            if (!form) continue; // its close handler freed it
            form->hide();
            form->setProperty(FreedProperty, true);
            form->deleteLater();
        }
    } catch (const std::exception& error) {
        TCommon::ShowWarning(QStringLiteral("关闭窗体出现异常！原因：") + ErrorText(error));
    }
}

bool TfrmMain::IsFreed(const QWidget* form) {
    return !form || form->property(FreedProperty).toBool();
}

void TfrmMain::OpenWorkForm(const std::function<TfrmBase*(QWidget* owner)>& create) {
    CloseWorkForms();
    if (!frmPanel) return;
    TfrmBase* form = create(frmPanel);
    form->setWindowFlags(Qt::Widget); // embedded, without border or title bar
    frmPanel->layout() ? void() : void(new QVBoxLayout(frmPanel));
    frmPanel->layout()->setContentsMargins(0, 0, 0, 0);
    frmPanel->layout()->addWidget(form);
    if (frmPanel->sdMain.Active()) frmPanel->sdMain.AddNestedForm(form);
    form->show();
    // The keyboard goes with the form just opened, as a click into it would take it: its keys
    // (Ctrl+N, Ctrl+S) work at once and Tab leads into its fields.
    form->setFocus(Qt::OtherFocusReason);
}

void TfrmMain::fcsb01Click() {
    OpenWorkForm([](QWidget* owner) { return frmFamilyMember = new TfrmFamilyMember(owner); });
}

void TfrmMain::fcsb02Click() {
    OpenWorkForm([](QWidget* owner) { return frmItemType = new TfrmItemType(owner); });
}

void TfrmMain::fcsb03Click() {
    OpenWorkForm([](QWidget* owner) {
        frmIncome = new TfrmIncome(owner);
        frmIncome->FItemType = QStringLiteral("收入");
        return frmIncome.data();
    });
}

void TfrmMain::fcsb04Click() {
    OpenWorkForm([](QWidget* owner) {
        frmPayout = new TfrmPayout(owner);
        frmPayout->FItemType = QStringLiteral("支出");
        return frmPayout.data();
    });
}

void TfrmMain::fcsb05Click() {
    OpenWorkForm([](QWidget* owner) { return frmPayQuery = new TfrmPayQuery(owner); });
}

void TfrmMain::fcsb06Click() {
    OpenWorkForm([](QWidget* owner) { return frmFinanceAns = new TfrmFinanceAns(owner); });
}

void TfrmMain::fcsb07Click() {
    OpenWorkForm([](QWidget* owner) { return frmRelatively = new TfrmRelatively(owner); });
}

void TfrmMain::fcsb08Click() {
    close();
}
