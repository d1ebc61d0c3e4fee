#include "SaveSequence.h"

#include "data/query/Query.h"

#include <QDate>
#include <QStringList>

namespace {

constexpr int EditEvery = 5;

// Dates spread over two years, so the month, quarter and year columns vary too.
QDate DayOf(qint64 key) {
    return QDate(2025, 1, 1).addDays(key % 730);
}

bool Same(const QVariant& expected, const QVariant& found) {
    if (expected.isNull() || found.isNull()) return expected.isNull() == found.isNull();
    if (expected.typeId() == QMetaType::QString)
        return found.typeId() == QMetaType::QString && found.toString() == expected.toString();
    if (expected.typeId() == QMetaType::QDate) return found.toDate() == expected.toDate();
    bool ok = false;
    const double number = found.toDouble(&ok);
    return ok && found.typeId() != QMetaType::QString && number == expected.toDouble();
}

QString Shown(const QVariantMap& record) {
    QStringList parts;
    for (auto it = record.begin(); it != record.end(); ++it)
        parts << it.key() + u'=' +
                     (it.value().isNull() ? QStringLiteral("NULL") : it.value().toString());
    return parts.join(QStringLiteral(", "));
}

} // namespace

QString TSaveSequence::TableName() const {
    return FTable == Payout ? QStringLiteral("fPayout") : QStringLiteral("fDiary");
}

QString TSaveSequence::KeyColumn() const {
    return FTable == Payout ? QStringLiteral("PayoutID") : QStringLiteral("DiaryID");
}

QString TSaveSequence::Select() const {
    return QStringLiteral("select * from %1 order by %2").arg(TableName(), KeyColumn());
}

TSaveSequence::TStep TSaveSequence::Step(int index) const {
    TStep step;
    const qint64 added = index - index / EditEvery; // records added by the steps before
    if (index % EditEvery == EditEvery - 1) {
        step.Edit = true;
        step.Key = 1 + (qint64(index) * 7) % added;
        const QString text = QStringLiteral("第 %1 步改写的内容").arg(index);
        if (FTable == Payout) {
            step.Values.insert(QStringLiteral("Memos"), text);
            step.Values.insert(QStringLiteral("IncomeAccount"), double(index) + 0.5);
        } else {
            step.Values.insert(QStringLiteral("Diary"), text);
        }
        return step;
    }
    step.Key = added + 1;
    const qint64 key = step.Key;
    const QDate day = DayOf(key);
    if (FTable == Payout) {
        const bool income = key % 4 == 0;
        step.Values = {
            {QStringLiteral("PayoutID"), key},
            {QStringLiteral("ItemProjectID"), income ? 1 + key % 6 : 7 + key % 12},
            {QStringLiteral("Payout"), QStringLiteral("第 %1 笔：菜市场买菜").arg(key)},
            // Whole yuan are stored as integers, others as floating point: both kinds.
            {QStringLiteral("PayoutAccount"), income ? QVariant(0) : QVariant(key * 0.25)},
            {QStringLiteral("IncomeAccount"), income ? QVariant(key * 10) : QVariant()},
            {QStringLiteral("UseDate"), day},
            {QStringLiteral("PersonName"), QStringLiteral("家长")},
            {QStringLiteral("Memos"), QStringLiteral("备注 %1").arg(key)},
            {QStringLiteral("ItemType"), income ? QStringLiteral("收入") : QStringLiteral("支出")},
            {QStringLiteral("MonthNum"), day.month()},
            {QStringLiteral("YearNum"), day.year()},
            {QStringLiteral("QuarterNum"), (day.month() + 2) / 3},
        };
    } else {
        step.Values = {
            {QStringLiteral("DiaryID"), key},
            {QStringLiteral("Diary"),
             QStringLiteral("第 %1 篇日记：今天天气很好。\n第二行").arg(key)},
            {QStringLiteral("DiaryDate"), day},
            {QStringLiteral("PersonID"), 1},
        };
    }
    return step;
}

TSaveSequence::TRecords TSaveSequence::After(int count) const {
    TRecords records;
    for (int index = 0; index < count; ++index) {
        const TStep step = Step(index);
        QVariantMap& record = records[step.Key];
        for (auto it = step.Values.begin(); it != step.Values.end(); ++it)
            record.insert(it.key(), it.value());
    }
    return records;
}

TSaveSequence::TRecords TSaveSequence::Read(TQuery& query) const {
    // The columns of a first step name every column the steps set.
    const QVariantMap columns = Step(0).Values;
    TRecords records;
    for (query.First(); !query.Eof(); query.Next()) {
        QVariantMap record;
        for (auto it = columns.begin(); it != columns.end(); ++it) {
            TField field = query.FieldByName(it.key());
            record.insert(it.key(), it.value().typeId() == QMetaType::QDate && !field.IsNull()
                                        ? QVariant(field.AsDateTime().date())
                                        : field.Value());
        }
        records.insert(query.FieldByName(KeyColumn()).AsInteger(), record);
    }
    return records;
}

QString TSaveSequence::Difference(const TRecords& expected, const TRecords& found) {
    QStringList differences;
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        if (!found.contains(it.key())) {
            differences << QStringLiteral("record %1 missing").arg(it.key());
            continue;
        }
        const QVariantMap& record = found[it.key()];
        for (auto column = it->begin(); column != it->end(); ++column)
            if (!Same(column.value(), record.value(column.key())))
                differences << QStringLiteral("record %1: %2 is \"%3\", expected \"%4\"")
                                   .arg(it.key())
                                   .arg(column.key(), record.value(column.key()).toString(),
                                        column.value().toString());
    }
    for (auto it = found.begin(); it != found.end(); ++it)
        if (!expected.contains(it.key()))
            differences << QStringLiteral("unexpected record %1: %2").arg(it.key()).arg(Shown(*it));
    if (differences.size() > 10) {
        const qsizetype more = differences.size() - 10;
        differences.resize(10);
        differences << QStringLiteral("… and %1 more").arg(more);
    }
    return differences.join(u'\n');
}
