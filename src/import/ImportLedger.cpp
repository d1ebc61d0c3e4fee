#include "import/ImportLedger.h"

#include "data/Schema.h"
#include "data/engine/Engine.h"
#include "import/readers/LedgerCsvLayout.h"
#include "platform/Exception.h"

#include <QSqlError>
#include <algorithm>

namespace ImportLedger {

namespace {

bool TableExists(const QSqlDatabase& connection, const QString& table) {
    const QStringList tables = connection.tables();
    return std::any_of(tables.cbegin(), tables.cend(), [&](const QString& name) {
        return name.compare(table, Qt::CaseInsensitive) == 0;
    });
}

} // namespace

void Exec(QSqlQuery& query) {
    if (!query.exec()) throw EDatabaseError(query.lastError().databaseText());
}

void Prepare(QSqlQuery& query, const QString& sql) {
    if (!query.prepare(sql)) throw EDatabaseError(query.lastError().databaseText());
}

TCacheSize::TCacheSize(QSqlDatabase& connection, int size) : FConnection(connection) {
    if (OnServer(connection)) return; // a server's cache is its own
    QSqlQuery query(connection);
    if (query.exec(QStringLiteral("pragma cache_size")) && query.next()) {
        FEarlier = query.value(0).toString();
        query.finish();
        query.exec(QStringLiteral("pragma cache_size = %1").arg(size));
    }
}

TCacheSize::~TCacheSize() {
    if (!FEarlier.isEmpty())
        QSqlQuery(FConnection).exec(QStringLiteral("pragma cache_size = ") + FEarlier);
}

QString TimeText(const QDateTime& time) {
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

TEarlierImports ReadEarlierImports(QSqlDatabase connection, const QString& source,
                                   const QSet<QString>& wanted,
                                   const QSet<QString>& refundMerchants) {
    TEarlierImports earlier;
    if (!TableExists(connection, QStringLiteral("fBillImport"))) return earlier;
    TCacheSize cache(connection, SmallCachePages);
    QSqlQuery query(connection);
    query.setForwardOnly(true);
    // Kinds come as codes and merchant order numbers only where a refund may name one: a
    // ledger of many imports is read in a fraction of the time.
    Prepare(query, QStringLiteral("select OrderNo, PayoutID, case ItemType when '退款' then 2 "
                                  "when '收入' then 1 else 0 end, ImportedUnits, RefundedUnits, %1 "
                                  "from fBillImport where Source = ?")
                       .arg(refundMerchants.isEmpty() ? QStringLiteral("null")
                                                      : QStringLiteral("MerchantOrderNo")));
    query.addBindValue(source);
    Exec(query);
    const QString kinds[] = {ExpenditureKind, IncomeKind, RefundKind};
    while (query.next()) {
        TKnown entry;
        const QString key = query.value(0).toString();
        entry.PayoutID = query.value(1).toLongLong();
        entry.ItemType = kinds[std::clamp(query.value(2).toInt(), 0, 2)];
        entry.ImportedUnits = query.value(3).toLongLong();
        entry.RefundedUnits = query.value(4).toLongLong();
        bool keep = false;
        if (entry.IsRefund()) {
            if (entry.PayoutID != 0) earlier.RefundedByRows[entry.PayoutID] += entry.RefundedUnits;
        } else if (!refundMerchants.isEmpty()) {
            const QString merchant = query.value(5).toString();
            if (refundMerchants.contains(merchant)) {
                earlier.KnownByMerchant.insert(merchant, key);
                keep = true;
            }
        }
        // A wanted key is kept as the bill holds it, not as one more copy of the text.
        if (const auto found = wanted.constFind(key); found != wanted.constEnd())
            earlier.Known.insert(*found, entry);
        else if (keep)
            earlier.Known.insert(key, entry);
    }
    return earlier;
}

void TCategories::Load(const QSqlDatabase& connection) {
    QSqlQuery query(connection);
    query.setForwardOnly(true);
    if (!query.exec(
            QStringLiteral("select ItemProjectID, ItemProject, ItemType from bItemProject")))
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

QHash<QString, QString> ReadRules(const QSqlDatabase& connection, const TCategories& categories) {
    QHash<QString, QString> rules;
    if (!TableExists(connection, QStringLiteral("bBillCategoryRule"))) return rules;
    QSqlQuery query(connection);
    query.setForwardOnly(true);
    if (!query.exec(
            QStringLiteral("select Counterpart, ItemType, ItemProjectID from bBillCategoryRule")))
        throw EDatabaseError(query.lastError().databaseText());
    while (query.next()) {
        const qint64 id = query.value(2).toLongLong();
        const QString kind = query.value(1).toString();
        if (categories.KindOf.value(id) == kind)
            rules.insert(TCategories::Key(kind, query.value(0).toString()), QString::number(id));
    }
    return rules;
}

QString UnitsOf(const QString& amount) {
    // numeric on a server, where round() of it rounds half away from zero as SQLite's does
    // (PostgreSQL's round() of a double would round half to even); bigint is SQLite's integer
    return QStringLiteral("cast(round(cast(coalesce(") + amount +
           QStringLiteral(", 0) as numeric) * 10000) as bigint)");
}

const QString RecordSql =
    QStringLiteral("select ItemType, ") +
    UnitsOf(QStringLiteral("case when ItemType = '收入' then IncomeAccount else PayoutAccount end")) +
    QStringLiteral(" from fPayout where PayoutID = ?");

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

QSet<int> RecordsStillHere(const QSqlDatabase& connection, const QList<TBillRow>& rows) {
    QSet<int> here;
    if (!TableExists(connection, QStringLiteral("bLedgerInfo"))) return here;
    QSqlQuery query(connection);
    query.setForwardOnly(true);
    Prepare(query, QStringLiteral("select Value from bLedgerInfo where Name = ?"));
    query.addBindValue(Schema::LedgerIdName);
    Exec(query);
    const QString ledgerId = query.next() ? query.value(0).toString() : QString();
    QHash<qint64, int> named; // a PayoutID of this ledger → the row that names it
    for (int index = 0; index < rows.size(); ++index)
        if (const qint64 id = LedgerCsvLayout::PayoutIDOf(rows[index].OrderNo, ledgerId); id > 0)
            named.insert(id, index);
    if (named.isEmpty()) return here;
    // The record under that key must still be the one exported: a key may have been taken again
    // by a record entered after the exported one was deleted.
    Prepare(query, QStringLiteral("select PayoutID, ItemType, ") +
                       UnitsOf(QStringLiteral("case when ItemType = '收入' then IncomeAccount "
                                              "else PayoutAccount end")) +
                       QStringLiteral(", Payout from fPayout"));
    Exec(query);
    while (query.next()) {
        const auto found = named.constFind(query.value(0).toLongLong());
        if (found == named.cend()) continue;
        const TBillRow& row = rows[*found];
        const QString kind =
            row.Direction == TBillDirection::Income ? IncomeKind : ExpenditureKind;
        if (query.value(1).toString().compare(kind, Qt::CaseInsensitive) == 0 &&
            query.value(2).toLongLong() == row.Units && query.value(3).toString() == row.Item)
            here.insert(*found);
    }
    return here;
}

} // namespace ImportLedger
