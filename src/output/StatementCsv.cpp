#include "output/StatementCsv.h"

#include "data/query/DayNumber.h"
#include "output/CsvWriter.h"
#include "platform/Exception.h"
#include "widgets/Currency.h"
#include "widgets/grid/DBGrid.h"
#include "widgets/grid/GridModel.h"

#include <QHeaderView>
#include <QTreeView>
#include <algorithm>
#include <vector>

namespace {

// The model columns the file holds, in order: the grouping column first, then the visible
// columns as the header shows them.
std::vector<int> ColumnsShown(const TDBGrid& grid) {
    const TGridModel* model = grid.Model();
    std::vector<int> columns;
    if (!grid.GroupColumn().isEmpty())
        if (const int group = model->ColumnOfField(grid.GroupColumn()); group >= 0)
            columns.push_back(group);
    const QHeaderView* header = grid.View()->header();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        const TGridColumn* column = model->ColumnAt(logical);
        if (!column || !column->Visible || header->isSectionHidden(logical)) continue;
        if (std::find(columns.begin(), columns.end(), logical) == columns.end())
            columns.push_back(logical);
    }
    return columns;
}

void Cell(TCsvWriter& writer, const TGridColumn& column, const QVariant& value) {
    switch (column.Format) {
    case TColumnFormat::Currency: {
        qint64 units = 0;
        switch (Currency::Read(value, units)) {
        case Currency::TReading::Amount:
            writer.Number(StatementCsv::AmountText(units));
            return;
        case Currency::TReading::Empty:
            writer.Number(QString());
            return;
        case Currency::TReading::OutOfRange:
            writer.Text(Currency::OutOfRangeText());
            return;
        }
        return;
    }
    case TColumnFormat::Date:
        writer.Number(value.isNull() ? QString()
                                     : DayNumber::ToDateTime(value.toDouble())
                                           .date()
                                           .toString(QStringLiteral("yyyy-MM-dd")));
        return;
    case TColumnFormat::Integer:
        writer.Number(value.isNull() ? QString() : QString::number(value.toLongLong()));
        return;
    case TColumnFormat::Text:
        writer.Text(value.toString());
        return;
    }
}

} // namespace

namespace StatementCsv {

QString AmountText(qint64 units) {
    const bool negative = units < 0;
    const quint64 magnitude = negative ? 0 - quint64(units) : quint64(units);
    const quint64 fraction = magnitude % 10000;
    QString text =
        QString::number(magnitude / 10000) + u'.' +
        (fraction % 100 == 0 ? QStringLiteral("%1").arg(fraction / 100, 2, 10, QLatin1Char('0'))
                             : QStringLiteral("%1").arg(fraction, 4, 10, QLatin1Char('0')));
    return negative ? u'-' + text : text;
}

int Write(const TDBGrid& grid, const QString& path) {
    const TGridModel* model = grid.Model();
    const std::vector<int> columns = ColumnsShown(grid);
    TCsvWriter writer(path);
    for (const int column : columns)
        writer.Text(model->ColumnAt(column)->Caption);
    writer.EndRow();

    // The rows in the view's order: a group row's rows under it.
    const QAbstractItemModel* shown = grid.View()->model();
    int rows = 0;
    const auto write = [&](const QModelIndex& index) {
        const int row = grid.RowOfIndex(index);
        if (row < 0) return;
        for (const int column : columns)
            Cell(writer, *model->ColumnAt(column), model->index(row, column).data(Qt::UserRole));
        writer.EndRow();
        ++rows;
    };
    for (int top = 0; top < shown->rowCount(); ++top) {
        const QModelIndex index = shown->index(top, 0);
        if (shown->hasChildren(index))
            for (int child = 0; child < shown->rowCount(index); ++child)
                write(shown->index(child, 0, index));
        else
            write(index);
    }

    // The footer: "合计" in the first column without a sum, each sum under its column.
    bool captioned = false;
    for (const int column : columns) {
        const TGridColumn& described = *model->ColumnAt(column);
        if (described.Footer == TFooterKind::Sum) {
            const Currency::TTotal total = model->FooterTotal(column);
            if (total.OutOfRange())
                writer.Text(Currency::OutOfRangeText());
            else
                writer.Number(AmountText(total.Units()));
        } else {
            writer.Text(captioned ? QString() : QStringLiteral("合计"));
            captioned = true;
        }
    }
    writer.EndRow();
    writer.Finish();
    return rows;
}

} // namespace StatementCsv
