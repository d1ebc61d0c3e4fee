#include "import/BillImporter.h"

#include "data/Schema.h"
#include "data/query/DayNumber.h"
#include "import/CategoryRules.h"
#include "platform/Exception.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <utility>
#include <vector>

namespace {

const QString IncomeKind = QStringLiteral("收入");
const QString ExpenditureKind = QStringLiteral("支出");
// fBillImport.ItemType of a refund row: it keeps the refund's own order number with the record
// it was taken off.
const QString RefundKind = QStringLiteral("退款");
// The width of fPayout.Payout.
constexpr int ContentWidth = 200;

// A row of fBillImport: an earlier import's payment or refund.
struct TKnown {
    qint64 PayoutID = 0; // 0: no record (fully refunded, or removed by its refund)
    QString ItemType;
    qint64 ImportedUnits = 0;
    qint64 RefundedUnits = 0;
    bool IsRefund() const { return ItemType == RefundKind; }
};

QString KindOf(TBillDirection direction) {
    switch (direction) {
    case TBillDirection::Income: return IncomeKind;
    case TBillDirection::Expenditure: return ExpenditureKind;
    case TBillDirection::Neutral: break;
    }
    return QString();
}

QString TimeText(const QDateTime& time) {
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// "12.30": ten-thousandths of a yuan to the fen, half away from zero.
QString YuanText(qint64 units) {
    const qint64 fen = (units + (units < 0 ? -50 : 50)) / 100;
    const qint64 magnitude = fen < 0 ? -fen : fen;
    return QStringLiteral("%1%2.%3")
        .arg(fen < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 100)
        .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

// The value a currency column stores: whole yuan as an integer (summed exactly), else the
// amount as a real, which reads back to the same ten-thousandths.
QVariant StoredAmount(qint64 units) {
    if (units % 10000 == 0) return QVariant(qint64(units / 10000));
    return QVariant(double(units) / 10000.0);
}

// The text cut to the column's width, never inside a character of two UTF-16 units.
QString CutToWidth(const QString& text) {
    if (text.size() <= ContentWidth) return text;
    int size = ContentWidth;
    if (text.at(size - 1).isHighSurrogate()) --size;
    return text.left(size);
}

QString SourceText(const TImportPlan& plan) {
    if (plan.Source == QStringLiteral("alipay")) return QStringLiteral("支付宝账单");
    if (plan.Source == QStringLiteral("wechat")) return QStringLiteral("微信支付账单");
    return plan.Format;
}

// The record's note: where the payment came from, in lines the user reads.
QString Memo(const TImportPlan& plan, const TPlannedRow& planned) {
    const TBillRow& row = planned.Row;
    QStringList lines;
    const auto add = [&](const QString& label, const QString& value) {
        if (!value.trimmed().isEmpty()) lines << label + value.trimmed();
    };
    add(QStringLiteral("交易对方："), row.Counterpart);
    add(QStringLiteral("支付方式："), row.Method);
    add(QStringLiteral("交易时间："), TimeText(row.Time));
    add(QStringLiteral("交易单号："), row.OrderNo);
    add(QStringLiteral("商户单号："), row.MerchantOrderNo);
    if (planned.RefundUnits > 0) add(QStringLiteral("退款：￥"), YuanText(planned.RefundUnits));
    const QString full = row.Item.trimmed().isEmpty() ? row.Counterpart.trimmed() : row.Item.trimmed();
    if (full != planned.Content) add(QStringLiteral("收支内容过长，完整内容："), full);
    add(QStringLiteral("备注："), row.Note);
    add(QStringLiteral("来源："), SourceText(plan));
    return lines.join(u'\n');
}

bool TableExists(const QSqlDatabase& connection, const QString& table) {
    QSqlQuery query(connection);
    query.prepare(QStringLiteral("select count(*) from sqlite_master where type = 'table' and name = ?"));
    query.addBindValue(table);
    return query.exec() && query.next() && query.value(0).toInt() > 0;
}

void Exec(QSqlQuery& query) {
    if (!query.exec()) throw EDatabaseError(query.lastError().databaseText());
}

void Prepare(QSqlQuery& query, const QString& sql) {
    if (!query.prepare(sql)) throw EDatabaseError(query.lastError().databaseText());
}

// The amount a record holds in its kind's column, in ten-thousandths (rounded as the currency
// columns are read), or false when the record is gone.
struct TRecord {
    QString ItemType;
    qint64 Units = 0;
};

const QString RecordSql = QStringLiteral(
    "select ItemType, cast(round(coalesce(case when ItemType = '收入' then IncomeAccount "
    "else PayoutAccount end, 0) * 10000) as integer) from fPayout where PayoutID = ?");

bool ReadRecord(QSqlQuery& query, qint64 payoutID, TRecord& record) {
    query.bindValue(0, payoutID);
    Exec(query);
    if (!query.next()) {
        query.finish();
        return false;
    }
    record.ItemType = query.value(0).toString();
    record.Units = query.value(1).toLongLong();
    query.finish();
    return true;
}

// The ledger's categories of both kinds, looked up by name without case.
struct TCategories {
    QHash<QString, qint64> ByName; // kind + "\n" + lower-case name
    QHash<qint64, QString> NameOf;
    QHash<qint64, QString> KindOf;

    static QString Key(const QString& kind, const QString& name) {
        return kind + u'\n' + name.toLower();
    }
    void Load(const QSqlDatabase& connection) {
        QSqlQuery query(connection);
        query.setForwardOnly(true);
        if (!query.exec(QStringLiteral("select ItemProjectID, ItemProject, ItemType from bItemProject")))
            throw EDatabaseError(query.lastError().databaseText());
        while (query.next()) {
            const qint64 id = query.value(0).toLongLong();
            const QString name = query.value(1).toString();
            const QString kind = query.value(2).toString();
            ByName.insert(Key(kind, name), id);
            NameOf.insert(id, name);
            KindOf.insert(id, kind);
        }
    }
};

} // namespace

TBillImporter::TBillImporter(QSqlDatabase connection, QString personName)
    : FConnection(std::move(connection)), FPersonName(std::move(personName)) {}

TImportPlan TBillImporter::Plan(const TBill& bill, const QString& path) const {
    TImportPlan plan;
    plan.Path = path;
    plan.Source = bill.Source;
    plan.Format = bill.Format;
    plan.PersonName = FPersonName;

    // What earlier imports of this source left: payments and refunds by key.
    QHash<QString, TKnown> known;
    QHash<QString, QString> knownByMerchant;    // a payment's merchant order number → its key
    QHash<qint64, qint64> refundedByRows;       // a record → the refund rows taken off it
    QHash<QString, QString> ruleOf;             // counterpart and kind → category
    const bool tables = TableExists(FConnection, QStringLiteral("fBillImport"));
    if (tables) {
        QSqlQuery query(FConnection);
        query.setForwardOnly(true);
        Prepare(query, QStringLiteral("select OrderNo, MerchantOrderNo, PayoutID, ItemType, "
                                      "ImportedUnits, RefundedUnits from fBillImport where Source = ?"));
        query.addBindValue(bill.Source);
        Exec(query);
        while (query.next()) {
            TKnown entry;
            entry.PayoutID = query.value(2).toLongLong();
            entry.ItemType = query.value(3).toString();
            entry.ImportedUnits = query.value(4).toLongLong();
            entry.RefundedUnits = query.value(5).toLongLong();
            const QString key = query.value(0).toString();
            const QString merchant = query.value(1).toString();
            if (entry.IsRefund()) {
                if (entry.PayoutID != 0) refundedByRows[entry.PayoutID] += entry.RefundedUnits;
            } else if (!merchant.isEmpty()) {
                knownByMerchant.insert(merchant, key);
            }
            known.insert(key, entry);
        }
    }
    TCategories categories;
    categories.Load(FConnection);
    if (TableExists(FConnection, QStringLiteral("bBillCategoryRule"))) {
        QSqlQuery query(FConnection);
        query.setForwardOnly(true);
        if (!query.exec(QStringLiteral("select Counterpart, ItemType, ItemProjectID from bBillCategoryRule")))
            throw EDatabaseError(query.lastError().databaseText());
        while (query.next()) {
            const qint64 id = query.value(2).toLongLong();
            const QString kind = query.value(1).toString();
            // a rule whose category is gone, or of the other kind now, proposes nothing
            if (categories.KindOf.value(id) == kind)
                ruleOf.insert(TCategories::Key(kind, query.value(0).toString()), QString::number(id));
        }
    }

    // First pass: the key of every row, and what each is before refunds are matched.
    const int count = int(bill.Rows.size());
    plan.Rows.reserve(count);
    QHash<QString, int> seen;            // keys met in this bill
    QHash<QString, int> fingerprints;    // rows without an order number met so far, by content
    QHash<QString, int> billByOrder;     // payments of this bill by order number
    QMultiHash<QString, int> billByMerchant;
    QMultiHash<QString, int> billByCounterpart;
    seen.reserve(count);
    for (const TBillRow& row : bill.Rows) {
        TPlannedRow planned;
        planned.Row = row;
        planned.Kind = KindOf(row.Direction);
        if (!row.OrderNo.isEmpty()) {
            planned.Key = row.OrderNo;
        } else {
            const QString content = QStringLiteral("~%1|%2|%3|%4|%5")
                                        .arg(TimeText(row.Time), QString::number(row.Units),
                                             KindOf(row.Direction), row.Counterpart, row.Item);
            planned.Key = content + QStringLiteral("#%1").arg(++fingerprints[content]);
        }
        const int index = int(plan.Rows.size());
        const auto earlier = known.constFind(planned.Key);
        if (seen.contains(planned.Key)) {
            planned.Reason = TSkipReason::AlreadyImported; // the same order twice in one file
        } else if (earlier != known.constEnd()) {
            planned.Reason = earlier->IsRefund() || earlier->PayoutID != 0
                                 ? TSkipReason::AlreadyImported
                                 : TSkipReason::FullyRefunded;
        } else if (row.IsRefund) {
            // matched below
        } else if (row.Direction == TBillDirection::Neutral) {
            planned.Reason = TSkipReason::Neutral;
        } else if (row.Closed) {
            planned.Reason = TSkipReason::Closed;
        } else {
            if (!row.OrderNo.isEmpty()) billByOrder.insert(row.OrderNo, index);
            if (!row.MerchantOrderNo.isEmpty()) billByMerchant.insert(row.MerchantOrderNo, index);
            billByCounterpart.insert(row.Counterpart, index);
        }
        seen.insert(planned.Key, index);
        plan.Rows.append(std::move(planned));
    }

    // Second pass: each refund to its payment, in this bill or from an earlier import.
    std::vector<qint64> matched(count, 0); // refund rows taken off each payment of this bill
    const auto capacity = [&](int payment) {
        return plan.Rows[payment].Row.Units - matched[payment];
    };
    QHash<QString, QList<int>> refundsOfKnown; // an earlier payment's key → refund rows
    QList<QString> knownOrder;
    for (int i = 0; i < count; ++i) {
        TPlannedRow& refund = plan.Rows[i];
        const TBillRow& row = refund.Row;
        if (!row.IsRefund || refund.Reason != TSkipReason::None) continue;
        QString earlierKey;
        int payment = -1;
        const auto fits = [&](int candidate) {
            return candidate != i && capacity(candidate) >= row.Units;
        };
        if (!row.RefundOf.isEmpty()) {
            const auto found = known.constFind(row.RefundOf);
            if (found != known.constEnd() && !found->IsRefund()) earlierKey = row.RefundOf;
            else if (const int candidate = billByOrder.value(row.RefundOf, -1);
                     candidate >= 0 && fits(candidate))
                payment = candidate;
        } else {
            if (!row.MerchantOrderNo.isEmpty()) {
                earlierKey = knownByMerchant.value(row.MerchantOrderNo);
                if (earlierKey.isEmpty())
                    for (auto it = billByMerchant.constFind(row.MerchantOrderNo);
                         it != billByMerchant.constEnd() && it.key() == row.MerchantOrderNo; ++it)
                        if (fits(it.value())) payment = it.value();
            }
            if (earlierKey.isEmpty() && payment < 0) {
                // The latest earlier payment to the same counterpart that the refund fits,
                // preferring one whose status says it was refunded.
                bool said = false;
                for (auto it = billByCounterpart.constFind(row.Counterpart);
                     it != billByCounterpart.constEnd() && it.key() == row.Counterpart; ++it) {
                    const int candidate = it.value();
                    const TBillRow& paid = plan.Rows[candidate].Row;
                    if (!fits(candidate) || (row.Time.isValid() && paid.Time > row.Time)) continue;
                    const bool says = paid.RefundedUnits > 0;
                    if (payment < 0 || (says && !said) ||
                        (says == said && paid.Time > plan.Rows[payment].Row.Time)) {
                        payment = candidate;
                        said = says;
                    }
                }
            }
        }
        if (payment >= 0) {
            matched[payment] += row.Units;
            refund.Reason = TSkipReason::RefundNetted;
            refund.NettedInto = payment;
            refund.Kind = plan.Rows[payment].Kind;
            refund.RefundUnits = row.Units;
        } else if (!earlierKey.isEmpty()) {
            if (!refundsOfKnown.contains(earlierKey)) knownOrder.append(earlierKey);
            refundsOfKnown[earlierKey].append(i);
        } else {
            refund.Reason = TSkipReason::Unmatched;
        }
    }

    // Refunds of earlier imports: what the refund rows add beyond what the record already had
    // taken off (its status may have told it at the time) comes off the record now.
    QSqlQuery recordQuery(FConnection);
    Prepare(recordQuery, RecordSql);
    for (const QString& key : knownOrder) {
        const TKnown payment = known.value(key);
        const qint64 original = payment.ImportedUnits + payment.RefundedUnits;
        qint64 rows = refundedByRows.value(payment.PayoutID);
        QList<int> applying;
        for (const int i : refundsOfKnown.value(key)) {
            TPlannedRow& refund = plan.Rows[i];
            refund.Kind = payment.ItemType;
            refund.ReducesPayoutID = payment.PayoutID;
            if (payment.PayoutID == 0) { // removed or never written: nothing left to reduce
                refund.Reason = TSkipReason::RefundNetted;
                refund.RefundUnits = refund.Row.Units;
                continue;
            }
            if (rows + refund.Row.Units > original) {
                refund.Reason = TSkipReason::Unmatched; // more back than was paid
                refund.ReducesPayoutID = 0;
                continue;
            }
            rows += refund.Row.Units;
            applying.append(i);
        }
        qint64 left = std::max<qint64>(0, rows - payment.RefundedUnits);
        TRecord record;
        const bool kept = ReadRecord(recordQuery, payment.PayoutID, record);
        const bool byHand = !kept || record.ItemType.compare(payment.ItemType, Qt::CaseInsensitive) != 0 ||
                            record.Units != payment.ImportedUnits;
        qint64 amount = kept ? record.Units : 0;
        for (const int i : applying) {
            TPlannedRow& refund = plan.Rows[i];
            const qint64 share = std::min(refund.Row.Units, left);
            left -= share;
            if (share == 0) { // the record had it taken off already
                refund.Reason = TSkipReason::RefundNetted;
                refund.RefundUnits = refund.Row.Units;
                continue;
            }
            refund.RefundUnits = share;
            amount = std::max<qint64>(0, amount - share);
            refund.NetUnits = amount;
            if (byHand) {
                refund.Reason = TSkipReason::ChangedByHand;
                refund.Checked = false;
            }
        }
    }

    // Payments of this bill: net of their refunds; categories and contents.
    for (int i = 0; i < count; ++i) {
        TPlannedRow& planned = plan.Rows[i];
        const TBillRow& row = planned.Row;
        if (!row.IsRefund && planned.Reason == TSkipReason::None) {
            const qint64 refunded = std::min(row.Units, std::max(row.RefundedUnits, matched[i]));
            planned.RefundUnits = refunded;
            planned.NetUnits = row.Units - refunded;
            if (refunded > 0 && refunded >= row.Units) planned.Reason = TSkipReason::FullyRefunded;
        } else if (!row.IsRefund) {
            planned.NetUnits = row.Units;
        }
        planned.Content = CutToWidth(row.Item.trimmed().isEmpty() ? row.Counterpart.trimmed()
                                                                  : row.Item.trimmed());
        if (planned.Reason != TSkipReason::None && planned.Reason != TSkipReason::ChangedByHand)
            planned.Checked = false;
        if (row.IsRefund || planned.Kind.isEmpty()) continue;
        const QString remembered = ruleOf.value(TCategories::Key(planned.Kind, row.Counterpart));
        if (!remembered.isEmpty()) {
            planned.ItemProjectID = remembered.toLongLong();
            planned.CategoryName = categories.NameOf.value(planned.ItemProjectID);
            continue;
        }
        QString name = CategoryRules::DefaultName(row, planned.Kind);
        qint64 id = name.isEmpty() ? 0 : categories.ByName.value(TCategories::Key(planned.Kind, name));
        if (id == 0) {
            name = CategoryRules::OtherName(planned.Kind);
            id = categories.ByName.value(TCategories::Key(planned.Kind, name));
        }
        planned.ItemProjectID = id;
        planned.CategoryName = id != 0 ? categories.NameOf.value(id) : name;
    }
    return plan;
}

QList<QPair<qint64, QString>> TBillImporter::Categories(const QString& kind) const {
    QSqlQuery query(FConnection);
    query.setForwardOnly(true);
    Prepare(query, QStringLiteral("select ItemProjectID, ItemProject from bItemProject "
                                  "where ItemType = ? order by ItemProject, ItemProjectID"));
    query.addBindValue(kind);
    Exec(query);
    QList<QPair<qint64, QString>> result;
    while (query.next())
        result.append({query.value(0).toLongLong(), query.value(1).toString()});
    return result;
}

namespace {

// A payment of this bill refunded in full: kept without a record, so that its refunds in later
// bills are known as taken off. (One known from an earlier import has no refund units here.)
bool RefundedInFull(const TPlannedRow& planned) {
    return planned.Reason == TSkipReason::FullyRefunded && !planned.Row.IsRefund &&
           planned.RefundUnits > 0;
}

// A refund taken off a payment of the bill is written when that payment is: as a new record, or
// as a payment not recorded because it was refunded in full.
bool PaymentWritten(const TPlannedRow& payment) {
    return (payment.Reason == TSkipReason::None && payment.Checked) || RefundedInFull(payment);
}

// A payment row of this bill that becomes a new record.
bool NewRecord(const TPlannedRow& planned) {
    return planned.Reason == TSkipReason::None && planned.Checked && planned.ReducesPayoutID == 0 &&
           !planned.Row.IsRefund;
}

// A refund of an earlier record that the write takes off it.
bool Reduction(const TPlannedRow& planned) {
    return planned.ReducesPayoutID != 0 && planned.Checked &&
           (planned.Reason == TSkipReason::None || planned.Reason == TSkipReason::ChangedByHand);
}

// The statements of one write, prepared once.
class TWriter {
public:
    TWriter(QSqlDatabase& connection, const QString& source, const QString& person)
        : FConnection(connection), FSource(source), FPerson(person), FInsertPayout(connection),
          FInsertImport(connection), FReadRecord(connection),
          FDeleteRecord(connection), FUpdateImport(connection), FRule(connection) {
        Schema::CreateImportTables(connection);
        Prepare(FInsertPayout,
                QStringLiteral("insert into fPayout (PayoutID, ItemProjectID, Payout, PayoutAccount, "
                               "IncomeAccount, UseDate, PersonName, Memos, ItemType, MonthNum, "
                               "YearNum, QuarterNum) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        Prepare(FInsertImport,
                QStringLiteral("insert into fBillImport (Source, OrderNo, MerchantOrderNo, PayoutID, "
                               "ItemType, ImportedUnits, RefundedUnits) values (?, ?, ?, ?, ?, ?, ?)"));
        Prepare(FReadRecord, RecordSql);
        Prepare(FDeleteRecord, QStringLiteral("delete from fPayout where PayoutID = ?"));
        Prepare(FUpdateImport,
                QStringLiteral("update fBillImport set PayoutID = ?, ImportedUnits = ?, "
                               "RefundedUnits = RefundedUnits + ? where Source = ? and PayoutID = ? "
                               "and ItemType <> '退款'"));
        Prepare(FRule, QStringLiteral("insert or replace into bBillCategoryRule (Counterpart, "
                                      "ItemType, ItemProjectID) values (?, ?, ?)"));
        QSqlQuery query(connection);
        if (!query.exec(QStringLiteral("select coalesce(max(PayoutID), 0) from fPayout")) || !query.next())
            throw EDatabaseError(query.lastError().databaseText());
        FLastPayoutID = query.value(0).toLongLong();
        FCategories.Load(connection);
    }

    qint64 AddRecord(const TImportPlan& plan, const TPlannedRow& planned) {
        const TBillRow& row = planned.Row;
        const qint64 category = planned.ItemProjectID != 0
                                    ? planned.ItemProjectID
                                    : Category(planned.CategoryName, planned.Kind);
        const QDate day = row.Time.date();
        if (!day.isValid()) throw EDatabaseError(QStringLiteral("交易时间无效"));
        const bool income = planned.Kind == IncomeKind;
        const QVariant amount = StoredAmount(planned.NetUnits);
        const qint64 id = ++FLastPayoutID;
        FInsertPayout.bindValue(0, id);
        FInsertPayout.bindValue(1, category);
        FInsertPayout.bindValue(2, planned.Content);
        FInsertPayout.bindValue(3, income ? QVariant() : amount);
        FInsertPayout.bindValue(4, income ? amount : QVariant());
        FInsertPayout.bindValue(5, qint64(DayNumber::FromDate(day)));
        FInsertPayout.bindValue(6, FPerson);
        FInsertPayout.bindValue(7, Memo(plan, planned));
        FInsertPayout.bindValue(8, planned.Kind);
        FInsertPayout.bindValue(9, day.month());
        FInsertPayout.bindValue(10, day.year());
        FInsertPayout.bindValue(11, (day.month() - 1) / 3 + 1);
        Exec(FInsertPayout);
        Record(planned, id, planned.Kind, planned.NetUnits, planned.RefundUnits);
        if (planned.CategoryChosen && !row.Counterpart.trimmed().isEmpty()) {
            FRule.bindValue(0, row.Counterpart);
            FRule.bindValue(1, planned.Kind);
            FRule.bindValue(2, category);
            Exec(FRule);
        }
        return id;
    }

    // Keeps the row's key, so it is never imported again.
    void Record(const TPlannedRow& planned, qint64 payoutID, const QString& type, qint64 imported,
                qint64 refunded) {
        FInsertImport.bindValue(0, FSource);
        FInsertImport.bindValue(1, planned.Key);
        FInsertImport.bindValue(2, planned.Row.MerchantOrderNo);
        FInsertImport.bindValue(3, payoutID != 0 ? QVariant(payoutID) : QVariant());
        FInsertImport.bindValue(4, type);
        FInsertImport.bindValue(5, imported);
        FInsertImport.bindValue(6, refunded);
        Exec(FInsertImport);
    }

    // Takes a refund off an earlier record. One the import left as it was goes when nothing is
    // left of it (as a payment refunded in full within one bill is never recorded); one changed
    // by hand keeps the user's record and goes down to 0 at the most.
    void Reduce(const TPlannedRow& planned) {
        const qint64 id = planned.ReducesPayoutID;
        TRecord record;
        if (ReadRecord(FReadRecord, id, record)) {
            const qint64 left = std::max<qint64>(0, record.Units - planned.RefundUnits);
            const qint64 applied = record.Units - left;
            const bool remove = left == 0 && planned.Reason == TSkipReason::None;
            if (remove) {
                FDeleteRecord.bindValue(0, id);
                Exec(FDeleteRecord);
            } else {
                const bool income = record.ItemType.compare(IncomeKind, Qt::CaseInsensitive) == 0;
                QSqlQuery update(FConnection);
                Prepare(update, QStringLiteral("update fPayout set %1 = ?, Memos = "
                                               "coalesce(Memos || char(10), '') || ? where PayoutID = ?")
                                    .arg(income ? QStringLiteral("IncomeAccount")
                                                : QStringLiteral("PayoutAccount")));
                update.addBindValue(StoredAmount(left));
                update.addBindValue(QStringLiteral("退款：￥%1（%2，交易单号：%3）")
                                        .arg(YuanText(applied), TimeText(planned.Row.Time),
                                             planned.Row.OrderNo));
                update.addBindValue(id);
                Exec(update);
            }
            FUpdateImport.bindValue(0, remove ? QVariant() : QVariant(id));
            FUpdateImport.bindValue(1, left);
            FUpdateImport.bindValue(2, applied);
            FUpdateImport.bindValue(3, FSource);
            FUpdateImport.bindValue(4, id);
            Exec(FUpdateImport);
        }
        Record(planned, id, RefundKind, 0, planned.Row.Units);
    }

private:
    // The category by name and kind, made with its kind when the ledger lacks it; a new key
    // lies above every key in use, also those of a deleted category's records.
    qint64 Category(const QString& name, const QString& kind) {
        const QString key = TCategories::Key(kind, name);
        if (const qint64 id = FCategories.ByName.value(key); id != 0) return id;
        QSqlQuery query(FConnection);
        if (!query.exec(QStringLiteral("select max(coalesce((select max(ItemProjectID) from "
                                       "bItemProject), 0), coalesce((select max(ItemProjectID) "
                                       "from fPayout), 0))")) ||
            !query.next())
            throw EDatabaseError(query.lastError().databaseText());
        const qint64 id = query.value(0).toLongLong() + 1;
        Prepare(query, QStringLiteral("insert into bItemProject (ItemProjectID, ItemProject, "
                                      "ItemType) values (?, ?, ?)"));
        query.addBindValue(id);
        query.addBindValue(name);
        query.addBindValue(kind);
        Exec(query);
        FCategories.ByName.insert(key, id);
        return id;
    }

    QSqlDatabase& FConnection;
    QString FSource;
    QString FPerson;
    QSqlQuery FInsertPayout, FInsertImport, FReadRecord, FDeleteRecord,
        FUpdateImport, FRule;
    qint64 FLastPayoutID = 0;
    TCategories FCategories;
};

} // namespace

TImportCounts TBillImporter::Write(const TImportPlan& plan) const {
    const TImportCounts counts = Count(plan);
    QSqlDatabase connection = FConnection;
    const QString failed = QStringLiteral("导入失败，账本没有改动：");
    if (!connection.transaction())
        throw EDatabaseError(failed + connection.lastError().databaseText());
    int line = 0;
    try {
        TWriter writer(connection, plan.Source, plan.PersonName.isEmpty() ? FPersonName : plan.PersonName);
        // Payments first (a bill may list a refund before its payment), then the refunds.
        std::vector<qint64> written(plan.Rows.size(), 0);
        for (qsizetype i = 0; i < plan.Rows.size(); ++i) {
            const TPlannedRow& planned = plan.Rows[i];
            line = planned.Row.Line;
            if (NewRecord(planned))
                written[i] = writer.AddRecord(plan, planned);
            else if (RefundedInFull(planned))
                writer.Record(planned, 0, planned.Kind, 0, planned.RefundUnits);
        }
        for (qsizetype i = 0; i < plan.Rows.size(); ++i) {
            const TPlannedRow& planned = plan.Rows[i];
            line = planned.Row.Line;
            if (Reduction(planned)) {
                writer.Reduce(planned);
            } else if (planned.Reason == TSkipReason::RefundNetted) {
                if (planned.NettedInto >= 0) {
                    if (PaymentWritten(plan.Rows[planned.NettedInto]))
                        writer.Record(planned, written[planned.NettedInto], RefundKind, 0,
                                      planned.Row.Units);
                } else {
                    writer.Record(planned, planned.ReducesPayoutID, RefundKind, 0, planned.Row.Units);
                }
            }
        }
        line = 0;
        if (!connection.commit()) throw EDatabaseError(connection.lastError().databaseText());
    } catch (const Exception& error) {
        connection.rollback();
        throw EDatabaseError(failed + (line > 0 ? QStringLiteral("账单第 %1 行：").arg(line) : QString()) +
                             error.Message);
    }
    return counts;
}

TImportCounts TBillImporter::Count(const TImportPlan& plan) {
    TImportCounts counts;
    for (const TPlannedRow& planned : plan.Rows) {
        switch (planned.Reason) {
        case TSkipReason::None:
            if (!planned.Checked) ++counts.Skipped;
            else if (planned.ReducesPayoutID != 0) ++counts.RefundsNetted;
            else ++counts.Imported;
            break;
        case TSkipReason::AlreadyImported: ++counts.AlreadyImported; break;
        case TSkipReason::RefundNetted:
            if (planned.NettedInto < 0 || PaymentWritten(plan.Rows[planned.NettedInto]))
                ++counts.RefundsNetted;
            else
                ++counts.Skipped;
            break;
        case TSkipReason::ChangedByHand:
            if (planned.Checked) {
                ++counts.RefundsNetted;
            } else {
                ++counts.Skipped;
                ++counts.ToDecide;
            }
            break;
        case TSkipReason::Neutral:
        case TSkipReason::Closed:
        case TSkipReason::FullyRefunded:
        case TSkipReason::Unmatched: ++counts.Skipped; break;
        }
    }
    return counts;
}

QString TBillImporter::CountsText(const TImportCounts& counts) {
    QString text = QStringLiteral("已导入 %1 条，已在账本中 %2 条，跳过 %3 条（不计收支、交易关闭、"
                                  "全额退款等），冲抵退款 %4 笔")
                       .arg(counts.Imported)
                       .arg(counts.AlreadyImported)
                       .arg(counts.Skipped)
                       .arg(counts.RefundsNetted);
    if (counts.ToDecide > 0)
        text += QStringLiteral("；另有 %1 笔退款的原记录已被手工修改，没有冲抵，"
                               "请在程序的“导入账单”窗口中确认")
                    .arg(counts.ToDecide);
    return text;
}
