#pragma once

#include "widgets/grid/GridColumn.h"

#include <QColor>
#include <QList>
#include <QFrame>

class QLabel;
class QTreeView;
class TGridFooter;
class TGridGroupModel;
class TGridModel;
class TGridSortModel;
class TQuery;

// The program's data grid: one widget for every grid, flat or grouped, over an updatable query.
// It shows the query's rows read-only (every change goes through a form's edit area), keeps the
// query's cursor and its own current row in step both ways, and paints a footer strip with sums.
//
// A form declares the grid, then binds it:
//
//     dbgPerson = new TDBGrid(this);
//     dbgPerson->setObjectName("dbgPerson");
//     dbgPerson->SetColumns({
//         {"dbgPersonPersonName", "PersonName", "成员", true, Qt::AlignLeft | Qt::AlignVCenter,
//          Qt::AlignCenter},
//         ...});
//     dbgPerson->SetIndicator(true);        // the row indicator at the left
//     dbgPerson->SetDataSet(&qryPerson);    // binds; the query may be open or closed
//
// Options, all off unless set, and settable before or after binding:
//   SetGroupColumn(field)     groups the rows by that column, which is hidden; every group shows
//                             expanded and cannot be collapsed; group rows leave the cursor alone
//   SetSummaryGroups(true)    group rows show "合计：" and the group's sum in each Sum column
//   SetGroupPanelVisible(true) the strip above the header naming the grouping column
//   SetSortable(true)         a header click sorts by that column's raw values
//   SetHeaderVisible(false)   no header row
//   SetGridLines(false)       no lines between the cells
// The footer strip shows when any column has a footer (TFooterKind::Sum).
//
// A click (or a key) on a row moves the query there, which fires its after-scroll; every move of
// the query selects its row and scrolls to it. When the query refuses the move (a pending post
// failed), the error is reported and the grid returns to the query's row. The forms disable the
// grid while the query is in edit or insert state.
class TDBGrid : public QFrame {
    Q_OBJECT

public:
    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    void SetColumns(const QList<TGridColumn>& columns);
    const QList<TGridColumn>& Columns() const;
    void SetDataSet(TQuery* query);
    TQuery* DataSet() const;

    void SetGroupColumn(const QString& field);
    QString GroupColumn() const { return FGroupField; }
    void SetSummaryGroups(bool summary);
    void SetGroupPanelVisible(bool visible);
    void SetSortable(bool sortable);
    void SetIndicator(bool indicator);
    void SetHeaderVisible(bool visible);
    void SetGridLines(bool lines);
    bool GridLines() const { return FGridLines; }

    // Expands every group (they show expanded anyway; kept for the forms' show handling).
    void FullExpand();

    // The skin's face colour for the header, the group panel, the group rows and the footer.
    void SetFaceColor(const QColor& color);
    QColor FaceColor() const { return FFaceColor; }

    // The parts, for the forms' layouts and for tests.
    QTreeView* View() const { return FView; }
    TGridModel* Model() const { return FModel; }
    TGridFooter* Footer() const { return FFooter; }
    QLabel* GroupPanel() const { return FGroupPanel; }
    TGridGroupModel* GroupModel() const { return FGroupModel; }

    // The view's index of a query row (0-based) in a described column (by field; the first
    // visible column when empty); invalid when not shown.
    QModelIndex IndexOfRow(int row, const QString& field = QString()) const;
    // The query row (0-based) of a view index; -1 for a group row.
    int RowOfIndex(const QModelIndex& index) const;
    // The footer text of a described column ("" without a footer).
    QString FooterText(const QString& field) const;

private:
    void BuildChain();
    void ApplyColumns();
    void ApplyGrouping();
    void ViewCurrentChanged(const QModelIndex& current);
    void SelectQueryRow();
    QModelIndex ToView(const QModelIndex& modelIndex) const;
    QModelIndex ToModel(const QModelIndex& viewIndex) const;
    int FirstVisibleColumn() const;

    QTreeView* FView;
    TGridModel* FModel;
    TGridSortModel* FSortModel = nullptr;
    TGridGroupModel* FGroupModel = nullptr;
    TGridFooter* FFooter;
    QLabel* FGroupPanel;
    QString FGroupField;
    bool FSummaryGroups = false;
    bool FSortable = false;
    bool FGridLines = true;
    bool FSyncing = false;
    QColor FFaceColor;
    QList<QMetaObject::Connection> FChainConnections;
};
