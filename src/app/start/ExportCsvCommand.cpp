#include "app/start/ExportCsvCommand.h"

#include "app/start/MemberLedger.h"
#include "output/LedgerCsv.h"
#include "platform/SystemError.h"

namespace ExportCsvCommand {

int Run(const QString& file, const QString& account) {
    return MemberLedger::Run(
        account, QStringLiteral("没有导出。"), [&](QSqlDatabase& connection, const QString& member) {
            const int count = LedgerCsv::Export(connection, member, file);
            return QStringLiteral("已导出 %1 的 %2 条帐目到 %3")
                .arg(member)
                .arg(count)
                .arg(ShownPath(file));
        });
}

} // namespace ExportCsvCommand
