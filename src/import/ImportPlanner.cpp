#include "import/ImportPlanner.h"

#include "import/CategoryRules.h"
#include "import/ImportLedger.h"
#include "import/readers/LedgerCsvLayout.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <utility>
#include <vector>

using namespace ImportLedger;

namespace {

// The width of fPayout.Payout.
constexpr int ContentWidth = 200;

QString KindOf(TBillDirection direction) {
    switch (direction) {
    case TBillDirection::Income:
        return IncomeKind;
    case TBillDirection::Expenditure:
        return ExpenditureKind;
    case TBillDirection::Neutral:
        break;
    }
    return QString();
}

// The text cut to the column's width, never inside a character of two UTF-16 units.
QString CutToWidth(const QString& text) {
    if (text.size() <= ContentWidth) return text;
    int size = ContentWidth;
    if (text.at(size - 1).isHighSurrogate()) --size;
    return text.left(size);
}

} // namespace

namespace ImportPlanner {

TImportPlan Plan(const QSqlDatabase& connection, const QString& personName, TBill&& bill,
                 const QString& path) {
    TImportPlan plan;
    plan.Path = path;
    plan.Source = bill.Source;
    plan.Format = bill.Format;
    plan.PersonName = personName;
    plan.BillRows = std::move(bill.Rows);
    const QList<TBillRow>& rows = plan.BillRows;

    // What the bill's refunds name, so that only the payments they may refund are indexed.
    QSet<QString> refundOf, refundMerchants, refundCounterparts;
    for (const TBillRow& row : rows) {
        if (!row.IsRefund) continue;
        if (!row.RefundOf.isEmpty()) {
            refundOf.insert(row.RefundOf);
            continue;
        }
        if (!row.MerchantOrderNo.isEmpty()) refundMerchants.insert(row.MerchantOrderNo);
        refundCounterparts.insert(row.Counterpart);
    }

    // The key of every row: its order number, else a fingerprint of its content.
    const int count = int(rows.size());
    plan.Rows.reserve(count);
    {
        QHash<QString, int> fingerprints; // rows without an order number met so far, by content
        for (int index = 0; index < count; ++index) {
            TPlannedRow planned;
            planned.BillRow = index;
            const TBillRow& row = rows[index];
            planned.Kind = KindOf(row.Direction);
            if (!row.OrderNo.isEmpty()) {
                planned.Key = row.OrderNo;
            } else {
                const QString content = QStringLiteral("~%1|%2|%3|%4|%5")
                                            .arg(TimeText(row.Time), QString::number(row.Units),
                                                 planned.Kind, row.Counterpart, row.Item);
                planned.Key = content + QStringLiteral("#%1").arg(++fingerprints[content]);
            }
            plan.Rows.append(std::move(planned));
        }
    }

    // What earlier imports of this source left of the keys the bill may ask about (its rows'
    // and those its refunds name), the categories and the remembered rules.
    TEarlierImports earlier;
    {
        QSet<QString> wanted = refundOf;
        wanted.reserve(count + refundOf.size());
        for (const TPlannedRow& planned : std::as_const(plan.Rows))
            wanted.insert(planned.Key);
        earlier = ReadEarlierImports(connection, plan.Source, wanted, refundMerchants);
    }
    const QHash<QString, TKnown>& known = earlier.Known;
    TCategories categories;
    categories.Load(connection);
    const QHash<QString, QString> ruleOf = ReadRules(connection, categories);
    // The program's own book: records, not payments; one of this very ledger that is still
    // there is in it already.
    const bool book = plan.Source == LedgerCsvLayout::Source;
    const QSet<int> stillHere = book ? RecordsStillHere(connection, rows) : QSet<int>();

    // First pass: what each row is before refunds are matched.
    QSet<QString> seen;              // keys met in this bill
    QHash<QString, int> billByOrder; // payments of this bill by order number
    QMultiHash<QString, int> billByMerchant;
    QMultiHash<QString, int> billByCounterpart;
    seen.reserve(count);
    for (int index = 0; index < count; ++index) {
        TPlannedRow& planned = plan.Rows[index];
        const TBillRow& row = rows[index];
        const auto found = known.constFind(planned.Key);
        if (seen.contains(planned.Key)) {
            planned.Reason = TSkipReason::AlreadyImported; // the same order twice in one file
        } else if (found != known.constEnd()) {
            planned.Reason = found->IsRefund() || found->PayoutID != 0
                                 ? TSkipReason::AlreadyImported
                                 : TSkipReason::FullyRefunded;
            // a payment of an earlier import that a refund of this bill may name by counterpart
            if (!found->IsRefund() && !row.IsRefund && refundCounterparts.contains(row.Counterpart))
                billByCounterpart.insert(row.Counterpart, index);
        } else if (stillHere.contains(index)) {
            planned.Reason = TSkipReason::AlreadyImported;
        } else if (row.Closed) { // a payment or a refund that never happened
            planned.Reason = TSkipReason::Closed;
        } else if (row.IsRefund) {
            // matched below
        } else if (row.Direction == TBillDirection::Neutral) {
            planned.Reason = TSkipReason::Neutral;
        } else {
            if (refundOf.contains(row.OrderNo)) billByOrder.insert(row.OrderNo, index);
            if (refundMerchants.contains(row.MerchantOrderNo))
                billByMerchant.insert(row.MerchantOrderNo, index);
            if (refundCounterparts.contains(row.Counterpart))
                billByCounterpart.insert(row.Counterpart, index);
        }
        seen.insert(planned.Key);
    }

    // Second pass: each refund to its payment, in this bill or from an earlier import.
    std::vector<qint64> matched(count, 0); // refund rows taken off each payment of this bill
    const auto capacity = [&](int payment) { return rows[payment].Units - matched[payment]; };
    QHash<QString, QList<int>> refundsOfKnown; // an earlier payment's key → refund rows
    QList<QString> knownOrder;
    for (int i = 0; i < count; ++i) {
        TPlannedRow& refund = plan.Rows[i];
        const TBillRow& row = rows[i];
        if (!row.IsRefund || refund.Reason != TSkipReason::None) continue;
        QString earlierKey;
        int payment = -1;
        // A payment of this bill with room for the refund; one of an earlier import is checked
        // against what was refunded of it below.
        const auto fits = [&](int candidate) {
            if (plan.Rows[candidate].Reason != TSkipReason::None)
                return rows[candidate].Units >= row.Units;
            return candidate != i && capacity(candidate) >= row.Units;
        };
        if (!row.RefundOf.isEmpty()) {
            const auto found = known.constFind(row.RefundOf);
            if (found != known.constEnd() && !found->IsRefund())
                earlierKey = row.RefundOf;
            else if (const int candidate = billByOrder.value(row.RefundOf, -1);
                     candidate >= 0 && fits(candidate))
                payment = candidate;
        } else {
            if (!row.MerchantOrderNo.isEmpty()) {
                earlierKey = earlier.KnownByMerchant.value(row.MerchantOrderNo);
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
                    const TBillRow& paid = rows[candidate];
                    if (!fits(candidate) || (row.Time.isValid() && paid.Time > row.Time)) continue;
                    const bool says = paid.RefundedUnits > 0;
                    if (payment < 0 || (says && !said) ||
                        (says == said && paid.Time > rows[payment].Time)) {
                        payment = candidate;
                        said = says;
                    }
                }
            }
        }
        if (payment >= 0 && plan.Rows[payment].Reason != TSkipReason::None) {
            earlierKey = plan.Rows[payment].Key;
            payment = -1;
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
    QSqlQuery recordQuery(connection);
    Prepare(recordQuery, RecordSql);
    for (const QString& key : knownOrder) {
        const TKnown payment = known.value(key);
        const qint64 original = payment.ImportedUnits + payment.RefundedUnits;
        qint64 taken = earlier.RefundedByRows.value(payment.PayoutID);
        QList<int> applying;
        for (const int i : refundsOfKnown.value(key)) {
            TPlannedRow& refund = plan.Rows[i];
            refund.Kind = payment.ItemType;
            refund.ReducesPayoutID = payment.PayoutID;
            if (payment.PayoutID == 0) { // removed or never written: nothing left to reduce
                refund.Reason = TSkipReason::RefundNetted;
                refund.RefundUnits = rows[i].Units;
                continue;
            }
            if (taken + rows[i].Units > original) {
                refund.Reason = TSkipReason::Unmatched; // more back than was paid
                refund.ReducesPayoutID = 0;
                continue;
            }
            taken += rows[i].Units;
            applying.append(i);
        }
        qint64 left = std::max<qint64>(0, taken - payment.RefundedUnits);
        TRecord record;
        const bool kept = ReadRecord(recordQuery, payment.PayoutID, record);
        const bool byHand = !kept ||
                            record.ItemType.compare(payment.ItemType, Qt::CaseInsensitive) != 0 ||
                            record.Units != payment.ImportedUnits;
        qint64 amount = kept ? record.Units : 0;
        for (const int i : applying) {
            TPlannedRow& refund = plan.Rows[i];
            const qint64 share = std::min(rows[i].Units, left);
            left -= share;
            if (share == 0) { // the record had it taken off already
                refund.Reason = TSkipReason::RefundNetted;
                refund.RefundUnits = rows[i].Units;
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
        const TBillRow& row = rows[i];
        if (!row.IsRefund && planned.Reason == TSkipReason::None) {
            const qint64 refunded = std::min(row.Units, std::max(row.RefundedUnits, matched[i]));
            planned.RefundUnits = refunded;
            planned.NetUnits = row.Units - refunded;
            if (refunded > 0 && refunded >= row.Units) planned.Reason = TSkipReason::FullyRefunded;
        } else if (!row.IsRefund) {
            planned.NetUnits = row.Units;
        }
        const QString item = book ? row.Item : row.Item.trimmed(); // a book's content exactly
        planned.Content =
            CutToWidth(item.isEmpty() && !book ? row.Counterpart.trimmed() : item);
        if (planned.Reason != TSkipReason::None && planned.Reason != TSkipReason::ChangedByHand)
            planned.Checked = false;
        if (row.IsRefund || planned.Kind.isEmpty()) continue;
        if (book) { // the category by its exact name, made with its kind where missing
            const QString name =
                row.Category.isEmpty() ? CategoryRules::OtherName(planned.Kind) : row.Category;
            planned.ItemProjectID = categories.ByName.value(TCategories::Key(planned.Kind, name));
            planned.CategoryName =
                planned.ItemProjectID != 0 ? categories.NameOf.value(planned.ItemProjectID) : name;
            continue;
        }
        const QString remembered = ruleOf.value(TCategories::Key(planned.Kind, row.Counterpart));
        if (!remembered.isEmpty()) {
            planned.ItemProjectID = remembered.toLongLong();
            planned.CategoryName = categories.NameOf.value(planned.ItemProjectID);
            continue;
        }
        QString name = CategoryRules::DefaultName(row, planned.Kind);
        qint64 id =
            name.isEmpty() ? 0 : categories.ByName.value(TCategories::Key(planned.Kind, name));
        if (id == 0) {
            name = CategoryRules::OtherName(planned.Kind);
            id = categories.ByName.value(TCategories::Key(planned.Kind, name));
        }
        planned.ItemProjectID = id;
        planned.CategoryName = id != 0 ? categories.NameOf.value(id) : name;
    }
    return plan;
}

} // namespace ImportPlanner
