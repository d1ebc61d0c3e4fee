#include "forms/DiaryQuery.h"

#include "data/CommonDB.h"
#include "forms/DiaryDatePicker.h"
#include "platform/ErrorReport.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QToolButton* NewButton(QWidget* parent, const QString& name, const QString& caption) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(caption);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setMinimumWidth(72);
    return button;
}

} // namespace

TfrmDiaryQuery::TfrmDiaryQuery(QWidget* parent) : TfrmBase(parent) {
    setObjectName(QStringLiteral("frmDiaryQuery"));
    setWindowTitle(QStringLiteral("日志查询"));
    setModal(true);

    Label1 = new QLabel(QStringLiteral("从"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    dtpBegin = new TDiaryDatePicker(this);
    dtpBegin->setObjectName(QStringLiteral("dtpBegin"));
    Label1->setBuddy(dtpBegin);
    Label2 = new QLabel(QStringLiteral("至"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    dtpEnd = new TDiaryDatePicker(this);
    dtpEnd->setObjectName(QStringLiteral("dtpEnd"));
    Label2->setBuddy(dtpEnd);
    sbAppend = NewButton(this, QStringLiteral("sbAppend"), QStringLiteral("  确定"));
    SpeedButton1 = NewButton(this, QStringLiteral("SpeedButton1"), QStringLiteral("  取消"));

    auto* period = new QHBoxLayout;
    period->addWidget(Label1);
    period->addWidget(dtpBegin, 1);
    period->addSpacing(8);
    period->addWidget(Label2);
    period->addWidget(dtpEnd, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(sbAppend);
    buttons->addSpacing(16);
    buttons->addWidget(SpeedButton1);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 18, 16, 14);
    layout->setSpacing(18);
    layout->addLayout(period);
    layout->addLayout(buttons);
    setFixedSize(320, 112);

    connect(sbAppend, &QToolButton::clicked, this, Guarded([this] { sbAppendClick(); }));
    connect(SpeedButton1, &QToolButton::clicked, this, Guarded([this] { SpeedButton1Click(); }));
    FormCreate();
}

// The host panel's picture behind the controls, as in the forms it holds.
void TfrmDiaryQuery::paintEvent(QPaintEvent* event) {
    static const QPixmap background(QStringLiteral(":/images/panel_background.png"));
    QPainter(this).drawPixmap(rect(), background);
    TfrmBase::paintEvent(event);
}

void TfrmDiaryQuery::FormCreate() {
    dtpBegin->SetValue(TCommonDB::GetSysDateTime());
    dtpEnd->SetValue(TCommonDB::GetSysDateTime().addDays(1));
}

void TfrmDiaryQuery::sbAppendClick() {
    FResult = true;
    accept();
}

void TfrmDiaryQuery::SpeedButton1Click() {
    FResult = false;
    reject();
}
