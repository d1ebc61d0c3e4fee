#include "widgets/grid/GridModel.h"

#include "data/query/DayNumber.h"
#include "data/query/FieldValue.h"
#include "data/query/Query.h"
#include "data/query/QueryNotifier.h"
#include "platform/DateText.h"
#include "widgets/Currency.h"

#include <cmath>

namespace {

// The indicator column's mark for the current row.
const QString IndicatorMark = QStringLiteral("▶");

} // namespace

TGridModel::TGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void TGridModel::SetColumns(const QList<TGridColumn>& columns) {
    beginResetModel();
    FColumns = columns;
    ResolveFields();
    FSumsValid = false;
    endResetModel();
    emit FootersChanged();
}

void TGridModel::SetIndicator(bool indicator) {
    if (indicator == FIndicator) return;
    beginResetModel();
    FIndicator = indicator;
    endResetModel();
}

void TGridModel::SetQuery(TQuery* query) {
    beginResetModel();
    if (FNotifier) disconnect(FNotifier, nullptr, this, nullptr);
    FQuery = query;
    FNotifier = query ? query->Notifier() : nullptr;
    FRows = query ? query->RecordCount() : 0;
    FCurrentRow = query && query->RecNo() > 0 ? query->RecNo() - 1 : -1;
    ResolveFields();
    FSumsValid = false;
    if (FNotifier) Connect(FNotifier);
    endResetModel();
    emit FootersChanged();
}

void TGridModel::Connect(TQueryNotifier* notifier) {
    connect(notifier, &TQueryNotifier::AboutToReset, this, [this] {
        ++FChanging;
        beginResetModel();
    });
    connect(notifier, &TQueryNotifier::Reset, this, [this] {
        FRows = FQuery ? FQuery->RecordCount() : 0;
        FCurrentRow = FQuery && FQuery->RecNo() > 0 ? FQuery->RecNo() - 1 : -1;
        ResolveFields();
        endResetModel();
        --FChanging;
        Finished();
    });
    connect(notifier, &TQueryNotifier::RowAboutToBeInserted, this, [this](int row) {
        ++FChanging;
        beginInsertRows(QModelIndex(), row, row);
    });
    connect(notifier, &TQueryNotifier::RowInserted, this, [this](int row) {
        ++FRows;
        if (FCurrentRow >= row) ++FCurrentRow;
        endInsertRows();
        --FChanging;
        Finished();
    });
    connect(notifier, &TQueryNotifier::RowAboutToBeRemoved, this, [this](int row) {
        ++FChanging;
        beginRemoveRows(QModelIndex(), row, row);
    });
    connect(notifier, &TQueryNotifier::RowRemoved, this, [this](int row) {
        --FRows;
        if (FCurrentRow == row)
            FCurrentRow = -1;
        else if (FCurrentRow > row)
            --FCurrentRow;
        endRemoveRows();
        --FChanging;
        Finished();
    });
    connect(notifier, &TQueryNotifier::RowChanged, this, [this](int row) { OnRowChanged(row); });
    connect(notifier, &TQueryNotifier::CursorMoved, this, [this](int row) { OnCursorMoved(row); });
    // The query goes first when its owner is torn down: forget it.
    connect(notifier, &QObject::destroyed, this, [this] {
        beginResetModel();
        FQuery = nullptr;
        FRows = 0;
        FCurrentRow = -1;
        FChanging = 0;
        endResetModel();
    });
}

void TGridModel::OnRowChanged(int row) {
    if (row < 0 || row >= FRows || columnCount() == 0) return;
    ++FChanging;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    --FChanging;
    Finished();
}

void TGridModel::OnCursorMoved(int row) {
    const int previous = FCurrentRow;
    FCurrentRow = row >= 0 && row < FRows ? row : -1;
    if (FIndicator) {
        if (previous >= 0 && previous < FRows)
            emit dataChanged(index(previous, 0), index(previous, 0));
        if (FCurrentRow >= 0) emit dataChanged(index(FCurrentRow, 0), index(FCurrentRow, 0));
    }
    emit CurrentRowChanged(FCurrentRow);
}

void TGridModel::Finished() {
    FSumsValid = false;
    emit FootersChanged();
    emit Changed();
}

void TGridModel::ResolveFields() {
    FFieldIndex.assign(FColumns.size(), -1);
    if (!FQuery) return;
    for (int i = 0; i < FColumns.size(); ++i)
        FFieldIndex[i] = FQuery->FieldIndex(FColumns.at(i).Field);
}

int TGridModel::ColumnOfField(const QString& field) const {
    for (int i = 0; i < FColumns.size(); ++i)
        if (FColumns.at(i).Field.compare(field, Qt::CaseInsensitive) == 0)
            return i + (FIndicator ? 1 : 0);
    return -1;
}

const TGridColumn* TGridModel::ColumnAt(int column) const {
    const int described = column - (FIndicator ? 1 : 0);
    return described >= 0 && described < FColumns.size() ? &FColumns.at(described) : nullptr;
}

QVariant TGridModel::Raw(int row, int column) const {
    const int described = column - (FIndicator ? 1 : 0);
    if (!FQuery || described < 0 || described >= int(FFieldIndex.size())) return {};
    const int field = FFieldIndex[described];
    return field < 0 ? QVariant() : FQuery->ValueAt(row, field);
}

QString TGridModel::FormatValue(const TGridColumn& column, const QVariant& value) {
    if (value.isNull() || !value.isValid()) return {};
    switch (column.Format) {
    case TColumnFormat::Currency:
        return Currency::Text(value);
    case TColumnFormat::Integer: {
        bool ok = false;
        if (!FieldValue::IsFloating(value)) {
            const qint64 number = value.toLongLong(&ok);
            if (ok) return QString::number(number);
        }
        const double real = value.toDouble(&ok);
        if (!ok) return value.toString();
        // cut to a whole number where an integer holds it; beyond that the number's own text
        return std::fabs(real) < 9.2e18 ? QString::number(qint64(real))
                                        : FieldValue::NumberText(real);
    }
    case TColumnFormat::Date: {
        bool ok = false;
        const double day = value.toDouble(&ok);
        if (!ok) return value.toString();
        return ShortDateText(DayNumber::ToDateTime(day).date()); // as the pickers show dates
    }
    case TColumnFormat::Text:
        break;
    }
    return value.toString();
}

int TGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FRows;
}

int TGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(FColumns.size()) + (FIndicator ? 1 : 0);
}

QVariant TGridModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const TGridColumn* column = ColumnAt(index.column());
    if (!column) { // the indicator
        const bool current = index.row() == FCurrentRow;
        switch (role) {
        case Qt::DisplayRole:
            return current ? IndicatorMark : QString();
        case Qt::TextAlignmentRole:
            return int(Qt::AlignCenter);
        case Qt::AccessibleTextRole:
            return current ? QStringLiteral("当前行") : QString();
        default:
            return {};
        }
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return FormatValue(*column, Raw(index.row(), index.column()));
    case Qt::UserRole:
        return Raw(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return int(column->Alignment);
    default:
        return {};
    }
}

QVariant TGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    const TGridColumn* column = ColumnAt(section);
    switch (role) {
    case Qt::DisplayRole:
        return column ? column->Caption : QString();
    case Qt::TextAlignmentRole:
        return int(column ? column->HeaderAlignment : Qt::AlignCenter);
    default:
        return {};
    }
}

Qt::ItemFlags TGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren; // never edited here
}

Currency::TTotal TGridModel::FooterTotal(int column) const {
    if (!FSumsValid) {
        // one pass over the rows for every Sum column, kept until the rows change
        FSums.assign(FColumns.size(), Currency::TTotal());
        for (int c = 0; c < FColumns.size(); ++c) {
            if (FColumns.at(c).Footer != TFooterKind::Sum) continue;
            const int modelColumn = c + (FIndicator ? 1 : 0);
            for (int row = 0; row < FRows; ++row)
                FSums[c].Add(Raw(row, modelColumn));
        }
        FSumsValid = true;
    }
    const int described = column - (FIndicator ? 1 : 0);
    return described >= 0 && described < int(FSums.size()) ? FSums[described] : Currency::TTotal();
}

QString TGridModel::FooterText(int column) const {
    const TGridColumn* description = ColumnAt(column);
    if (!description || description->Footer != TFooterKind::Sum) return {};
    return FooterTotal(column).Text();
}
