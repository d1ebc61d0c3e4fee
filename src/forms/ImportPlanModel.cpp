#include "forms/ImportPlanModel.h"

#include "widgets/Currency.h"

#include <QBrush>
#include <QColor>

namespace {

const QString KindIncome = QStringLiteral("收入");

// The text of rows that will not be written: the skin's ink for disabled captions.
QBrush GreyText() {
    return QBrush(QColor(0x9A, 0x88, 0x70));
}

// Why the row will not be written, or what it does when it is not a record of its own.
QString ReasonText(const TPlannedRow& row) {
    if (row.Reason != TSkipReason::None) return SkipReasonText(row.Reason);
    if (!row.Checked) return QStringLiteral("未勾选，不导入");
    if (row.ReducesPayoutID != 0) return QStringLiteral("退款，冲减原记录");
    return QString();
}

// What will be recorded; for a row that will not be and has no net amount (a payment refunded in
// full, a refund, a closed payment), the bill's own amount rather than nothing.
qint64 ShownUnits(const TImportPlan& plan, const TPlannedRow& row) {
    if (TImportPlanModel::IsCheckable(row) || row.NetUnits != 0) return row.NetUnits;
    return plan.Bill(row).Units;
}

} // namespace

// A cell of this table (views also ask about the root, which is none).
bool TImportPlanModel::IsCell(const QModelIndex& index) const {
    return index.isValid() && index.model() == this && !index.parent().isValid() &&
           index.row() < FPlan.Rows.size() && index.column() < ColumnCount;
}

TImportPlanModel::TImportPlanModel(TImportPlan& plan, QList<TCategory> expenditure,
                                   QList<TCategory> income, QObject* parent)
    : QAbstractTableModel(parent), FPlan(plan), FExpenditure(std::move(expenditure)),
      FIncome(std::move(income)) {}

int TImportPlanModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(FPlan.Rows.size());
}

int TImportPlanModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

bool TImportPlanModel::IsCheckable(const TPlannedRow& row) {
    return row.Reason == TSkipReason::None || row.Reason == TSkipReason::ChangedByHand;
}

bool TImportPlanModel::HasOwnCategory(const TPlannedRow& row) {
    return IsCheckable(row) && row.ReducesPayoutID == 0;
}

const QList<TImportPlanModel::TCategory>& TImportPlanModel::Categories(const QString& kind) const {
    return kind == KindIncome ? FIncome : FExpenditure;
}

QVariant TImportPlanModel::data(const QModelIndex& index, int role) const {
    if (!IsCell(index)) return QVariant();
    const TPlannedRow& row = FPlan.Rows.at(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case colDate:
            return FPlan.Bill(row).Time.date().toString(QStringLiteral("yyyy-MM-dd"));
        case colContent:
            return row.Content;
        case colCounterpart:
            return FPlan.Bill(row).Counterpart;
        case colAmount:
            return Currency::Text(ShownUnits(FPlan, row));
        case colKind:
            return row.Kind;
        case colCategory:
            return row.CategoryName;
        case colReason:
            return ReasonText(row);
        default:
            return QVariant();
        }
    case Qt::EditRole:
        if (column == colCategory) return row.ItemProjectID;
        return data(index, Qt::DisplayRole);
    case Qt::CheckStateRole:
        if (column == colTick && IsCheckable(row)) return row.Checked ? Qt::Checked : Qt::Unchecked;
        return QVariant();
    case Qt::ForegroundRole:
        if (!IsCheckable(row) || !row.Checked) return GreyText();
        return QVariant();
    case Qt::TextAlignmentRole:
        if (column == colAmount) return int(Qt::AlignRight | Qt::AlignVCenter);
        if (column == colDate || column == colKind) return int(Qt::AlignCenter);
        return QVariant();
    case Qt::ToolTipRole:
        if (column == colAmount && row.RefundUnits > 0)
            return QStringLiteral("原 %1，退款 %2")
                .arg(Currency::Text(row.NetUnits + row.RefundUnits),
                     Currency::Text(row.RefundUnits));
        if (column == colContent || column == colCounterpart || column == colReason) {
            const QString text = data(index, Qt::DisplayRole).toString();
            if (!text.isEmpty()) return text; // the whole text of a cut-off cell
        }
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant TImportPlanModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
    static const QStringList captions = {QStringLiteral("导入"), QStringLiteral("日期"),
                                         QStringLiteral("内容"), QStringLiteral("交易对方"),
                                         QStringLiteral("金额"), QStringLiteral("收支"),
                                         QStringLiteral("类别"), QStringLiteral("说明")};
    return section >= 0 && section < captions.size() ? captions.at(section) : QVariant();
}

Qt::ItemFlags TImportPlanModel::flags(const QModelIndex& index) const {
    if (!IsCell(index)) return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    const TPlannedRow& row = FPlan.Rows.at(index.row());
    if (index.column() == colTick && IsCheckable(row)) result |= Qt::ItemIsUserCheckable;
    if (index.column() == colCategory && HasOwnCategory(row)) result |= Qt::ItemIsEditable;
    return result;
}

bool TImportPlanModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!IsCell(index)) return false;
    if (index.column() == colTick && role == Qt::CheckStateRole) {
        if (!IsCheckable(FPlan.Rows.at(index.row()))) return false;
        SetChecked(index.row(), value.toInt() == Qt::Checked);
        return true;
    }
    if (index.column() == colCategory && role == Qt::EditRole) {
        bool isKey = false;
        const qint64 key = value.toLongLong(&isKey);
        return isKey && SetCategory(index.row(), key);
    }
    return false;
}

bool TImportPlanModel::SetChecked(int row, bool checked) {
    TPlannedRow& planned = FPlan.Rows[row];
    if (planned.Checked == checked) return false;
    planned.Checked = checked;
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1)); // greyed or not, its reason
    emit CheckedChanged();
    return true;
}

void TImportPlanModel::ToggleChecked(int row) {
    if (row < 0 || row >= FPlan.Rows.size() || !IsCheckable(FPlan.Rows.at(row))) return;
    SetChecked(row, !FPlan.Rows.at(row).Checked);
}

void TImportPlanModel::SetAllChecked(bool checked) {
    int first = -1;
    int last = -1;
    for (int row = 0; row < FPlan.Rows.size(); ++row) {
        TPlannedRow& planned = FPlan.Rows[row];
        if (!IsCheckable(planned) || planned.Checked == checked) continue;
        planned.Checked = checked;
        if (first < 0) first = row;
        last = row;
    }
    if (first < 0) return;
    emit dataChanged(index(first, 0), index(last, ColumnCount - 1));
    emit CheckedChanged();
}

// The category the user picked for the row; the rows of the same counterpart and kind whose
// category the user has not picked get the same one proposed, as the importer will remember it
// for that counterpart.
bool TImportPlanModel::SetCategory(int row, qint64 key) {
    TPlannedRow& chosen = FPlan.Rows[row];
    if (!HasOwnCategory(chosen)) return false;
    QString name;
    bool found = false;
    for (const TCategory& category : Categories(chosen.Kind)) {
        if (category.first != key) continue;
        name = category.second;
        found = true;
        break;
    }
    if (!found) return false;

    chosen.ItemProjectID = key;
    chosen.CategoryName = name;
    chosen.CategoryChosen = true;
    int first = row;
    int last = row;
    const QString& counterpart = FPlan.Bill(chosen).Counterpart;
    if (!counterpart.isEmpty()) {
        for (int other = 0; other < FPlan.Rows.size(); ++other) {
            TPlannedRow& proposed = FPlan.Rows[other];
            if (other == row || proposed.CategoryChosen || !HasOwnCategory(proposed)) continue;
            if (proposed.Kind != chosen.Kind || FPlan.Bill(proposed).Counterpart != counterpart)
                continue;
            if (proposed.ItemProjectID == key && proposed.CategoryName == name) continue;
            proposed.ItemProjectID = key;
            proposed.CategoryName = name;
            first = qMin(first, other);
            last = qMax(last, other);
        }
    }
    emit dataChanged(index(first, colCategory), index(last, colCategory),
                     {Qt::DisplayRole, Qt::EditRole});
    return true;
}

TImportPlanModel::TSummary TImportPlanModel::Summary() const {
    TSummary summary;
    for (const TPlannedRow& row : FPlan.Rows) {
        if (IsCheckable(row)) ++summary.Checkable;
        if (!IsCheckable(row) || !row.Checked) {
            ++summary.Left;
            continue;
        }
        ++summary.Ticked;
        if (row.ReducesPayoutID != 0)
            ++summary.Reductions;
        else if (row.Kind == KindIncome)
            summary.IncomeUnits += row.NetUnits;
        else
            summary.ExpenditureUnits += row.NetUnits;
    }
    return summary;
}
