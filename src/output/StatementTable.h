#pragma once

#include "widgets/grid/GridColumn.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

class TQuery;

// A statement's rows as they are given out: captioned, aligned columns of display text, and a
// footer row of sums. Built from a query with the same column descriptions its grid shows it by,
// so a printed statement reads as the screen does.
struct TStatementTable {
    struct TColumn {
        QString Caption;
        Qt::Alignment Alignment = Qt::AlignLeft;
        int Width = 0; // relative to the other columns' (the grid's pixels); 0 shares the rest
    };
    struct TRow {
        QStringList Cells;
        bool Emphasis = false; // a group's heading or subtotal
    };

    QList<TColumn> Columns;
    QList<TRow> Rows;
    QStringList Footer; // empty: no footer row

    // The visible columns of the query's rows (those of order, in that order, where given: the
    // order a sorted grid shows them in), formatted as the grid formats them; the footer holds
    // the sums of the columns that sum (the first column says "合计" when it does not sum).
    static TStatementTable FromQuery(TQuery& query, const QList<TGridColumn>& columns,
                                     const std::vector<int>& order = {});

    // Totals grouped by groupField (in the order the groups first come): each group's heading,
    // its rows of nameField and sumField, and its subtotal; the footer is the sum of every row,
    // captioned balanceCaption.
    static TStatementTable GroupedTotals(TQuery& query, const QString& groupField,
                                         const TGridColumn& name, const TGridColumn& sum,
                                         const QString& balanceCaption);
};
