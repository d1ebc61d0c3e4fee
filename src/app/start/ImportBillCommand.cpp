#include "app/start/ImportBillCommand.h"

#include "app/start/MemberLedger.h"
#include "import/BillFormats.h"
#include "import/BillImporter.h"

namespace ImportBillCommand {

int Run(const QString& file, const QString& account) {
    return MemberLedger::Run(account, QStringLiteral("没有导入账单。"),
                             [&](QSqlDatabase& connection, const QString& member) {
                                 const TBillImporter importer(connection, member);
                                 // the plan takes the bill's rows over: a large bill is held once
                                 return TBillImporter::CountsText(importer.Write(
                                     importer.Plan(BillFormats::Read(file), file)));
                             });
}

} // namespace ImportBillCommand
