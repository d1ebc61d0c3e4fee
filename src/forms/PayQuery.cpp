#include "forms/PayQuery.h"

#include "data/ComboPub.h"
#include "data/Common.h"
#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/query/DayNumber.h"
#include "data/query/Query.h"
#include "data/engine/SqlText.h"
#include "data/TextRules.h"
#include "forms/CsvSaveDialog.h"
#include "output/StatementCsv.h"
#include "platform/DateText.h"
#include "output/StatementDocument.h"
#include "output/StatementPrint.h"
#include "platform/ErrorReport.h"
#include "widgets/grid/DBGrid.h"
#include "widgets/grid/GridFooter.h"
#include "widgets/Panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>
#include <utility>

QPointer<TfrmPayQuery> frmPayQuery;

namespace {

const QString DetailsColumns = QStringLiteral(
    "select PayoutID, ItemProjectID, ItemType, Payout, (0 - PayoutAccount) as PayoutAccount, "
    "IncomeAccount, UseDate, PersonName from fPayout where ");
const QString StatGroup = QStringLiteral(" group by b.ItemType, a.ItemProjectID, b.ItemProject");
// The union's rows by kind and category, as SQLite's union gives them; a server's union would
// give them in the order of its hashing.
const QString StatOrder = QStringLiteral(" order by 1, 2");
const QString StatIncomeColumns = QStringLiteral(
    "select b.ItemType, a.ItemProjectID, b.ItemProject, sum(a.IncomeAccount) as iSum from "
    "fPayout a, bItemProject b where ");
const QString StatPayoutColumns =
    QStringLiteral(" select b.ItemType, a.ItemProjectID, b.ItemProject, 0 - sum(a.PayoutAccount) "
                   "as iSum");

constexpr Qt::Alignment Centred = Qt::AlignCenter;
constexpr Qt::Alignment Right = Qt::AlignRight | Qt::AlignVCenter;
constexpr Qt::Alignment Left = Qt::AlignLeft | Qt::AlignVCenter;

// The details' columns: keys hidden, the category's name looked up, both amounts summed.
const QList<TGridColumn> DetailGridColumns = {
    {QStringLiteral("dbgPayoutPayoutID"), QStringLiteral("PayoutID"), QString(), false},
    {QStringLiteral("dbgPayoutItemProjectID"), QStringLiteral("ItemProjectID"), QString(), false},
    {QStringLiteral("dbgPayoutPayout"), QStringLiteral("Payout"), QStringLiteral("支出内容"), true,
     Left, Centred, TColumnFormat::Text, TFooterKind::None, 160},
    {QStringLiteral("dbgPayoutItemProject"), QStringLiteral("ItemProject"),
     QStringLiteral("消费项目"), true, Left, Centred, TColumnFormat::Text, TFooterKind::None, 100},
    {QStringLiteral("dbgPayoutPayoutAccount"), QStringLiteral("PayoutAccount"),
     QStringLiteral("支出金额"), true, Right, Centred, TColumnFormat::Currency, TFooterKind::Sum,
     110},
    {QStringLiteral("dbgPayoutIncomeAccount"), QStringLiteral("IncomeAccount"),
     QStringLiteral("收入金额"), true, Right, Centred, TColumnFormat::Currency, TFooterKind::Sum,
     110},
    {QStringLiteral("dbgPayoutUseDate"), QStringLiteral("UseDate"), QStringLiteral("日期"), true,
     Centred, Centred, TColumnFormat::Date, TFooterKind::None, 90},
    {QStringLiteral("dbgPayoutPersonName"), QStringLiteral("PersonName"),
     QStringLiteral("记帐人"), true, Left, Centred, TColumnFormat::Text, TFooterKind::None, 70},
};

// The totals' columns: the kind (the grouping column, hidden), the category, its sum.
const QList<TGridColumn> StatGridColumns = {
    {QStringLiteral("dxDBGridColumn1"), QStringLiteral("ItemType"), QStringLiteral("收支类型"),
     false},
    {QStringLiteral("dxDBGridLookupColumn1"), QStringLiteral("ItemProject"),
     QStringLiteral("收支项目"), true, Left, Centred, TColumnFormat::Text, TFooterKind::None, 220},
    {QStringLiteral("dxDBGridCurrencyColumn1"), QStringLiteral("iSum"), QStringLiteral("金额"),
     true, Right, Centred, TColumnFormat::Currency, TFooterKind::Sum, 140},
};

// A date picker that shows the date alone in the short date format and keeps the time of day
// of its value: choosing another date replaces only the date part.
QDateTimeEdit* DatePicker(QWidget* parent, const QString& name, const QString& accessibleName) {
    auto* picker = new QDateTimeEdit(parent);
    picker->setObjectName(name);
    picker->setAccessibleName(accessibleName);
    picker->setDisplayFormat(ShortDateFormat());
    picker->setCalendarPopup(true);
    picker->setMinimumDate(QDate(1900, 1, 1));
    picker->setMinimumWidth(110);
    return picker;
}

QLabel* BarLabel(QWidget* parent, const QString& name, const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TfrmPayQuery::TfrmPayQuery(QWidget* parent)
    : TfrmBase(parent), qryItemProject(std::make_unique<TQuery>(dmMain->cnHearthbook)),
      qryPayout(std::make_unique<TQuery>(dmMain->cnHearthbook)),
      qryStat(std::make_unique<TQuery>(dmMain->cnHearthbook)) {
    setObjectName(QStringLiteral("frmPayQuery"));
    setWindowTitle(QStringLiteral("收支查询分析"));

    // The filter bar.
    Panel8 = new TPanel(this);
    Panel8->setObjectName(QStringLiteral("Panel8"));
    cbItemType = new QComboBox(Panel8);
    cbItemType->setObjectName(QStringLiteral("cbItemType"));
    cbItemType->addItems({QStringLiteral("全部"), QStringLiteral("收入"), QStringLiteral("支出")});
    cbItemType->setCurrentIndex(-1);
    cbItemType->setMinimumWidth(70);
    lblItemType =
        BarLabel(Panel8, QStringLiteral("lblItemType"), QStringLiteral("收支类型"), cbItemType);
    cbPerson = new QComboBox(Panel8);
    cbPerson->setObjectName(QStringLiteral("cbPerson"));
    cbPerson->setMinimumWidth(90);
    lblPerson = BarLabel(Panel8, QStringLiteral("lblPerson"), QStringLiteral("记帐人"), cbPerson);
    cbDate = new QCheckBox(QStringLiteral("从"), Panel8);
    cbDate->setObjectName(QStringLiteral("cbDate"));
    dtpBegin = DatePicker(Panel8, QStringLiteral("dtpBegin"), QStringLiteral("开始日期"));
    dtpEnd = DatePicker(Panel8, QStringLiteral("dtpEnd"), QStringLiteral("结束日期"));
    lblTo = BarLabel(Panel8, QStringLiteral("lblTo"), QStringLiteral("至"), dtpEnd);
    edtContent = new QLineEdit(Panel8);
    edtContent->setObjectName(QStringLiteral("edtContent"));
    edtContent->setMinimumWidth(160);
    lblContent = BarLabel(Panel8, QStringLiteral("lblContent"), QStringLiteral("内容"), edtContent);
    sbQuery = new QPushButton(QStringLiteral("查询"), Panel8);
    sbQuery->setObjectName(QStringLiteral("sbQuery"));
    sbQuery->setAutoDefault(false);
    sbExport = new QPushButton(QStringLiteral("导出"), Panel8);
    sbExport->setObjectName(QStringLiteral("sbExport"));
    sbExport->setAutoDefault(false);
    sbPrint = new QPushButton(QStringLiteral("打印"), Panel8);
    sbPrint->setObjectName(QStringLiteral("sbPrint"));
    sbPrint->setAutoDefault(false);
    sbQuit = new QPushButton(QStringLiteral("退出"), Panel8);
    sbQuit->setObjectName(QStringLiteral("sbQuit"));
    sbQuit->setAutoDefault(false);

    // Two rows, so the bar fits the working area: kind, member and period; then the content
    // and the buttons.
    auto* bar = new QVBoxLayout(Panel8);
    bar->setContentsMargins(8, 5, 8, 5);
    bar->setSpacing(4);
    auto* filters = new QHBoxLayout;
    filters->setSpacing(4);
    filters->addWidget(lblItemType);
    filters->addWidget(cbItemType);
    filters->addSpacing(10);
    filters->addWidget(lblPerson);
    filters->addWidget(cbPerson);
    filters->addSpacing(10);
    filters->addWidget(cbDate);
    filters->addWidget(dtpBegin);
    filters->addWidget(lblTo);
    filters->addWidget(dtpEnd);
    filters->addStretch(1);
    auto* search = new QHBoxLayout;
    search->setSpacing(4);
    search->addWidget(lblContent);
    search->addWidget(edtContent, 1);
    search->addSpacing(10);
    search->addWidget(sbQuery);
    search->addWidget(sbExport);
    search->addWidget(sbPrint);
    search->addWidget(sbQuit);
    bar->addLayout(filters);
    bar->addLayout(search);

    // The two pages below the bar, with button-style tabs.
    pcPayout = new QTabWidget(this);
    pcPayout->setObjectName(QStringLiteral("pcPayout"));
    pcPayout->setDocumentMode(true);
    pcPayout->tabBar()->setExpanding(false);
    pcPayout->setStyleSheet(
        QStringLiteral("QTabWidget#pcPayout::pane { border: none; }"
                       "QTabBar::tab { border: 1px solid #8a8a8a; border-radius: 3px; padding: 3px "
                       "14px; color: black;"
                       " margin: 3px 2px; background: #f0f0f0; }"
                       "QTabBar::tab:selected { background: #c8d8ee; border-color: #4a6a9a; }"));
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    pcPayout->addTab(TabSheet1, QStringLiteral("帐目细节"));
    pcPayout->addTab(TabSheet2, QStringLiteral("帐目统计"));
    pcPayout->setCurrentIndex(0);

    // The details: keys hidden, the category's name looked up, expenditure negated, the date
    // centred, both amounts summed in the footer; a header click sorts.
    dbgPayout = new TDBGrid(TabSheet1);
    dbgPayout->setObjectName(QStringLiteral("dbgPayout"));
    dbgPayout->setAccessibleName(QStringLiteral("帐目细节"));
    dbgPayout->SetColumns(DetailGridColumns);
    dbgPayout->SetSortable(true);
    dbgPayout->SetDataSet(qryPayout.get());

    // The totals, grouped by kind with the group panel; the footer is income less expenditure.
    dbgStat = new TDBGrid(TabSheet2);
    dbgStat->setObjectName(QStringLiteral("dbgStat"));
    dbgStat->setAccessibleName(QStringLiteral("帐目统计"));
    dbgStat->SetGroupColumn(QStringLiteral("ItemType")); // first, so its rows carry the kind
    dbgStat->SetColumns(StatGridColumns);
    dbgStat->SetGroupPanelVisible(true);
    dbgStat->SetSortable(true);
    dbgStat->SetDataSet(qryStat.get());

    // The footer strips show the sums (the grid leaves its strip hidden until told).
    dbgPayout->Footer()->show();
    dbgStat->Footer()->show();

    for (auto [page, grid] : {std::pair<QWidget*, TDBGrid*>{TabSheet1, dbgPayout},
                              std::pair<QWidget*, TDBGrid*>{TabSheet2, dbgStat}}) {
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(0, 0, 0, 0);
        pageLayout->addWidget(grid);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel8);
    layout->addWidget(pcPayout, 1);

    setTabOrder(cbItemType, cbPerson);
    setTabOrder(cbPerson, dtpBegin);
    setTabOrder(dtpBegin, cbDate);
    setTabOrder(cbDate, dtpEnd);
    setTabOrder(dtpEnd, edtContent);
    setTabOrder(edtContent, sbQuery);
    setTabOrder(sbQuery, sbExport);
    setTabOrder(sbExport, sbPrint);
    setTabOrder(sbPrint, sbQuit);

    // The category names stay loaded for the form's life; the details look their names up.
    TCommonDB::OpenSQL(QStringLiteral("select * from bItemProject order by ItemProjectID"), *qryItemProject);
    qryPayout->AddLookupField(QStringLiteral("ItemProject"), QStringLiteral("ItemProjectID"),
                              *qryItemProject, QStringLiteral("ItemProjectID"),
                              QStringLiteral("ItemProject"));

    connect(sbQuery, &QPushButton::clicked, this, Guarded([this] { sbQueryClick(); }));
    connect(sbExport, &QPushButton::clicked, this, Guarded([this] { sbExportClick(); }));
    connect(sbPrint, &QPushButton::clicked, this, Guarded([this] { sbPrintClick(); }));
    connect(sbQuit, &QPushButton::clicked, this, Guarded([this] { sbQuitClick(); }));
}

TfrmPayQuery::~TfrmPayQuery() {
    // the grids let go of the queries before the queries go
    dbgPayout->SetDataSet(nullptr);
    dbgStat->SetDataSet(nullptr);
}

QDateTime TfrmPayQuery::PickerValue(const QDateTime& moment) {
    const QTime earliest(0, 0, 1);
    if (moment.time() >= earliest) return moment;
    return QDateTime(moment.date(), earliest, moment.timeSpec());
}

void TfrmPayQuery::FormShow() {
    TfrmBase::FormShow();
    dtpBegin->setDateTime(PickerValue(TCommonDB::GetSysDateTime()));
    dtpEnd->setDateTime(PickerValue(TCommonDB::GetSysDateTime().addDays(30)));
    ComboPub->FillComboWithNone(QStringLiteral("select * from bPerson order by PersonID"), *dmMain->qryCommon,
                                QStringLiteral("PersonName"), cbPerson, QString(), nullptr);

    TCommonDB::OpenSQL(FirstDetailsStatement(ComboPub->CurPersonName), *qryPayout);
    TCommonDB::OpenSQL(FirstStatisticsStatement(ComboPub->CurPersonName), *qryStat);
    FShownFilter = TFilter();
    ExpandStatGroups();
}

QString TfrmPayQuery::FirstDetailsStatement(const QString& person) {
    return DetailsColumns + QStringLiteral("PersonName = '") + SqlText(person) +
           QStringLiteral("' order by UseDate");
}

QString TfrmPayQuery::FirstStatisticsStatement(const QString& person) {
    const QString name = SqlText(person);
    return StatIncomeColumns +
           QStringLiteral("a.ItemProjectID = b.ItemProjectID and a.ItemType = "
                          "'收入' and a.PersonName = '") +
           name + QStringLiteral("'") + StatGroup + QStringLiteral(" union") + StatPayoutColumns +
           QStringLiteral(" from fPayout a, bItemProject b where a.ItemProjectID "
                          "= b.ItemProjectID") +
           QStringLiteral(" and a.ItemType = '支出' and a.PersonName = '") + name +
           QStringLiteral("'") + StatGroup + StatOrder;
}

// The filters that are set, in their fixed order: kind, member, period (the begin day less one
// day to the end day, with the pickers' time of day) and content.
QString TfrmPayQuery::Conditions(const TFilter& filter, const QString& prefix) {
    QString conditions;
    if (!filter.Kind.isEmpty())
        conditions += QStringLiteral(" and ") + prefix + QStringLiteral("ItemType = '") +
                      SqlText(filter.Kind) + QStringLiteral("'");
    if (!filter.Person.isEmpty())
        conditions += QStringLiteral(" and ") + prefix + QStringLiteral("PersonName = '") +
                      SqlText(filter.Person) + QStringLiteral("'");
    if (filter.ByDate)
        conditions += QStringLiteral(" and ") + prefix + QStringLiteral("UseDate >= ") +
                      DayNumber::Text(filter.Begin.addDays(-1)) + QStringLiteral(" and ") + prefix +
                      QStringLiteral("UseDate <= ") + DayNumber::Text(filter.End);
    if (!filter.Content.isEmpty())
        conditions += QStringLiteral(" and ") + prefix + QStringLiteral("Payout like '%") +
                      SqlLikeText(filter.Content) + QStringLiteral("%' escape '") +
                      QChar(LikeEscape) + QStringLiteral("'");
    return conditions;
}

QString TfrmPayQuery::DetailsStatement(const QString& person, const TFilter& filter) {
    return DetailsColumns + QStringLiteral("1 = 1 and PersonName = '") + SqlText(person) +
           QStringLiteral("'") + Conditions(filter, QString()) +
           QStringLiteral(" order by UseDate");
}

QString TfrmPayQuery::StatisticsStatement(const QString& person, const TFilter& filter) {
    const QString name = SqlText(person);
    const QString a = QStringLiteral("a.");
    return StatIncomeColumns + QStringLiteral("a.PersonName = '") + name +
           QStringLiteral("' and a.ItemProjectID = b.ItemProjectID") +
           QStringLiteral(" and a.ItemType = '收入'") + Conditions(filter, a) + StatGroup +
           QStringLiteral(" union") + StatPayoutColumns +
           QStringLiteral(" from fPayout a, bItemProject b where a.PersonName = '") + name +
           QStringLiteral("' and a.ItemProjectID = b.ItemProjectID") +
           QStringLiteral(" and a.ItemType = '支出'") + Conditions(filter, a) + StatGroup +
           StatOrder;
}

// The filters as the bar shows them now.
TfrmPayQuery::TFilter TfrmPayQuery::CurrentFilter() const {
    TFilter filter;
    if (cbItemType->currentIndex() > 0) filter.Kind = cbItemType->currentText();
    if (cbPerson->currentIndex() > 0) filter.Person = cbPerson->currentText();
    filter.ByDate = cbDate->isChecked();
    filter.Begin = dtpBegin->dateTime();
    filter.End = dtpEnd->dateTime();
    filter.Content = Trimmed(edtContent->text());
    return filter;
}

void TfrmPayQuery::sbQueryClick() {
    const TFilter filter = CurrentFilter();
    // The details first: when they fail, the totals are not run.
    TCommonDB::OpenSQL(DetailsStatement(ComboPub->CurPersonName, filter), *qryPayout);
    TCommonDB::OpenSQL(StatisticsStatement(ComboPub->CurPersonName, filter), *qryStat);
    FShownFilter = filter;
    ExpandStatGroups();
}

const QList<TGridColumn>& TfrmPayQuery::DetailColumns() {
    return DetailGridColumns;
}

const QList<TGridColumn>& TfrmPayQuery::StatColumns() {
    return StatGridColumns;
}

TStatementTable TfrmPayQuery::DetailsTable(TQuery& details, const std::vector<int>& order) {
    return TStatementTable::FromQuery(details, DetailGridColumns, order);
}

TStatementTable TfrmPayQuery::StatisticsTable(TQuery& statistics) {
    return TStatementTable::GroupedTotals(statistics, QStringLiteral("ItemType"),
                                          StatGridColumns[1], StatGridColumns[2],
                                          QStringLiteral("结余"));
}

// What the current page shows, laid out for paper in the print preview: its title, the member
// and the filters of the rows shown, then the details with their sums or the totals with the
// balance.
void TfrmPayQuery::sbPrintClick() {
    const bool details = pcPayout->currentIndex() == 0;
    QStringList lines{QStringLiteral("成员：") + ComboPub->CurPersonName};
    lines.append(FShownFilter.ByDate ? QStringLiteral("期间：%1 至 %2")
                                           .arg(ShortDateText(FShownFilter.Begin.date()),
                                                ShortDateText(FShownFilter.End.date()))
                                     : QStringLiteral("期间：全部日期"));
    QStringList filters;
    if (!FShownFilter.Kind.isEmpty())
        filters.append(QStringLiteral("收支类型：") + FShownFilter.Kind);
    if (!FShownFilter.Person.isEmpty())
        filters.append(QStringLiteral("记帐人：") + FShownFilter.Person);
    if (!FShownFilter.Content.isEmpty())
        filters.append(QStringLiteral("内容：") + FShownFilter.Content);
    if (!filters.isEmpty()) lines.append(filters.join(QStringLiteral("　")));
    TStatementDocument document(details ? QStringLiteral("帐目细节") : QStringLiteral("帐目统计"),
                                lines);
    // the details in the order the grid shows them, sorted by a header click or not
    std::vector<int> order;
    const QAbstractItemModel* shown = dbgPayout->View()->model();
    for (int row = 0; row < shown->rowCount(); ++row)
        order.push_back(dbgPayout->RowOfIndex(shown->index(row, 0)));
    document.AddTable(details ? DetailsTable(*qryPayout, order) : StatisticsTable(*qryStat));
    StatementPrint::Preview(this, QPageLayout::Portrait, [&document](QPrinter& printer) {
        StatementPrint::Print(printer, {nullptr, QString(), &document});
    });
}

// Every category shows under its type.
void TfrmPayQuery::ExpandStatGroups() {
    dbgStat->FullExpand();
}

QString TfrmPayQuery::ExportName() const {
    const bool details = pcPayout->currentWidget() == TabSheet1;
    QString name = (details ? QStringLiteral("收支明细-") : QStringLiteral("收支统计-")) +
                   ComboPub->CurPersonName;
    if (cbDate->isChecked())
        name += u'-' + dtpBegin->date().toString(QStringLiteral("yyyyMMdd")) + u'-' +
                dtpEnd->date().toString(QStringLiteral("yyyyMMdd"));
    return name + QStringLiteral(".csv");
}

// Writes what the current page lists, as its grid shows it.
void TfrmPayQuery::sbExportClick() {
    const bool details = pcPayout->currentWidget() == TabSheet1;
    const TDBGrid* grid = details ? dbgPayout : dbgStat;
    const TQuery* query = details ? qryPayout.get() : qryStat.get();
    if (!query->Active() || query->IsEmpty()) {
        TCommon::ShowWarning(QStringLiteral("“%1”中没有帐目，没有可导出的内容。")
                                 .arg(pcPayout->tabText(pcPayout->currentIndex())));
        return;
    }
    const QString path = CsvSaveDialog::Ask(this, QStringLiteral("导出"), ExportName());
    if (path.isEmpty()) return;
    const int rows = StatementCsv::Write(*grid, path);
    TCommon::ShowInformation(
        QStringLiteral("已导出 %1 行到\n%2").arg(rows).arg(QDir::toNativeSeparators(path)));
}

void TfrmPayQuery::sbQuitClick() {
    close();
}
