#include "forms/Relatively.h"

#include "data/ComboPub.h"
#include "data/Common.h"
#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "forms/BillImportFlow.h"
#include "forms/CsvSaveDialog.h"
#include "forms/Diary.h"
#include "forms/base/FormPanel.h"
#include "output/LedgerCsv.h"
#include "platform/Calculator.h"
#include "platform/DocumentOpener.h"
#include "platform/ErrorReport.h"
#include "widgets/Image.h"
#include "widgets/LinkLabel.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>

QPointer<TfrmRelatively> frmRelatively;

namespace {

TLinkLabel* NewLink(QWidget* parent, const QString& name, const QString& caption, int left) {
    auto* link = new TLinkLabel(caption, parent);
    link->setObjectName(name);
    QFont font = link->font();
    font.setPixelSize(16);
    link->setFont(font);
    link->adjustSize();
    link->setGeometry(left, 28, link->width() + 4, 20);
    return link;
}

} // namespace

TfrmRelatively::TfrmRelatively(QWidget* parent) : TfrmBase(parent) {
    setObjectName(QStringLiteral("frmRelatively"));
    setWindowTitle(QStringLiteral("家庭理财相关"));

    Image1 = new TImage(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->SetPicture(QPixmap(QStringLiteral(":/images/related_background.png")));
    Image1->setGeometry(rect());
    Image1->lower();

    // One row near the top, in this order.
    Label1 = NewLink(this, QStringLiteral("Label1"), QStringLiteral("理财日志"), 48);
    Label2 = NewLink(this, QStringLiteral("Label2"), QStringLiteral("理财计算器"),
                     Label1->geometry().right() + 48);
    Label3 = NewLink(this, QStringLiteral("Label3"), QStringLiteral("个人所得税计算"),
                     Label2->geometry().right() + 48);
    setTabOrder(Label1, Label2);
    Label4 = NewLink(this, QStringLiteral("Label4"), QStringLiteral("导入账单"),
                     Label3->geometry().right() + 48);
    setTabOrder(Label2, Label3);
    setTabOrder(Label3, Label4);
    Label5 = NewLink(this, QStringLiteral("Label5"), QStringLiteral("导出账本"),
                     Label4->geometry().right() + 48);
    setTabOrder(Label4, Label5);

    connect(Label1, &TLinkLabel::clicked, this, Guarded([this] { Label1Click(); }));
    connect(Label2, &TLinkLabel::clicked, this, Guarded([this] { Label2Click(); }));
    connect(Label3, &TLinkLabel::clicked, this, Guarded([this] { Label3Click(); }));
    connect(Label4, &TLinkLabel::clicked, this, Guarded([this] { Label4Click(); }));
    connect(Label5, &TLinkLabel::clicked, this, Guarded([this] { Label5Click(); }));
}

QString TfrmRelatively::TaxPagePath() {
    return TCommon::GetAppPath() + QStringLiteral("bank/computer/tax.html");
}

void TfrmRelatively::resizeEvent(QResizeEvent* event) {
    TfrmBase::resizeEvent(event);
    Image1->setGeometry(rect());
}

// The diary fills the host panel, and follows it when the panel changes size.
bool TfrmRelatively::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FHost) {
        if (event->type() == QEvent::Resize && frmDiary && frmDiary->parentWidget() == FHost)
            frmDiary->setGeometry(FHost->rect());
        return false;
    }
    return TfrmBase::eventFilter(watched, event);
}

void TfrmRelatively::Label1Click() {
    if (frmDiary) { // already open above the page
        frmDiary->raise();
        frmDiary->activateWindow();
        return;
    }
    QWidget* host = frmPanel ? static_cast<QWidget*>(frmPanel) : parentWidget();
    if (!host) host = this;
    frmDiary = new TfrmDiary(host);          // owned by the host panel
    frmDiary->setWindowFlags(Qt::Widget);    // embedded, without border or title bar
    frmDiary->setGeometry(host->rect());     // filling the host panel, above this page
    if (FHost != host) {
        FHost = host;
        host->installEventFilter(this);
    }
    if (frmPanel && frmPanel->sdMain.Active()) frmPanel->sdMain.AddNestedForm(frmDiary);
    frmDiary->raise();
    frmDiary->show();
}

void TfrmRelatively::Label2Click() {
    const TCalculatorLocation calculator = FindCalculator();
    if (!calculator.Found) TCommon::ShowWarning(calculator.Path);
    // Started in either case; what the system then says is its own affair.
    StartProgram(calculator.Path);
}

void TfrmRelatively::Label3Click() {
    const QString page = TaxPagePath();
    if (!QFileInfo::exists(page)) {
        TCommon::ShowWarning(QStringLiteral("个人所得税计算页面不存在，请检查！\n") + page);
        return;
    }
    // The system's browser decides the size of its window.
    if (!OpenDocument(page)) TCommon::ShowWarning(QStringLiteral("网页浏览器没有发现，请检查！"));
}

void TfrmRelatively::Label4Click() {
    BillImportFlow::Run(this);
}

void TfrmRelatively::Label5Click() {
    const QString member = ComboPub->CurPersonName;
    const QString path = CsvSaveDialog::Ask(
        this, QStringLiteral("导出账本"),
        QStringLiteral("账本-%1-%2.csv")
            .arg(member, TCommonDB::GetSysDateTime().toString(QStringLiteral("yyyyMMdd"))));
    if (path.isEmpty()) return;
    const int count = LedgerCsv::Export(TdmMain::Ledger(), member, path);
    TCommon::ShowInformation(QStringLiteral("已导出 %1 的 %2 条帐目到\n%3")
                                 .arg(member)
                                 .arg(count)
                                 .arg(QDir::toNativeSeparators(path)));
}
