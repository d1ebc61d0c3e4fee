#include "widgets/grid/GridGroupModel.h"

#include "widgets/Currency.h"

#include <QBrush>
#include <QFont>
#include <QLocale>
#include <algorithm>
#include <map>

namespace {

// Group rows have internal id 0; a row inside group g has internal id g + 1.
constexpr quintptr GroupRowId = 0;

} // namespace

TGridGroupModel::TGridGroupModel(QObject* parent)
    : QAbstractProxyModel(parent), FCollator(QLocale(QLocale::Chinese, QLocale::China)) {}

void TGridGroupModel::setSourceModel(QAbstractItemModel* source) {
    beginResetModel();
    for (const auto& connection : FConnections)
        disconnect(connection);
    FConnections.clear();
    QAbstractProxyModel::setSourceModel(source);
    if (source) Connect();
    Regroup();
    endResetModel();
}

void TGridGroupModel::Connect() {
    QAbstractItemModel* source = sourceModel();
    auto begin = [this] { BeginChange(); };
    auto end = [this] { EndChange(); };
    using M = QAbstractItemModel;
    FConnections << connect(source, &M::modelAboutToBeReset, this, begin)
                 << connect(source, &M::modelReset, this, end)
                 << connect(source, &M::rowsAboutToBeInserted, this, begin)
                 << connect(source, &M::rowsInserted, this, end)
                 << connect(source, &M::rowsAboutToBeRemoved, this, begin)
                 << connect(source, &M::rowsRemoved, this, end)
                 << connect(source, &M::rowsAboutToBeMoved, this, begin)
                 << connect(source, &M::rowsMoved, this, end)
                 << connect(source, &M::columnsAboutToBeInserted, this, begin)
                 << connect(source, &M::columnsInserted, this, end)
                 << connect(source, &M::columnsAboutToBeRemoved, this, begin)
                 << connect(source, &M::columnsRemoved, this, end)
                 << connect(source, &M::columnsAboutToBeMoved, this, begin)
                 << connect(source, &M::columnsMoved, this, end)
                 << connect(source, &M::layoutAboutToBeChanged, this, begin)
                 << connect(source, &M::layoutChanged, this, end)
                 << connect(source, &M::dataChanged, this, &TGridGroupModel::SourceDataChanged)
                 << connect(source, &M::headerDataChanged, this, &M::headerDataChanged);
}

// A change of the source's rows regroups them: announced as a reset, completed when the source
// has finished.
void TGridGroupModel::BeginChange() {
    if (FChangeDepth++ == 0) beginResetModel();
}

void TGridGroupModel::EndChange() {
    if (FChangeDepth == 0) return;
    if (--FChangeDepth == 0) {
        Regroup();
        endResetModel();
    }
}

void TGridGroupModel::SetGroupColumn(int column) {
    beginResetModel();
    FGroupColumn = column;
    Regroup();
    endResetModel();
}

void TGridGroupModel::SetCaptionColumn(int column) {
    FCaptionColumn = column;
    if (!FGroups.empty())
        emit dataChanged(index(0, 0), index(int(FGroups.size()) - 1, columnCount() - 1));
}

void TGridGroupModel::SetSummaryColumns(const std::vector<int>& columns) {
    FSummaryColumns = columns;
    if (!FGroups.empty())
        emit dataChanged(index(0, 0), index(int(FGroups.size()) - 1, columnCount() - 1));
}

void TGridGroupModel::SetGroupColor(const QColor& color) {
    FGroupColor = color;
    if (!FGroups.empty())
        emit dataChanged(index(0, 0), index(int(FGroups.size()) - 1, columnCount() - 1),
                         {Qt::BackgroundRole});
}

void TGridGroupModel::Regroup() {
    FGroups.clear();
    FPlaces.clear();
    QAbstractItemModel* source = sourceModel();
    if (!source) return;
    const int rows = source->rowCount();
    FPlaces.resize(rows);
    const bool grouped = FGroupColumn >= 0 && FGroupColumn < source->columnCount();
    std::map<QString, int> groupOfKey;
    for (int row = 0; row < rows; ++row) {
        QString key;
        QString text;
        if (grouped) {
            const QModelIndex cell = source->index(row, FGroupColumn);
            const QVariant raw = cell.data(Qt::UserRole);
            text = cell.data(Qt::DisplayRole).toString();
            key = raw.isValid() && !raw.isNull() ? raw.toString() : text;
        }
        auto found = groupOfKey.find(key);
        if (found == groupOfKey.end()) {
            found = groupOfKey.emplace(key, int(FGroups.size())).first;
            FGroups.push_back({key, text, {}});
        }
        FGroups[found->second].Rows.push_back(row);
    }
    // groups in the Chinese reading order of their values, empty first
    std::vector<int> order(FGroups.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return FCollator.compare(FGroups[a].Key, FGroups[b].Key) < 0;
    });
    std::vector<TGroup> sorted;
    sorted.reserve(FGroups.size());
    for (int i : order)
        sorted.push_back(std::move(FGroups[i]));
    FGroups = std::move(sorted);
    for (int g = 0; g < int(FGroups.size()); ++g)
        for (int p = 0; p < int(FGroups[g].Rows.size()); ++p)
            FPlaces[FGroups[g].Rows[p]] = {g, p};
}

void TGridGroupModel::SourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                        const QList<int>& roles) {
    if (FChangeDepth > 0) return; // regrouped when the change completes
    if (FGroupColumn >= topLeft.column() && FGroupColumn <= bottomRight.column()) {
        // a value of the grouping column may have changed: regroup
        BeginChange();
        EndChange();
        return;
    }
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        if (row < 0 || row >= int(FPlaces.size())) continue;
        const TPlace place = FPlaces[row];
        const quintptr id = quintptr(place.Group + 1);
        emit dataChanged(createIndex(place.Position, topLeft.column(), id),
                         createIndex(place.Position, bottomRight.column(), id), roles);
        if (!FSummaryColumns.empty())
            emit dataChanged(createIndex(place.Group, 0, GroupRowId),
                             createIndex(place.Group, columnCount() - 1, GroupRowId));
    }
}

bool TGridGroupModel::IsGroupRow(const QModelIndex& index) const {
    return index.isValid() && index.model() == this && index.internalId() == GroupRowId;
}

QModelIndex TGridGroupModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= columnCount()) return {};
    if (!parent.isValid())
        return row < int(FGroups.size()) ? createIndex(row, column, GroupRowId) : QModelIndex();
    if (!IsGroupRow(parent) || parent.column() != 0) return {};
    const int group = parent.row();
    if (group >= int(FGroups.size()) || row >= int(FGroups[group].Rows.size())) return {};
    return createIndex(row, column, quintptr(group + 1));
}

QModelIndex TGridGroupModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == GroupRowId) return {};
    return createIndex(int(child.internalId() - 1), 0, GroupRowId);
}

QModelIndex TGridGroupModel::sibling(int row, int column, const QModelIndex& idx) const {
    return index(row, column, parent(idx));
}

int TGridGroupModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return int(FGroups.size());
    if (IsGroupRow(parent) && parent.column() == 0 && parent.row() < int(FGroups.size()))
        return int(FGroups[parent.row()].Rows.size());
    return 0;
}

int TGridGroupModel::columnCount(const QModelIndex&) const {
    return sourceModel() ? sourceModel()->columnCount() : 0;
}

bool TGridGroupModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0 && columnCount() > 0;
}

QString TGridGroupModel::GroupSumText(int group, int column) const {
    Currency::TTotal sum;
    for (int row : FGroups[group].Rows)
        sum.Add(sourceModel()->index(row, column).data(Qt::UserRole));
    return QStringLiteral("合计：") + sum.Text();
}

QVariant TGridGroupModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (!IsGroupRow(index)) return QAbstractProxyModel::data(index, role);
    if (index.row() >= int(FGroups.size())) return {};
    const TGroup& group = FGroups[index.row()];
    const bool summary = std::find(FSummaryColumns.begin(), FSummaryColumns.end(),
                                   index.column()) != FSummaryColumns.end();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        if (summary) return GroupSumText(index.row(), index.column());
        // the caption column, and the grouping column, which a spanned group row draws
        return index.column() == FCaptionColumn || index.column() == FGroupColumn ? group.Text
                                                                                  : QString();
    case Qt::UserRole:
        return index.column() == FGroupColumn ? QVariant(group.Key) : QVariant();
    case Qt::BackgroundRole:
        return FGroupColor.isValid() ? QVariant(QBrush(FGroupColor)) : QVariant();
    case Qt::FontRole: {
        QFont font;
        font.setBold(true);
        return font;
    }
    case Qt::TextAlignmentRole:
        return summary ? int(Qt::AlignRight | Qt::AlignVCenter)
                       : int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QMap<int, QVariant> TGridGroupModel::itemData(const QModelIndex& index) const {
    return QAbstractItemModel::itemData(index); // through data(), for group rows too
}

QVariant TGridGroupModel::headerData(int section, Qt::Orientation orientation, int role) const {
    return sourceModel() ? sourceModel()->headerData(section, orientation, role) : QVariant();
}

Qt::ItemFlags TGridGroupModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    if (IsGroupRow(index)) return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return QAbstractProxyModel::flags(index);
}

QModelIndex TGridGroupModel::mapToSource(const QModelIndex& proxyIndex) const {
    if (!sourceModel() || !proxyIndex.isValid() || IsGroupRow(proxyIndex)) return {};
    const int group = int(proxyIndex.internalId() - 1);
    if (group >= int(FGroups.size()) || proxyIndex.row() >= int(FGroups[group].Rows.size()))
        return {};
    return sourceModel()->index(FGroups[group].Rows[proxyIndex.row()], proxyIndex.column());
}

QModelIndex TGridGroupModel::mapFromSource(const QModelIndex& sourceIndex) const {
    if (!sourceIndex.isValid() || sourceIndex.row() >= int(FPlaces.size())) return {};
    const TPlace place = FPlaces[sourceIndex.row()];
    if (place.Group < 0) return {};
    return createIndex(place.Position, sourceIndex.column(), quintptr(place.Group + 1));
}
