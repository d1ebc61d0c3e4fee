#include "app/start/ExportCsvCommand.h"

#include "data/DataModule.h"
#include "data/Schema.h"
#include "data/ledgerfile/LedgerLock.h"
#include "output/LedgerCsv.h"
#include "platform/Exception.h"
#include "platform/SystemError.h"

#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>

namespace {

void Print(FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", text.toUtf8().constData());
    std::fflush(stream);
}

// The member whose login account is account (without regard to case).
QString MemberOf(QSqlDatabase& connection, const QString& account) {
    QSqlQuery query(connection);
    query.prepare(QStringLiteral(
        "select PersonName from bPerson where LoginAccount = ? collate nocase order by PersonID"));
    query.addBindValue(account);
    if (!query.exec()) throw EDatabaseError(query.lastError().databaseText());
    if (!query.next())
        throw EDatabaseError(
            QStringLiteral("账本中没有登录帐号为“%1”的成员，没有导出。").arg(account));
    return query.value(0).toString();
}

} // namespace

namespace ExportCsvCommand {

int Run(const QString& file, const QString& account) {
    try {
        TLedgerLock lock(Schema::DatabasePath);
        if (!lock.TryLock() && lock.Refuses()) {
            Print(stderr, lock.RefusalText() + QStringLiteral("没有导出。"));
            return 1;
        }
        TdmMain data;
        data.Open();
        const QString member = MemberOf(data.cnHearthbook, account);
        const int count = LedgerCsv::Export(data.cnHearthbook, member, file);
        Print(stdout, QStringLiteral("已导出 %1 的 %2 条帐目到 %3")
                          .arg(member)
                          .arg(count)
                          .arg(ShownPath(file)));
        return 0;
    } catch (const Exception& error) {
        Print(stderr, error.Message);
        return 1;
    }
}

} // namespace ExportCsvCommand
