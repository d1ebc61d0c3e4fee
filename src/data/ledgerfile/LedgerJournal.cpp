#include "data/ledgerfile/LedgerJournal.h"

#include <QSqlQuery>

namespace LedgerJournal {

QSqlError Apply(QSqlDatabase& connection) {
    QSqlQuery query(connection);
    if (!query.exec(QStringLiteral("pragma journal_mode = %1").arg(JournalMode)))
        return query.lastError();
    // The pragma answers with the mode in force. A log that another connection still has open
    // cannot be changed back now; the ledger stays usable in that mode, just as safely.
    query.finish();
    if (!query.exec(QStringLiteral("pragma synchronous = %1").arg(Synchronous)))
        return query.lastError();
    return {};
}

} // namespace LedgerJournal
