#pragma once

#include <QAbstractProxyModel>
#include <QCollator>
#include <QColor>
#include <vector>

// Groups a flat grid model by one of its columns: a group row per value of that column (in the
// Chinese reading order, empty first), with the rows of that value under it in their source
// order. Group rows carry the value's text in the caption column and, with summary groups,
// "合计：" and the group's sum in each column whose footer sums; the group colour is their
// background. Any change to the rows regroups them (the grids that group are short lists).
class TGridGroupModel : public QAbstractProxyModel {
    Q_OBJECT

public:
    explicit TGridGroupModel(QObject* parent = nullptr);

    void setSourceModel(QAbstractItemModel* source) override;

    // The source column whose values make the groups.
    void SetGroupColumn(int column);
    int GroupColumn() const { return FGroupColumn; }
    // The column whose cell of a group row shows the group's value.
    void SetCaptionColumn(int column);
    // Columns whose group-row cells show "合计：" and the group's sum.
    void SetSummaryColumns(const std::vector<int>& columns);
    void SetGroupColor(const QColor& color);
    QColor GroupColor() const { return FGroupColor; }

    int GroupCount() const { return int(FGroups.size()); }
    bool IsGroupRow(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QMap<int, QVariant> itemData(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;

private:
    struct TGroup {
        QString Key;  // the raw value as text
        QString Text; // the value as shown
        std::vector<int> Rows;
    };
    struct TPlace {
        int Group = -1;
        int Position = -1;
    };

    void Connect();
    void BeginChange();
    void EndChange();
    void Regroup();
    void SourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                           const QList<int>& roles);
    QString GroupSumText(int group, int column) const;

    int FGroupColumn = -1;
    int FCaptionColumn = 0;
    std::vector<int> FSummaryColumns;
    QColor FGroupColor;
    QCollator FCollator;
    std::vector<TGroup> FGroups;
    std::vector<TPlace> FPlaces; // per source row
    int FChangeDepth = 0;
    QList<QMetaObject::Connection> FConnections;
};
