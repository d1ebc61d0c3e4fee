#include "widgets/grid/GridSortModel.h"

#include <QLocale>

namespace {

bool IsNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

} // namespace

TGridSortModel::TGridSortModel(QObject* parent)
    : QSortFilterProxyModel(parent), FCollator(QLocale(QLocale::Chinese, QLocale::China)) {
    setSortRole(Qt::UserRole);
    setDynamicSortFilter(true);
    FCollator.setNumericMode(true);
}

int TGridSortModel::Compare(const QVariant& a, const QVariant& b) const {
    const bool aEmpty = a.isNull() || !a.isValid();
    const bool bEmpty = b.isNull() || !b.isValid();
    if (aEmpty || bEmpty) return aEmpty == bEmpty ? 0 : aEmpty ? -1 : 1;
    if (IsNumber(a) && IsNumber(b)) {
        const double x = a.toDouble();
        const double y = b.toDouble();
        return x < y ? -1 : y < x ? 1 : 0;
    }
    const int order = FCollator.compare(a.toString(), b.toString());
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

bool TGridSortModel::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const int order = Compare(left.data(sortRole()), right.data(sortRole()));
    // equal values keep the query's order
    return order != 0 ? order < 0 : left.row() < right.row();
}
