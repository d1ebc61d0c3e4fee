#include "app/start/MemberLedger.h"

#include "data/DataModule.h"
#include "data/Schema.h"
#include "data/ledgerfile/LedgerLock.h"
#include "platform/Exception.h"

#include <QSqlError>
#include <QSqlQuery>

namespace MemberLedger {

void Print(FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", text.toUtf8().constData());
    std::fflush(stream);
}

QString MemberOf(QSqlDatabase& connection, const QString& account, const QString& nothingDone) {
    QSqlQuery query(connection);
    query.prepare(QStringLiteral(
        "select PersonName from bPerson where LoginAccount = ? order by PersonID"));
    query.addBindValue(account);
    if (!query.exec()) throw EDatabaseError(query.lastError().databaseText());
    if (!query.next())
        throw EDatabaseError(
            QStringLiteral("账本中没有登录帐号为“%1”的成员，").arg(account) + nothingDone);
    return query.value(0).toString();
}

int Run(const QString& account, const QString& nothingDone,
        const std::function<QString(QSqlDatabase&, const QString&)>& work) {
    try {
        TLedgerLock lock(Schema::LedgerFilePath());
        if (!lock.TryLock() && lock.Refuses()) {
            Print(stderr, lock.RefusalText() + nothingDone);
            return 1;
        }
        TdmMain data;
        data.Open();
        const QString member = MemberOf(data.cnHearthbook, account, nothingDone);
        Print(stdout, work(data.cnHearthbook, member));
        return 0;
    } catch (const Exception& error) {
        Print(stderr, error.Message);
        return 1;
    }
}

} // namespace MemberLedger
