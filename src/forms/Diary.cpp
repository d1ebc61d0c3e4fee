#include "forms/Diary.h"

#include "data/ComboPub.h"
#include "data/Common.h"
#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/NewKeys.h"
#include "data/query/DayNumber.h"
#include "data/query/Query.h"
#include "forms/DiaryDatePicker.h"
#include "forms/DiaryQuery.h"
#include "forms/FillPause.h"
#include "forms/base/FormPanel.h"
#include "platform/DateText.h"
#include "platform/ErrorReport.h"
#include "widgets/Panel.h"

#include <QHBoxLayout>
#include <QFontMetricsF>
#include <QPainter>
#include <QLabel>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

QPointer<TfrmDiary> frmDiary;

namespace {


QToolButton* NewButton(QWidget* parent, const QString& name, const QString& caption) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(caption);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setFixedSize(84, 27);
    return button;
}

const QString DiaryLabel = QStringLiteral("请输入                 日的日记"); // 17 blanks

// The memo shows line breaks as the text edit writes them.
QString MemoText(const QString& stored) {
    QString text = stored;
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// A label whose run of blanks is drawn at least as wide as the control placed in it, whatever
// the width of a blank in the font; its text stays the caption as written.
class TGapLabel : public QLabel {
public:
    TGapLabel(const QString& text, int minimumGap, QWidget* parent)
        : QLabel(text, parent), FMinimumGap(minimumGap) {}

    // The gap, in the label's coordinates.
    QRect Gap() const {
        const QFontMetrics metrics(font());
        return QRect(metrics.horizontalAdvance(Prefix()), 0, GapWidth(), height());
    }

    QSize sizeHint() const override {
        const QFontMetrics metrics(font());
        return QSize(metrics.horizontalAdvance(Prefix()) + GapWidth() +
                         metrics.horizontalAdvance(Suffix()),
                     metrics.height());
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        const QFontMetrics metrics(font());
        const int baseline = (height() - metrics.height()) / 2 + metrics.ascent();
        painter.drawText(0, baseline, Prefix());
        painter.drawText(Gap().right() + 1, baseline, Suffix());
    }

private:
    // The text before the blanks, the blanks, and the text after them.
    qsizetype GapStart() const { return text().indexOf(u' '); }
    qsizetype GapEnd() const {
        qsizetype end = GapStart();
        while (end >= 0 && end < text().size() && text()[end] == u' ')
            ++end;
        return end;
    }
    QString Prefix() const { return GapStart() < 0 ? text() : text().left(GapStart()); }
    QString Suffix() const { return GapStart() < 0 ? QString() : text().mid(GapEnd()); }
    int GapWidth() const {
        if (GapStart() < 0) return 0;
        const int blanks = QFontMetrics(font()).horizontalAdvance(
            text().mid(GapStart(), GapEnd() - GapStart()));
        return std::max(blanks, FMinimumGap);
    }

    int FMinimumGap;
};

} // namespace

TfrmDiary::TfrmDiary(QWidget* parent)
    : TfrmBase(parent),
      qryDiary(std::make_unique<TQuery>(TdmMain::Ledger())) {
    setObjectName(QStringLiteral("frmDiary"));
    setWindowTitle(QStringLiteral("日志管理"));
    setAttribute(Qt::WA_DeleteOnClose); // closing frees the form, deferred
    BuildLayout();

    qryDiary->AfterScroll = [this](TQuery&) { qryDiaryAfterScroll(); };
    qryDiary->SetNewKeyRule(NewKeys::Diary());
    connect(dtpDiary, &TDiaryDatePicker::CloseUp, this, Guarded([this] { dtpDiaryCloseUp(); }));
    connect(dtpDiary, &TDiaryDatePicker::editingFinished, this,
            Guarded([this] { dtpDiaryEditingFinished(); }));
    connect(sbAppend, &QToolButton::clicked, this, Guarded([this] { sbAppendClick(); }));
    connect(SpeedButton1, &QToolButton::clicked, this, Guarded([this] { SpeedButton1Click(); }));
    connect(SpeedButton4, &QToolButton::clicked, this, Guarded([this] { SpeedButton4Click(); }));
    connect(sbDel, &QToolButton::clicked, this, Guarded([this] { sbDelClick(); }));
    connect(SpeedButton3, &QToolButton::clicked, this, Guarded([this] { SpeedButton3Click(); }));
}

TfrmDiary::~TfrmDiary() {
    qryDiary->AfterScroll = nullptr;
}

void TfrmDiary::BuildLayout() {
    pnlDiary = new TPanel(this);
    pnlDiary->setObjectName(QStringLiteral("pnlDiary"));
    pnlDiary->setFixedHeight(38);
    pnlDiaryCaption = new QLabel(pnlDiary);
    pnlDiaryCaption->setObjectName(QStringLiteral("pnlDiaryCaption"));
    pnlDiaryCaption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    dtpDiary = new TDiaryDatePicker(pnlDiary);
    dtpDiary->setObjectName(QStringLiteral("dtpDiary"));
    dtpDiary->setAccessibleName(QStringLiteral("日记日期"));
    dtpDiary->setFixedSize(112, 24);
    auto* label = new TGapLabel(DiaryLabel, dtpDiary->width() + 8, pnlDiary);
    lblDiary = label;
    lblDiary->setObjectName(QStringLiteral("lblDiary"));
    lblDiary->setBuddy(dtpDiary);
    lblDiary->move(10, 12);
    lblDiary->adjustSize();
    // The picker sits in the label's gap, between "请输入" and "日的日记".
    FDiaryGap = label->Gap().translated(lblDiary->pos());
    dtpDiary->move(FDiaryGap.left() + 4, 7);

    mmDiary = new QPlainTextEdit(this);
    mmDiary->setObjectName(QStringLiteral("mmDiary"));
    mmDiary->setAccessibleName(QStringLiteral("日记"));
    mmDiary->setTabChangesFocus(true);

    sbAppend = NewButton(this, QStringLiteral("sbAppend"), QStringLiteral("  确定"));
    SpeedButton1 = NewButton(this, QStringLiteral("SpeedButton1"), QStringLiteral("  取消"));
    SpeedButton4 = NewButton(this, QStringLiteral("SpeedButton4"), QStringLiteral("  查询"));
    sbDel = NewButton(this, QStringLiteral("sbDel"), QStringLiteral("  删除"));
    SpeedButton3 = NewButton(this, QStringLiteral("SpeedButton3"), QStringLiteral("  退出"));

    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(10);
    for (QToolButton* button : {sbAppend, SpeedButton1, SpeedButton4, sbDel, SpeedButton3})
        buttons->addWidget(button);
    buttons->addStretch(1);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(8, 8, 8, 8);
    body->setSpacing(8);
    body->addWidget(mmDiary, 1);
    body->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pnlDiary);
    layout->addLayout(body, 1);

    setTabOrder(dtpDiary, mmDiary);
    setTabOrder(mmDiary, sbAppend);
    setTabOrder(sbAppend, SpeedButton1);
    setTabOrder(SpeedButton1, SpeedButton4);
    setTabOrder(SpeedButton4, sbDel);
    setTabOrder(sbDel, SpeedButton3);
}

void TfrmDiary::resizeEvent(QResizeEvent* event) {
    TfrmBase::resizeEvent(event);
    pnlDiaryCaption->setGeometry(pnlDiary->rect().adjusted(6, 0, -6, 0));
}

// Opaque over the page beneath, on the host panel's own picture.
void TfrmDiary::paintEvent(QPaintEvent* event) {
    static const QPixmap background(QStringLiteral(":/images/panel_background.png"));
    QPainter(this).drawPixmap(rect(), background);
    TfrmBase::paintEvent(event);
}

void TfrmDiary::FormShow() {
    TfrmBase::FormShow();
    dtpDiary->SetValue(TCommonDB::GetSysDateTime());
    LoadDay();
}

QString TfrmDiary::DayStatement(const QDateTime& moment, const QString& personId) {
    const double value = DayNumber::FromDateTime(moment);
    return QStringLiteral("select * from fDiary where DiaryDate > ") + DayNumber::Text(value - 1) +
           QStringLiteral(" and DiaryDate <") + DayNumber::Text(value) +
           QStringLiteral(" and PersonID = ") + personId;
}

QString TfrmDiary::PeriodStatement(const QDateTime& begin, const QDateTime& end,
                                   const QString& personId) {
    return QStringLiteral("select * from fDiary where DiaryDate >= ") +
           DayNumber::Text(DayNumber::FromDateTime(begin) - 1) +
           QStringLiteral(" and DiaryDate < ") + DayNumber::Text(end) +
           QStringLiteral(" and PersonID = ") + personId + QStringLiteral(" order by DiaryDate");
}

void TfrmDiary::FindDay() {
    const QString sql = DayStatement(dtpDiary->Value(), ComboPub->CurPersonID);
    FLoadedDay = QDate();
    {
        TFillPause pause(FFillEnabled);
        TCommonDB::OpenSQL(sql, *qryDiary);
    }
    FLoadedDay = dtpDiary->date();
}

void TfrmDiary::LoadDay() {
    FindDay();
    qryDiaryAfterScroll();
    mmDiary->setFocus();
}

void TfrmDiary::qryDiaryAfterScroll() {
    if (!FFillEnabled) return;
    const bool hasEntry = qryDiary->Active() && !qryDiary->IsEmpty();
    mmDiary->setPlainText(hasEntry ? MemoText(qryDiary->FieldByName(QStringLiteral("Diary")).AsString())
                                   : QString());
}

void TfrmDiary::dtpDiaryCloseUp() {
    LoadDay();
}

// A date typed into the picker loads its day once committed (Enter, or the focus leaving the
// picker), and only when it names another day, so typing in the memo is never lost to a picker
// that the focus merely passed through.
void TfrmDiary::dtpDiaryEditingFinished() {
    if (dtpDiary->date() != FLoadedDay) LoadDay();
}

void TfrmDiary::sbAppendClick() {
    // The entry saved is always that of the day the picker shows, with the memo as it stands.
    if (dtpDiary->date() != FLoadedDay || !qryDiary->Active()) {
        FindDay();
    } else if (qryDiary->State() != TDataSetState::Browse) { // left over from a failed save
        TFillPause pause(FFillEnabled);
        qryDiary->Cancel();
    }

    try {
        // Neither the new empty record nor the post may touch the memo: it is not refilled.
        // A new entry takes its key as the query writes it (NewKeys::Diary).
        TFillPause pause(FFillEnabled);
        if (qryDiary->IsEmpty())
            qryDiary->Append();
        else
            qryDiary->Edit();
        qryDiary->FieldByName(QStringLiteral("Diary")).SetAsString(mmDiary->toPlainText());
        qryDiary->FieldByName(QStringLiteral("DiaryDate")).SetValue(dtpDiary->date()); // midnight
        qryDiary->FieldByName(QStringLiteral("PersonID")).SetAsString(ComboPub->CurPersonID);
        qryDiary->Post();
    } catch (const ERecordChanged&) {
        // Changed on another computer: the memo shows the entry as it is now.
        qryDiaryAfterScroll();
        throw;
    }
    TCommon::ShowWarning(ShortDateText(dtpDiary->date()) + QStringLiteral(" 日志保存成功！"));
}

void TfrmDiary::SetDayView(bool dayView) {
    lblDiary->setVisible(dayView);
    dtpDiary->setVisible(dayView);
    sbAppend->setVisible(dayView);
    sbDel->setVisible(dayView);
    // Nothing saves the summary, so it cannot be typed in.
    mmDiary->setReadOnly(!dayView);
}

void TfrmDiary::SpeedButton1Click() {
    SetDayView(true);
    pnlDiaryCaption->clear();
    {
        TFillPause pause(FFillEnabled);
        qryDiary->Cancel();
    }
    qryDiaryAfterScroll();
}

void TfrmDiary::sbDelClick() {
    if (!TCommon::ShowConfirm(QStringLiteral("是否确定删除当前日记？"))) return;
    try {
        {
            TFillPause pause(FFillEnabled);
            qryDiary->Delete();
        }
        qryDiaryAfterScroll();
    } catch (const ERecordChanged&) {
        qryDiaryAfterScroll(); // changed on another computer: shown as it is now, and said
        throw;
    } catch (...) {
        // A day without an entry has nothing to delete; nothing is reported.
    }
}

void TfrmDiary::SpeedButton4Click() {
    QWidget* owner = frmPanel ? static_cast<QWidget*>(frmPanel) : this;
    const std::unique_ptr<TfrmDiaryQuery> dialog = std::make_unique<TfrmDiaryQuery>(owner);
    if (frmPanel && frmPanel->sdMain.Active()) frmPanel->sdMain.AddNestedForm(dialog.get());
    dialog->exec();
    if (!dialog->FResult) return;

    const QDateTime begin = dialog->dtpBegin->Value();
    const QDateTime end = dialog->dtpEnd->Value();
    const QString sql = PeriodStatement(begin, end, ComboPub->CurPersonID);
    TQuery& query = *dmMain->qryCommon;
    TCommonDB::OpenSQL(sql, query);

    QStringList lines;
    for (query.First(); !query.Eof(); query.Next()) {
        lines << ShortDateText(query.FieldByName(QStringLiteral("DiaryDate")).AsDateTime().date());
        lines << MemoText(query.FieldByName(QStringLiteral("Diary")).AsString());
        lines << QString();
    }
    mmDiary->setPlainText(lines.join(u'\n'));
    SetDayView(false);
    pnlDiaryCaption->setText(QStringLiteral(" 下面是 ") + ShortDateText(begin.date()) +
                             QStringLiteral(" 至 ") + ShortDateText(end.date()) +
                             QStringLiteral(" 日志汇总记录："));
}

void TfrmDiary::SpeedButton3Click() {
    close();
}
