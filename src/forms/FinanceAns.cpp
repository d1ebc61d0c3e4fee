#include "forms/FinanceAns.h"

#include "data/ComboPub.h"
#include "data/Common.h"
#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/query/Query.h"
#include "data/engine/SqlText.h"
#include "data/TextRules.h"
#include "output/StatementPrint.h"
#include "platform/ErrorReport.h"
#include "widgets/Currency.h"
#include "widgets/Panel.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QLabel>
#include <QLegendMarker>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

QPointer<TfrmFinanceAns> frmFinanceAns;

namespace {

const QString Monthly = QStringLiteral("月度");
const QString Quarterly = QStringLiteral("季度");
// "请选择", 26 blanks, "年份": the year list sits in the gap between the two words.
const QString YearLabel = QStringLiteral("请选择") + QString(26, u' ') + QStringLiteral("年份");

constexpr int BarHeight = 40;
constexpr int ControlHeight = 22;

} // namespace

TfrmFinanceAns::TfrmFinanceAns(QWidget* parent) : TfrmBase(parent) {
    setObjectName(QStringLiteral("frmFinanceAns"));
    setWindowTitle(QStringLiteral("财务统计分析"));

    Panel8 = new TPanel(this);
    Panel8->setObjectName(QStringLiteral("Panel8"));
    Panel8->setFixedHeight(BarHeight);

    Label1 = new QLabel(YearLabel, Panel8);
    Label1->setObjectName(QStringLiteral("Label1"));
    cbYear = new QComboBox(Panel8);
    cbYear->setObjectName(QStringLiteral("cbYear"));
    cbYear->setAccessibleName(QStringLiteral("年份"));
    // The skin's drop-down button lies inside the list's right padding already; without that
    // padding counted twice a year fits the label's blanks.
    cbYear->setStyleSheet(QStringLiteral("QComboBox { padding-right: 2px; }"));
    Label1->setBuddy(cbYear);
    for (int year = FirstListedYear; year <= LastListedYear; ++year)
        cbYear->addItem(QString::number(year));
    cbYear->setCurrentIndex(-1);

    cbType = new QComboBox(Panel8);
    cbType->setObjectName(QStringLiteral("cbType"));
    cbType->setAccessibleName(QStringLiteral("统计分析方式"));
    cbType->addItems({Monthly, Quarterly});
    cbType->setCurrentIndex(-1);

    sbAns = new QPushButton(QStringLiteral("分析"), Panel8);
    sbAns->setObjectName(QStringLiteral("sbAns"));
    sbAns->setAutoDefault(false);
    sbPrint = new QPushButton(QStringLiteral("打印"), Panel8);
    sbPrint->setObjectName(QStringLiteral("sbPrint"));
    sbPrint->setAutoDefault(false);
    sbQuit = new QPushButton(QStringLiteral("退出"), Panel8);
    sbQuit->setObjectName(QStringLiteral("sbQuit"));
    sbQuit->setAutoDefault(false);

    // Two bar series side by side at each period, each bar's value above it; the legend shows
    // each series in the colour its bars are drawn in.
    Series1 = new QBarSet(QStringLiteral("收入"));
    Series1->setColor(Qt::red);
    Series1->setBorderColor(Qt::red);
    Series1->setLabelColor(Qt::black);
    Series2 = new QBarSet(QStringLiteral("支出"));
    Series2->setColor(Qt::blue);
    Series2->setBorderColor(Qt::blue);
    Series2->setLabelColor(Qt::black);
    FSeries = new QBarSeries;
    FSeries->append(Series1);
    FSeries->append(Series2);
    FSeries->setLabelsVisible(true);
    FSeries->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    FSeries->setLabelsPrecision(12); // whole yuan up to a billion are shown in full

    FChart = new QChart;
    FChart->setTitle(QStringLiteral("财务统计分析"));
    FChart->setTitleBrush(QBrush(Qt::blue));
    QFont titleFont = font();
    titleFont.setPixelSize(16);
    titleFont.setBold(true);
    FChart->setTitleFont(titleFont);
    FChart->setPlotAreaBackgroundVisible(false); // a clear back wall
    FChart->addSeries(FSeries);
    FPeriodAxis = new QBarCategoryAxis;
    FAmountAxis = new QValueAxis;
    FAmountAxis->setLabelFormat(QStringLiteral("%.0f"));
    FAmountAxis->setMin(0);
    FChart->addAxis(FPeriodAxis, Qt::AlignBottom);
    FChart->addAxis(FAmountAxis, Qt::AlignLeft);
    FSeries->attachAxis(FPeriodAxis);
    FSeries->attachAxis(FAmountAxis);
    FChart->legend()->setVisible(true);
    FChart->legend()->setAlignment(Qt::AlignRight);
    FChart->legend()->setFont(font());
    FPeriodAxis->setLabelsFont(font());
    FAmountAxis->setLabelsFont(font());

    Chart1 = new QChartView(FChart, this);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    Chart1->setRenderHint(QPainter::Antialiasing);
    Chart1->setFocusPolicy(Qt::NoFocus);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel8);
    layout->addWidget(Chart1, 1);
    PlaceTopBar();

    setTabOrder(cbYear, cbType);
    setTabOrder(cbType, sbAns);
    setTabOrder(sbAns, sbPrint);
    setTabOrder(sbPrint, sbQuit);

    // The lists react to the user's choice only: selecting defaults from code runs nothing.
    connect(cbYear, &QComboBox::activated, this, Guarded([this] { cbYearChange(); }));
    connect(cbType, &QComboBox::activated, this, Guarded([this] { cbTypeChange(); }));
    connect(sbAns, &QPushButton::clicked, this, Guarded([this] { sbAnsClick(); }));
    connect(sbPrint, &QPushButton::clicked, this, Guarded([this] { sbPrintClick(); }));
    connect(sbQuit, &QPushButton::clicked, this, Guarded([this] { sbQuitClick(); }));
}

// The year list sits over the blanks of its label, the mode list and the buttons follow. The list
// leaves a little room before "年份" where the blanks allow, but is never narrower than it needs
// to show a year whole: then it takes the blanks up to the one before "年份".
void TfrmFinanceAns::PlaceTopBar() {
    const QFontMetrics metrics(Label1->font());
    const int top = (BarHeight - ControlHeight) / 2;
    const int left = 12;
    Label1->setGeometry(left, top, metrics.horizontalAdvance(YearLabel) + 4, ControlHeight);
    const int gapStart = left + metrics.horizontalAdvance(QStringLiteral("请选择 "));
    const int gapEnd = left + metrics.horizontalAdvance(YearLabel) -
                       metrics.horizontalAdvance(QStringLiteral(" 年份"));
    const int gap = gapEnd - gapStart;
    const int width = std::min(std::max(gap - 6, cbYear->sizeHint().width()), gap);
    cbYear->setGeometry(gapStart, top, width, ControlHeight);
    int x = Label1->geometry().right() + 12;
    cbType->setGeometry(x, top, 80, ControlHeight);
    x += 80 + 16;
    sbAns->setGeometry(x, top - 1, 72, ControlHeight + 2);
    x += 72 + 8;
    sbPrint->setGeometry(x, top - 1, 72, ControlHeight + 2);
    x += 72 + 8;
    sbQuit->setGeometry(x, top - 1, 72, ControlHeight + 2);
}

void TfrmFinanceAns::resizeEvent(QResizeEvent* event) {
    TfrmBase::resizeEvent(event);
    PlaceTopBar();
}

// Every year from the first listed one (or the member's earliest record, if earlier) to the
// latest of the last listed year, the current year and the member's latest record, so that no
// record is out of reach of the chart and the form opens on the current year.
void TfrmFinanceAns::FillYears() {
    int first = FirstListedYear;
    int last = std::max<int>(LastListedYear, CurYear);
    TQuery& query = *dmMain->qryCommon;
    TCommonDB::OpenSQL(QStringLiteral("select min(YearNum), max(YearNum) from fPayout where "
                                      "PersonName = '") +
                           SqlText(ComboPub->CurPersonName) + QStringLiteral("'"),
                       query);
    if (!query.IsEmpty() && !query.Fields(0).IsNull()) {
        // Years outside the range of dates the program can enter are not offered.
        first = std::min<int>(first, std::max<qint64>(query.Fields(0).AsInteger(), 1900));
        last = std::max<int>(last, std::min<qint64>(query.Fields(1).AsInteger(), 9999));
    }
    query.Close();
    if (cbYear->count() == last - first + 1 && cbYear->itemText(0).toInt() == first) return;
    cbYear->clear();
    for (int year = first; year <= last; ++year)
        cbYear->addItem(QString::number(year));
    cbYear->setCurrentIndex(-1);
}

void TfrmFinanceAns::FormShow() {
    TfrmBase::FormShow();
    PlaceTopBar(); // the lists' sizes as the skin, now applied, draws them
    cbType->setCurrentIndex(0);
    FillYears();
    cbYear->setCurrentIndex(cbYear->findText(QString::number(CurYear)));
    sbAnsClick();
}

void TfrmFinanceAns::sbAnsClick() {
    FYearIndex = cbYear->currentIndex();
    FTypeIndex = cbType->currentIndex();
    if (cbYear->currentIndex() < 0) {
        TCommon::ShowWarning(QStringLiteral("请选择年份！"));
        return;
    }
    if (cbType->currentIndex() < 0) {
        TCommon::ShowWarning(QStringLiteral("请选择统计分析方式！"));
        return;
    }
    const QString type = Trimmed(cbType->currentText());
    if (type == Monthly) Analyse(QStringLiteral("MonthNum"), QStringLiteral("月"));
    if (type == Quarterly) Analyse(QStringLiteral("QuarterNum"), QStringLiteral("季度"));
    FShownTitle = QStringLiteral("%1　%2 年收支（%3）")
                      .arg(ComboPub->CurPersonName, Trimmed(cbYear->currentText()), type);
}

// The chart as drawn, on a landscape page of its own under its title, in the print preview.
void TfrmFinanceAns::sbPrintClick() {
    const QString title = FShownTitle.isEmpty() ? QStringLiteral("财务统计分析") : FShownTitle;
    StatementPrint::Preview(this, QPageLayout::Landscape, [this, &title](QPrinter& printer) {
        StatementPrint::Print(printer, {FChart, title, nullptr});
    });
}

QString TfrmFinanceAns::ChartStatement(const QString& periodColumn, const QString& person,
                                       const QString& year) {
    return QStringLiteral("select ") + periodColumn +
           QStringLiteral(", sum(IncomeAccount) as fSum01, sum(PayoutAccount) as "
                          "fSum02 from fPayout where PersonName = '") +
           SqlText(person) + QStringLiteral("' and YearNum = ") + year +
           QStringLiteral(" group by ") + periodColumn;
}

// One grouped statement for the chosen year; both series are cleared only once it has opened,
// so a failing statement leaves the chart as it was. The periods are drawn in ascending order.
void TfrmFinanceAns::Analyse(const QString& periodColumn, const QString& periodSuffix) {
    TQuery& query = *dmMain->qryCommon;
    TCommonDB::OpenSQL(
        ChartStatement(periodColumn, ComboPub->CurPersonName, Trimmed(cbYear->currentText())),
        query);

    struct TPeriod {
        qint64 Number;
        QString Label;
        double Income;
        double Payout;
    };
    std::vector<TPeriod> periods;
    for (query.First(); !query.Eof(); query.Next()) {
        TField period = query.FieldByName(periodColumn);
        bool outOfRange = false;
        const double income = BarValue(query.FieldByName(QStringLiteral("fSum01")), outOfRange);
        const double payout = BarValue(query.FieldByName(QStringLiteral("fSum02")), outOfRange);
        QString label = period.AsString() + periodSuffix;
        if (outOfRange) label += QStringLiteral("（") + Currency::OutOfRangeText() + u'）';
        periods.push_back({period.IsNull() ? 0 : period.AsInteger(), label, income, payout});
    }
    std::stable_sort(periods.begin(), periods.end(),
                     [](const TPeriod& a, const TPeriod& b) { return a.Number < b.Number; });

    Series1->remove(0, Series1->count());
    Series2->remove(0, Series2->count());
    QStringList labels;
    double highest = 0;
    for (const TPeriod& period : periods) {
        Series1->append(period.Income);
        Series2->append(period.Payout);
        labels.append(period.Label);
        highest = std::max({highest, period.Income, period.Payout});
    }
    ShowPeriods(labels);
    // Room above the highest bar for its value.
    FAmountAxis->setRange(0, highest > 0 ? highest * 1.15 : 100);
    FAmountAxis->applyNiceNumbers();
}

// A period's total as its bar's height; a total beyond what the currency columns hold has no
// bar, and its period says so.
double TfrmFinanceAns::BarValue(const TField& sum, bool& outOfRange) {
    qint64 units = 0;
    switch (Currency::Read(sum.Value(), units)) {
    case Currency::TReading::Amount:
        return double(units) / double(Currency::UnitsPerYuan);
    case Currency::TReading::OutOfRange:
        outOfRange = true;
        break;
    case Currency::TReading::Empty:
        break;
    }
    return 0;
}

// The period axis shows exactly the periods drawn. Qt Charts keeps drawing an axis's last labels
// when its categories are cleared, so an empty year hides them.
void TfrmFinanceAns::ShowPeriods(const QStringList& labels) {
    FPeriodAxis->setCategories(labels);
    FPeriodAxis->setLabelsVisible(!labels.isEmpty());
}

void TfrmFinanceAns::cbYearChange() {
    if (cbYear->currentIndex() == FYearIndex) return;
    sbAnsClick();
}

void TfrmFinanceAns::cbTypeChange() {
    if (cbType->currentIndex() == FTypeIndex) return;
    sbAnsClick();
}

void TfrmFinanceAns::sbQuitClick() {
    close();
}
