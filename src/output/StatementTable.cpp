#include "output/StatementTable.h"

#include "data/query/Query.h"
#include "widgets/Currency.h"
#include "widgets/grid/GridModel.h"

#include <vector>

namespace {

Qt::Alignment Horizontal(Qt::Alignment alignment) {
    return alignment & Qt::AlignHorizontal_Mask;
}

} // namespace

TStatementTable TStatementTable::FromQuery(TQuery& query, const QList<TGridColumn>& columns,
                                           const std::vector<int>& order) {
    TStatementTable table;
    QList<TGridColumn> shown;
    std::vector<int> fields;
    for (const TGridColumn& column : columns) {
        if (!column.Visible) continue;
        shown.append(column);
        fields.push_back(query.FieldIndex(column.Field));
        table.Columns.append({column.Caption, Horizontal(column.Alignment), column.Width});
    }
    std::vector<Currency::TTotal> sums(shown.size());
    const int rows = query.Active() ? query.RecordCount() : 0;
    table.Rows.reserve(rows);
    for (int index = 0; index < (order.empty() ? rows : int(order.size())); ++index) {
        const int row = order.empty() ? index : order[index];
        if (row < 0 || row >= rows) continue;
        TRow cells;
        cells.Cells.reserve(shown.size());
        for (qsizetype c = 0; c < shown.size(); ++c) {
            const QVariant value = fields[c] >= 0 ? query.ValueAt(row, fields[c]) : QVariant();
            cells.Cells.append(TGridModel::FormatValue(shown[c], value));
            if (shown[c].Footer == TFooterKind::Sum) sums[c].Add(value);
        }
        table.Rows.append(std::move(cells));
    }
    bool anySum = false;
    for (qsizetype c = 0; c < shown.size(); ++c) {
        const bool sum = shown[c].Footer == TFooterKind::Sum;
        anySum = anySum || sum;
        table.Footer.append(sum ? sums[c].Text() : QString());
    }
    if (!anySum)
        table.Footer.clear();
    else if (shown.first().Footer != TFooterKind::Sum)
        table.Footer[0] = QStringLiteral("合计");
    return table;
}

TStatementTable TStatementTable::GroupedTotals(TQuery& query, const QString& groupField,
                                               const TGridColumn& name, const TGridColumn& sum,
                                               const QString& balanceCaption) {
    TStatementTable table;
    table.Columns = {{name.Caption, Horizontal(name.Alignment), name.Width},
                     {sum.Caption, Horizontal(sum.Alignment), sum.Width}};
    const int groupIndex = query.FieldIndex(groupField);
    const int nameIndex = query.FieldIndex(name.Field);
    const int sumIndex = query.FieldIndex(sum.Field);
    const int rows = query.Active() ? query.RecordCount() : 0;
    QStringList groups;
    for (int row = 0; row < rows; ++row) {
        const QString group = query.ValueAt(row, groupIndex).toString();
        if (!groups.contains(group)) groups.append(group);
    }
    Currency::TTotal balance;
    for (const QString& group : groups) {
        table.Rows.append({{group, QString()}, true});
        Currency::TTotal subtotal;
        for (int row = 0; row < rows; ++row) {
            if (query.ValueAt(row, groupIndex).toString() != group) continue;
            const QVariant value = query.ValueAt(row, sumIndex);
            table.Rows.append({{TGridModel::FormatValue(name, query.ValueAt(row, nameIndex)),
                                TGridModel::FormatValue(sum, value)}});
            subtotal.Add(value);
            balance.Add(value);
        }
        table.Rows.append({{group + QStringLiteral("合计"), subtotal.Text()}, true});
    }
    table.Footer = {balanceCaption, balance.Text()};
    return table;
}
