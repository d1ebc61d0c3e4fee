#pragma once

#include <QCollator>
#include <QSortFilterProxyModel>

// Sorts a grid's rows by a header click on their raw values (Qt::UserRole): numbers by value,
// texts in the Chinese reading order, empty values first. Without a sort column the rows keep
// the query's order.
class TGridSortModel : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit TGridSortModel(QObject* parent = nullptr);

    // -1 when a is before b, 1 when after, 0 when equal, by the rules above.
    int Compare(const QVariant& a, const QVariant& b) const;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    QCollator FCollator;
};
