#pragma once

#include <QMap>
#include <QString>
#include <QVariant>

class TQuery;

// The records the ledger saver writes, one step after another, and what a table holds after
// any number of its steps. Every step is a function of its number alone, so a test that knows
// how many steps the saver reported can say exactly what the file must hold.
//
// Most steps add a record with the next key, as a form does when saving a new one; every fifth
// step changes the text of an earlier record instead.
class TSaveSequence {
public:
    enum TTable { Payout, Diary };

    struct TStep {
        bool Edit = false;
        qint64 Key = 0;
        // The columns the step sets: a QDate is a date column, a QString text, a null QVariant
        // an empty value, anything else a number.
        QVariantMap Values;
    };
    // Each record's columns by key.
    using TRecords = QMap<qint64, QVariantMap>;

    explicit TSaveSequence(TTable table) : FTable(table) {}

    QString TableName() const;
    QString KeyColumn() const;
    // "select * from <table> order by <key>": the statement the saver and the check read with.
    QString Select() const;

    TStep Step(int index) const;
    // The table after the first count steps.
    TRecords After(int count) const;
    // The table as the open query holds it, in the columns the steps set.
    TRecords Read(TQuery& query) const;
    // What differs between two tables, for a failure message; empty when they are alike.
    static QString Difference(const TRecords& expected, const TRecords& found);

private:
    TTable FTable;
};
