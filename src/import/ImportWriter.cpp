#include "import/ImportWriter.h"

#include "data/NewKeys.h"
#include "data/Schema.h"
#include "data/engine/WriteTransaction.h"
#include "data/query/DayNumber.h"
#include "import/ImportLedger.h"
#include "import/readers/LedgerCsvLayout.h"
#include "platform/Exception.h"

#include <QSqlError>
#include <QStringList>
#include <algorithm>
#include <vector>

using namespace ImportLedger;

namespace {

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

QString SourceText(const TImportPlan& plan) {
    if (plan.Source == QStringLiteral("alipay")) return QStringLiteral("支付宝账单");
    if (plan.Source == QStringLiteral("wechat")) return QStringLiteral("微信支付账单");
    return plan.Format;
}

// The record's note: where the payment came from, in lines the user reads.
QString Memo(const TImportPlan& plan, const TPlannedRow& planned) {
    const TBillRow& row = plan.Bill(planned);
    if (plan.Source == LedgerCsvLayout::Source) return row.Note; // a book's record: its own note
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
    const QString full =
        row.Item.trimmed().isEmpty() ? row.Counterpart.trimmed() : row.Item.trimmed();
    if (full != planned.Content) add(QStringLiteral("收支内容过长，完整内容："), full);
    add(QStringLiteral("备注："), row.Note);
    add(QStringLiteral("来源："), SourceText(plan));
    return lines.join(u'\n');
}

// A payment of this bill refunded in full: kept without a record, so that its refunds in later
// bills are known as taken off. (One known from an earlier import has no refund units here.)
bool RefundedInFull(const TImportPlan& plan, const TPlannedRow& planned) {
    return planned.Reason == TSkipReason::FullyRefunded && !plan.Bill(planned).IsRefund &&
           planned.RefundUnits > 0;
}

// A refund taken off a payment of the bill is written when that payment is: as a new record, or
// as a payment not recorded because it was refunded in full.
bool PaymentWritten(const TImportPlan& plan, const TPlannedRow& payment) {
    return (payment.Reason == TSkipReason::None && payment.Checked) ||
           RefundedInFull(plan, payment);
}

// A payment row of this bill that becomes a new record.
bool NewRecord(const TImportPlan& plan, const TPlannedRow& planned) {
    return planned.Reason == TSkipReason::None && planned.Checked && planned.ReducesPayoutID == 0 &&
           !plan.Bill(planned).IsRefund;
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
          FInsertImport(connection), FReadRecord(connection), FDeleteRecord(connection),
          FUpdateImport(connection), FForget(connection), FRule(connection) {
        Schema::CreateImportTables(connection);
        // Other programs wait to write records or categories until this import is done, so the
        // keys it takes stay its own (the same locks as a form's save takes for its key).
        TWriteTransaction::LockTables(connection,
                                      NewKeys::Payout().Tables + NewKeys::ItemProject().Tables);
        Prepare(
            FInsertPayout,
            QStringLiteral("insert into fPayout (PayoutID, ItemProjectID, Payout, PayoutAccount, "
                           "IncomeAccount, UseDate, PersonName, Memos, ItemType, MonthNum, "
                           "YearNum, QuarterNum) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        Prepare(
            FInsertImport,
            QStringLiteral("insert into fBillImport (Source, OrderNo, MerchantOrderNo, PayoutID, "
                           "ItemType, ImportedUnits, RefundedUnits) values (?, ?, ?, ?, ?, ?, ?)"));
        Prepare(FReadRecord, RecordSql);
        Prepare(FDeleteRecord, QStringLiteral("delete from fPayout where PayoutID = ?"));
        Prepare(
            FUpdateImport,
            QStringLiteral("update fBillImport set PayoutID = ?, ImportedUnits = ?, "
                           "RefundedUnits = RefundedUnits + ? where Source = ? and PayoutID = ? "
                           "and ItemType <> '退款'"));
        Prepare(FForget, QStringLiteral("update fBillImport set PayoutID = null where PayoutID = ?"));
        Prepare(FRule, QStringLiteral("insert into bBillCategoryRule (Counterpart, ItemType, "
                                      "ItemProjectID) values (?, ?, ?) on conflict (Counterpart, "
                                      "ItemType) do update set ItemProjectID = "
                                      "excluded.ItemProjectID"));
        // New keys follow the record's rule: above every record and every record an import
        // still names.
        FLastPayoutID = NewKeys::PayoutID(connection) - 1;
        FCategories.Load(connection);
    }

    qint64 AddRecord(const TImportPlan& plan, const TPlannedRow& planned) {
        const TBillRow& row = plan.Bill(planned);
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
        // a book's record keeps its time of day; a payment is stamped at midnight
        const bool timed =
            plan.Source == LedgerCsvLayout::Source && row.Time.time() != QTime(0, 0);
        FInsertPayout.bindValue(5, timed ? QVariant(DayNumber::FromDateTime(row.Time))
                                         : QVariant(qint64(DayNumber::FromDate(day))));
        FInsertPayout.bindValue(6, FPerson);
        FInsertPayout.bindValue(7, Memo(plan, planned));
        FInsertPayout.bindValue(8, planned.Kind);
        FInsertPayout.bindValue(9, day.month());
        FInsertPayout.bindValue(10, day.year());
        FInsertPayout.bindValue(11, (day.month() - 1) / 3 + 1);
        Exec(FInsertPayout);
        Record(planned, row, id, planned.Kind, planned.NetUnits, planned.RefundUnits);
        if (planned.CategoryChosen && !row.Counterpart.trimmed().isEmpty()) {
            FRule.bindValue(0, row.Counterpart);
            FRule.bindValue(1, planned.Kind);
            FRule.bindValue(2, category);
            Exec(FRule);
        }
        return id;
    }

    // Keeps the row's key, so it is never imported again.
    void Record(const TPlannedRow& planned, const TBillRow& row, qint64 payoutID,
                const QString& type, qint64 imported, qint64 refunded) {
        FInsertImport.bindValue(0, FSource);
        FInsertImport.bindValue(1, planned.Key);
        FInsertImport.bindValue(2, row.MerchantOrderNo);
        FInsertImport.bindValue(3, payoutID != 0 ? QVariant(payoutID) : QVariant());
        FInsertImport.bindValue(4, type);
        FInsertImport.bindValue(5, imported);
        FInsertImport.bindValue(6, refunded);
        Exec(FInsertImport);
    }

    // Takes a refund off an earlier record. One the import left as it was goes when nothing is
    // left of it (as a payment refunded in full within one bill is never recorded); one changed
    // by hand keeps the user's record and goes down to 0 at the most.
    void Reduce(const TPlannedRow& planned, const TBillRow& row) {
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
                Prepare(update,
                        QStringLiteral("update fPayout set %1 = ?, Memos = "
                                       "coalesce(Memos || ?, '') || ? where PayoutID = ?")
                            .arg(income ? QStringLiteral("IncomeAccount")
                                        : QStringLiteral("PayoutAccount")));
                update.addBindValue(StoredAmount(left));
                update.addBindValue(QStringLiteral("\n"));
                update.addBindValue(QStringLiteral("退款：￥%1（%2，交易单号：%3）")
                                        .arg(YuanText(applied), TimeText(row.Time), row.OrderNo));
                update.addBindValue(id);
                Exec(update);
            }
            FUpdateImport.bindValue(0, remove ? QVariant() : QVariant(id));
            FUpdateImport.bindValue(1, left);
            FUpdateImport.bindValue(2, applied);
            FUpdateImport.bindValue(3, FSource);
            FUpdateImport.bindValue(4, id);
            Exec(FUpdateImport);
            if (remove) {
                // Nothing names the removed record any more: its key may be taken again, and
                // its earlier refunds never count against the record that takes it.
                FForget.bindValue(0, id);
                Exec(FForget);
                Record(planned, row, 0, RefundKind, 0, row.Units);
                return;
            }
        }
        Record(planned, row, id, RefundKind, 0, row.Units);
    }

private:
    // The category by name and kind, made with its kind when the ledger lacks it; a new key
    // lies above every key in use, also those of a deleted category's records.
    qint64 Category(const QString& name, const QString& kind) {
        const QString key = TCategories::Key(kind, name);
        if (const qint64 id = FCategories.ByName.value(key); id != 0) return id;
        const qint64 id = NewKeys::ItemProjectID(FConnection);
        QSqlQuery query(FConnection);
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
    QSqlQuery FInsertPayout, FInsertImport, FReadRecord, FDeleteRecord, FUpdateImport, FForget,
        FRule;
    qint64 FLastPayoutID = 0;
    TCategories FCategories;
};

} // namespace

namespace ImportWriter {

TImportCounts Write(QSqlDatabase connection, const QString& personName, const TImportPlan& plan) {
    const TImportCounts counts = Count(plan);
    const QString failed = QStringLiteral("导入失败，账本没有改动：");
    // A bill of many rows is written through a small page cache: the pages it fills are not
    // read again, and the ledger's own large cache would hold them all until the end.
    TCacheSize cache(connection, SmallCachePages);
    if (!connection.transaction())
        throw EDatabaseError(failed + connection.lastError().databaseText());
    int line = 0;
    try {
        TWriter writer(connection, plan.Source,
                       plan.PersonName.isEmpty() ? personName : plan.PersonName);
        // Payments first (a bill may list a refund before its payment), then the refunds.
        std::vector<qint64> written(plan.Rows.size(), 0);
        for (qsizetype i = 0; i < plan.Rows.size(); ++i) {
            const TPlannedRow& planned = plan.Rows[i];
            line = plan.Bill(planned).Line;
            if (NewRecord(plan, planned))
                written[i] = writer.AddRecord(plan, planned);
            else if (RefundedInFull(plan, planned))
                writer.Record(planned, plan.Bill(planned), 0, planned.Kind, 0, planned.RefundUnits);
        }
        for (qsizetype i = 0; i < plan.Rows.size(); ++i) {
            const TPlannedRow& planned = plan.Rows[i];
            const TBillRow& row = plan.Bill(planned);
            line = row.Line;
            if (Reduction(planned)) {
                writer.Reduce(planned, row);
            } else if (planned.Reason == TSkipReason::RefundNetted) {
                if (planned.NettedInto >= 0) {
                    if (PaymentWritten(plan, plan.Rows[planned.NettedInto]))
                        writer.Record(planned, row, written[planned.NettedInto], RefundKind, 0,
                                      row.Units);
                } else {
                    writer.Record(planned, row, planned.ReducesPayoutID, RefundKind, 0, row.Units);
                }
            }
        }
        line = 0;
        if (!connection.commit()) throw EDatabaseError(connection.lastError().databaseText());
    } catch (const Exception& error) {
        connection.rollback();
        throw EDatabaseError(failed +
                             (line > 0 ? QStringLiteral("账单第 %1 行：").arg(line) : QString()) +
                             error.Message);
    } catch (...) {
        // Anything else (out of memory) still leaves the connection outside a transaction.
        connection.rollback();
        throw;
    }
    return counts;
}

TImportCounts Count(const TImportPlan& plan) {
    TImportCounts counts;
    for (const TPlannedRow& planned : plan.Rows) {
        switch (planned.Reason) {
        case TSkipReason::None:
            if (!planned.Checked)
                ++counts.Skipped;
            else if (planned.ReducesPayoutID != 0)
                ++counts.RefundsNetted;
            else
                ++counts.Imported;
            break;
        case TSkipReason::AlreadyImported:
            ++counts.AlreadyImported;
            break;
        case TSkipReason::RefundNetted:
            if (planned.NettedInto < 0 || PaymentWritten(plan, plan.Rows[planned.NettedInto]))
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
        case TSkipReason::Unmatched:
            ++counts.Skipped;
            break;
        }
    }
    return counts;
}

} // namespace ImportWriter
