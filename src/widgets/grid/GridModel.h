#pragma once

#include "widgets/Currency.h"
#include "widgets/grid/GridColumn.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>
#include <vector>

class TQuery;
class TQueryNotifier;

// A read-only table over a query: one row per query row, one column per described column (and a
// leading row-indicator column where the grid asks for one). DisplayRole is the formatted text,
// Qt::UserRole the raw value (for sorting and sums), Qt::TextAlignmentRole the column's alignment.
// It reads only through the query's non-throwing value access, since data() runs inside painting,
// and follows the query's two-phase change notifications.
class TGridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit TGridModel(QObject* parent = nullptr);

    void SetColumns(const QList<TGridColumn>& columns);
    const QList<TGridColumn>& Columns() const { return FColumns; }
    // A leading column without caption that marks the query's current row.
    void SetIndicator(bool indicator);
    bool HasIndicator() const { return FIndicator; }

    void SetQuery(TQuery* query);
    TQuery* Query() const { return FQuery; }

    // The model column of a described column (by field, case-insensitive); -1 when absent.
    int ColumnOfField(const QString& field) const;
    // The description of a model column; null for the indicator column.
    const TGridColumn* ColumnAt(int column) const;

    // The query's current row (0-based), -1 when none.
    int CurrentRow() const { return FCurrentRow; }
    // True while the query is changing its rows (between its announcement and its completion).
    bool Changing() const { return FChanging > 0; }

    // The footer text of a model column: the sum of its non-empty values for a Sum footer, in the
    // currency format, or that it is out of range; empty for other columns. Sums are kept until
    // the rows change, so painting never walks the rows.
    QString FooterText(int column) const;
    Currency::TTotal FooterTotal(int column) const;

    // The formatted text of a value in a described column.
    static QString FormatValue(const TGridColumn& column, const QVariant& value);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    void FootersChanged();
    // The query's cursor moved to this row (0-based; -1 none).
    void CurrentRowChanged(int row);
    // The query has finished a change of its rows (reset, insert, removal, new values).
    void Changed();

private:
    void Connect(TQueryNotifier* notifier);
    void ResolveFields();
    void Finished(); // a change is complete: new sums, and Changed
    void OnCursorMoved(int row);
    void OnRowChanged(int row);
    QVariant Raw(int row, int column) const;

    QList<TGridColumn> FColumns;
    std::vector<int> FFieldIndex; // per described column: the query's field index, -1 absent
    bool FIndicator = false;
    TQuery* FQuery = nullptr;
    QPointer<TQueryNotifier> FNotifier;
    int FRows = 0; // the row count the views know
    int FCurrentRow = -1;
    int FChanging = 0;
    mutable std::vector<Currency::TTotal> FSums;
    mutable bool FSumsValid = false;
};
