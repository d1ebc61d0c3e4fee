#pragma once

#include "import/ImportPlan.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPair>

// The rows of an import plan as the preview's table shows them, one table row per bill row: the
// tick, what the row is, the category it gets and why it is not imported. The user's ticks and
// category choices are written straight into the plan, which the caller then hands to the
// importer. Holds the plan by reference: the plan must outlive the model.
class TImportPlanModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // A category the ledger offers: its key and name.
    using TCategory = QPair<qint64, QString>;

    enum TColumn {
        colTick,
        colDate,
        colContent,
        colCounterpart,
        colAmount,
        colKind,
        colCategory,
        colReason,
        ColumnCount
    };

    // What the ticked rows add up to.
    struct TSummary {
        int Ticked = 0;              // rows that will be written
        int Left = 0;                // rows that will not
        int Checkable = 0;           // rows the user may tick at all
        int Reductions = 0;          // ticked refunds that reduce an earlier record
        qint64 ExpenditureUnits = 0; // new expenditure records, in ten-thousandths of a yuan
        qint64 IncomeUnits = 0;      // new income records
    };

    // expenditure and income are the ledger's categories of each kind, offered for the rows of
    // that kind.
    TImportPlanModel(TImportPlan& plan, QList<TCategory> expenditure, QList<TCategory> income,
                     QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // The tick (Qt::CheckStateRole on the first column) and the category (Qt::EditRole on the
    // category column, the category's key).
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Whether the user may tick the row: rows that are imported, and refunds of records changed
    // by hand, which the user decides on.
    static bool IsCheckable(const TPlannedRow& row);
    // Whether the user may change the row's category: a tickable row that becomes a record of
    // its own (not a refund taken off an earlier record).
    static bool HasOwnCategory(const TPlannedRow& row);

    // The categories offered for rows of that kind ("收入"/"支出").
    const QList<TCategory>& Categories(const QString& kind) const;

    // Ticks or unticks every row the user may tick.
    void SetAllChecked(bool checked);
    // Flips the tick of a row the user may tick.
    void ToggleChecked(int row);

    TSummary Summary() const;

signals:
    // A tick changed (the summary follows).
    void CheckedChanged();

private:
    bool IsCell(const QModelIndex& index) const;
    bool SetChecked(int row, bool checked);
    bool SetCategory(int row, qint64 key);

    TImportPlan& FPlan;
    QList<TCategory> FExpenditure;
    QList<TCategory> FIncome;
};
