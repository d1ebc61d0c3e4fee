#pragma once

#include "import/BillRow.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

// The ledger's side of an import that the plan reads and the write keeps up to date: earlier
// imports (fBillImport), the categories (bItemProject) and the categories remembered for
// counterparts (bBillCategoryRule). Also the few statements' helpers the plan and the write share.
namespace ImportLedger {

inline const QString IncomeKind = QStringLiteral("收入");
inline const QString ExpenditureKind = QStringLiteral("支出");
// fBillImport.ItemType of a refund row: it keeps the refund's own order number with the record
// it was taken off.
inline const QString RefundKind = QStringLiteral("退款");

// Runs or prepares a statement, throwing EDatabaseError with the database's message.
void Exec(QSqlQuery& query);
void Prepare(QSqlQuery& query, const QString& sql);

// The page cache of a pass over many rows that are not read again (the earlier imports, a
// write), in KiB as "pragma cache_size" takes a negative number: the ledger's own large cache
// would hold them all until the end.
constexpr int SmallCachePages = -8192;

// Sets the connection's page cache for a while and puts the earlier one back.
class TCacheSize {
public:
    TCacheSize(QSqlDatabase& connection, int size);
    ~TCacheSize();
    TCacheSize(const TCacheSize&) = delete;
    TCacheSize& operator=(const TCacheSize&) = delete;

private:
    QSqlDatabase FConnection;
    QString FEarlier;
};

// A bill's time as the records' notes and the rows' fingerprints write it.
QString TimeText(const QDateTime& time);

// A row of fBillImport: an earlier import's payment or refund.
struct TKnown {
    qint64 PayoutID = 0; // 0: no record (fully refunded, or removed by its refund)
    QString ItemType;
    qint64 ImportedUnits = 0;
    qint64 RefundedUnits = 0;
    bool IsRefund() const { return ItemType == RefundKind; }
};

// What earlier imports of one source left.
struct TEarlierImports {
    QHash<QString, TKnown> Known;            // payments and refunds by key
    QHash<QString, QString> KnownByMerchant; // a payment's merchant order number → its key
    QHash<qint64, qint64> RefundedByRows;    // a record → the refund rows taken off it
};

// Reads fBillImport for the source (nothing when the ledger has no such table yet): the payments
// and refunds of the wanted keys, the payments of the merchant order numbers in refundMerchants
// (the ones the bill's refunds name), and what every refund took off its record. A ledger of many
// imports is not held whole for a bill of a month.
TEarlierImports ReadEarlierImports(QSqlDatabase connection, const QString& source,
                                   const QSet<QString>& wanted,
                                   const QSet<QString>& refundMerchants);

// The ledger's categories of both kinds, looked up by name without case.
struct TCategories {
    QHash<QString, qint64> ByName; // Key(kind, name)
    QHash<qint64, QString> NameOf;
    QHash<qint64, QString> KindOf;

    static QString Key(const QString& kind, const QString& name) {
        return kind + u'\n' + name.toLower();
    }
    void Load(const QSqlDatabase& connection);
};

// The categories remembered for counterparts: TCategories::Key(kind, counterpart) → the
// category's key as text. A rule whose category is gone, or of the other kind now, is left out.
QHash<QString, QString> ReadRules(const QSqlDatabase& connection, const TCategories& categories);

// What a record holds now: its kind and the amount in its kind's column, in ten-thousandths
// (rounded as the currency columns are read).
struct TRecord {
    QString ItemType;
    qint64 Units = 0;
};

// For the program's own book (LedgerCsvLayout): the rows whose identity names a record of this
// very ledger (its id in bLedgerInfo) that is still there, by their index in rows.
QSet<int> RecordsStillHere(const QSqlDatabase& connection, const QList<TBillRow>& rows);

// An amount column's value in ten-thousandths of a yuan, rounded half away from zero, exactly
// alike on both engines.
QString UnitsOf(const QString& amount);

// A query to prepare once and give to ReadRecord.
extern const QString RecordSql;
// Reads the record into record; false when it is gone.
bool ReadRecord(QSqlQuery& query, qint64 payoutID, TRecord& record);

} // namespace ImportLedger
