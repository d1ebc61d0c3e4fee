#include "widgets/grid/DBGrid.h"

#include "data/query/Query.h"
#include "platform/ErrorReport.h"
#include "widgets/grid/GridFooter.h"
#include "widgets/grid/GridGroupModel.h"
#include "widgets/grid/GridModel.h"
#include "widgets/grid/GridSortModel.h"

#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

constexpr int IndicatorWidth = 16;
constexpr int GroupIndentation = 14;

// Draws the cells, and the lines between them where the grid has grid lines.
class TGridDelegate : public QStyledItemDelegate {
public:
    explicit TGridDelegate(TDBGrid* grid) : QStyledItemDelegate(grid), FGrid(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        if (!FGrid->GridLines()) return;
        QStyleOptionViewItem styled = option;
        const QWidget* view = option.widget;
        const int hint = view ? view->style()->styleHint(QStyle::SH_Table_GridLineColor, &styled, view)
                              : 0;
        const QColor line = hint ? QColor::fromRgba(uint(hint)) : option.palette.color(QPalette::Mid);
        painter->save();
        painter->setPen(line);
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->restore();
    }

private:
    TDBGrid* FGrid;
};

} // namespace

TDBGrid::TDBGrid(QWidget* parent) : QFrame(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    FGroupPanel = new QLabel(this);
    FGroupPanel->setObjectName(QStringLiteral("GroupPanel"));
    FGroupPanel->setAutoFillBackground(true);
    FGroupPanel->setContentsMargins(6, 4, 6, 4);
    FGroupPanel->hide();
    layout->addWidget(FGroupPanel);

    FView = new QTreeView(this);
    FView->setObjectName(QStringLiteral("View"));
    FView->setRootIsDecorated(false);
    FView->setUniformRowHeights(true);
    FView->setItemsExpandable(false);
    FView->setExpandsOnDoubleClick(false);
    FView->setIndentation(0);
    FView->setSelectionBehavior(QAbstractItemView::SelectRows);
    FView->setSelectionMode(QAbstractItemView::SingleSelection);
    FView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FView->setAllColumnsShowFocus(true);
    FView->setItemDelegate(new TGridDelegate(this));
    FView->header()->setSortIndicatorShown(false);
    layout->addWidget(FView, 1);
    setFocusProxy(FView);

    FModel = new TGridModel(this);
    FFooter = new TGridFooter(FView, FModel, this);
    FFooter->hide();
    layout->addWidget(FFooter);

    connect(FModel, &TGridModel::CurrentRowChanged, this, [this] { SelectQueryRow(); });
    connect(FModel, &TGridModel::Changed, this, [this] { SelectQueryRow(); });
    BuildChain();
}

TDBGrid::~TDBGrid() = default;

void TDBGrid::SetColumns(const QList<TGridColumn>& columns) {
    FModel->SetColumns(columns);
    ApplyColumns();
    ApplyGrouping();
}

const QList<TGridColumn>& TDBGrid::Columns() const {
    return FModel->Columns();
}

void TDBGrid::SetDataSet(TQuery* query) {
    FModel->SetQuery(query);
    ApplyGrouping();
    SelectQueryRow();
}

TQuery* TDBGrid::DataSet() const {
    return FModel->Query();
}

void TDBGrid::SetGroupColumn(const QString& field) {
    FGroupField = field;
    BuildChain();
}

void TDBGrid::SetSummaryGroups(bool summary) {
    FSummaryGroups = summary;
    ApplyGrouping();
}

void TDBGrid::SetGroupPanelVisible(bool visible) {
    FGroupPanel->setVisible(visible);
}

void TDBGrid::SetSortable(bool sortable) {
    FSortable = sortable;
    BuildChain();
}

void TDBGrid::SetIndicator(bool indicator) {
    FModel->SetIndicator(indicator);
    ApplyColumns();
    ApplyGrouping();
    SelectQueryRow();
}

void TDBGrid::SetHeaderVisible(bool visible) {
    FView->setHeaderHidden(!visible);
}

void TDBGrid::SetGridLines(bool lines) {
    FGridLines = lines;
    FView->viewport()->update();
}

void TDBGrid::SetFaceColor(const QColor& color) {
    FFaceColor = color;
    FView->header()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: %1; }").arg(color.name()));
    QPalette colours = FGroupPanel->palette();
    colours.setColor(QPalette::Window, color);
    FGroupPanel->setPalette(colours);
    FGroupPanel->setStyleSheet(QStringLiteral("QLabel { background-color: %1; }").arg(color.name()));
    if (FGroupModel) FGroupModel->SetGroupColor(color);
    FFooter->SetColor(color);
    FView->viewport()->update();
}

// The models between the query's table and the view: a sort model where the grid sorts, a group
// model where it groups.
void TDBGrid::BuildChain() {
    QItemSelectionModel* oldSelection = FView->selectionModel();
    QAbstractItemModel* top = FModel;
    TGridSortModel* oldSort = FSortModel;
    TGridGroupModel* oldGroup = FGroupModel;
    FSortModel = nullptr;
    FGroupModel = nullptr;
    if (FSortable) {
        FSortModel = new TGridSortModel(this);
        FSortModel->setSourceModel(top);
        top = FSortModel;
    }
    if (!FGroupField.isEmpty()) {
        FGroupModel = new TGridGroupModel(this);
        FGroupModel->setSourceModel(top);
        FGroupModel->SetGroupColor(FFaceColor);
        top = FGroupModel;
    }
    for (const auto& connection : FChainConnections)
        disconnect(connection);
    FChainConnections.clear();
    if (FView->model() != top) {
        FView->setModel(top);
        if (oldSelection != FView->selectionModel()) delete oldSelection;
    }
    delete oldGroup;
    delete oldSort;

    FView->setIndentation(FGroupModel ? GroupIndentation : 0);
    FView->header()->setSortIndicator(-1, Qt::AscendingOrder);
    FView->setSortingEnabled(FSortable);
    FView->header()->setSortIndicatorShown(FSortable);

    FChainConnections << connect(FView->selectionModel(), &QItemSelectionModel::currentChanged,
                                 this, [this](const QModelIndex& current) {
                                     ViewCurrentChanged(current);
                                 });
    // after any change of the rows: the groups' spans and expansion, and the query's row again
    auto refresh = [this] {
        ApplyGrouping();
        SelectQueryRow();
    };
    FChainConnections << connect(top, &QAbstractItemModel::modelReset, this, refresh)
                      << connect(top, &QAbstractItemModel::layoutChanged, this, refresh)
                      << connect(top, &QAbstractItemModel::rowsInserted, this, refresh)
                      << connect(top, &QAbstractItemModel::rowsRemoved, this, refresh);
    ApplyColumns();
    ApplyGrouping();
    SelectQueryRow();
}

void TDBGrid::ApplyColumns() {
    QHeaderView* header = FView->header();
    const int count = FModel->columnCount();
    const int groupColumn = FGroupField.isEmpty() ? -1 : FModel->ColumnOfField(FGroupField);
    for (int column = 0; column < count; ++column) {
        const TGridColumn* description = FModel->ColumnAt(column);
        if (!description) { // the indicator
            header->setMinimumSectionSize(IndicatorWidth);
            FView->setColumnHidden(column, false);
            header->setSectionResizeMode(column, QHeaderView::Fixed);
            header->resizeSection(column, IndicatorWidth);
            continue;
        }
        FView->setColumnHidden(column, !description->Visible || column == groupColumn);
        if (description->Width > 0) header->resizeSection(column, description->Width);
    }
    bool footers = false;
    for (const TGridColumn& description : FModel->Columns())
        footers = footers || description.Footer != TFooterKind::None;
    FFooter->setVisible(footers);
    if (groupColumn >= 0) {
        FGroupPanel->setText(FModel->ColumnAt(groupColumn)->Caption);
        if (FGroupModel) FGroupModel->SetGroupColumn(groupColumn);
    }
}

int TDBGrid::FirstVisibleColumn() const {
    QHeaderView* header = FView->header();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!header->isSectionHidden(logical) && FModel->ColumnAt(logical)) return logical;
    }
    return FModel->HasIndicator() ? 1 : 0;
}

void TDBGrid::ApplyGrouping() {
    if (!FGroupModel) return;
    FGroupModel->SetCaptionColumn(FirstVisibleColumn());
    std::vector<int> summary;
    if (FSummaryGroups)
        for (int column = 0; column < FModel->columnCount(); ++column)
            if (const TGridColumn* c = FModel->ColumnAt(column); c && c->Footer == TFooterKind::Sum)
                summary.push_back(column);
    FGroupModel->SetSummaryColumns(summary);
    FullExpand();
}

void TDBGrid::FullExpand() {
    FView->expandAll();
}

QModelIndex TDBGrid::ToView(const QModelIndex& modelIndex) const {
    QModelIndex index = modelIndex;
    if (FSortModel) index = FSortModel->mapFromSource(index);
    if (FGroupModel) index = FGroupModel->mapFromSource(index);
    return index;
}

QModelIndex TDBGrid::ToModel(const QModelIndex& viewIndex) const {
    QModelIndex index = viewIndex;
    if (FGroupModel) index = FGroupModel->mapToSource(index);
    if (FSortModel) index = FSortModel->mapToSource(index);
    return index;
}

QModelIndex TDBGrid::IndexOfRow(int row, const QString& field) const {
    if (row < 0 || row >= FModel->rowCount()) return {};
    const int column = field.isEmpty() ? FirstVisibleColumn() : FModel->ColumnOfField(field);
    if (column < 0) return {};
    return ToView(FModel->index(row, column));
}

int TDBGrid::RowOfIndex(const QModelIndex& index) const {
    const QModelIndex modelIndex = ToModel(index);
    return modelIndex.isValid() ? modelIndex.row() : -1;
}

QString TDBGrid::FooterText(const QString& field) const {
    return FModel->FooterText(FModel->ColumnOfField(field));
}

// The user chose a row: move the query there. A refused move (a pending post that failed) is
// reported, and the grid goes back to the query's row.
void TDBGrid::ViewCurrentChanged(const QModelIndex& current) {
    if (FSyncing || FModel->Changing()) return;
    TQuery* query = FModel->Query();
    if (!query) return;
    const int row = RowOfIndex(current);
    if (row < 0 || row == FModel->CurrentRow()) return; // a group row leaves the cursor alone
    try {
        query->SetRecNo(row + 1);
    } catch (...) {
        ReportCurrentException();
    }
    SelectQueryRow();
}

// Selects the query's current row and scrolls to it.
void TDBGrid::SelectQueryRow() {
    if (FModel->Changing()) return; // again when the query has finished
    const QModelIndex target = IndexOfRow(FModel->CurrentRow());
    if (!target.isValid()) return;
    const QModelIndex current = FView->currentIndex();
    if (current.isValid() && current.row() == target.row() && current.parent() == target.parent())
        return;
    FSyncing = true;
    FView->selectionModel()->setCurrentIndex(
        target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    FSyncing = false;
    FView->scrollTo(target);
}
