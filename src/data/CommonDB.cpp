#include "data/CommonDB.h"

#include "data/DataModule.h"
#include "data/query/Query.h"
#include "platform/Exception.h"

TCommonDB* CommonDB = nullptr;

namespace {

std::function<QDateTime()>& Clock() {
    static std::function<QDateTime()> clock;
    return clock;
}

} // namespace

void TCommonDB::OpenSQL(const QString& sql, TQuery& query) {
    query.Close();
    query.SQL.clear();
    query.SQL.append(sql);
    query.Open();
}

QDateTime TCommonDB::GetSysDateTime() {
    return Clock() ? Clock()() : QDateTime::currentDateTime();
}

void TCommonDB::SetClock(std::function<QDateTime()> clock) {
    Clock() = std::move(clock);
}

qint64 TCommonDB::GetMaxID(const QString& table, const QString& keyColumn) {
    if (table.isEmpty() || keyColumn.isEmpty()) return 0;
    if (!dmMain) throw EDatabaseError(QStringLiteral("数据模块尚未创建"));
    TQuery& query = *dmMain->qryCommon;
    OpenSQL(QStringLiteral("select max(") + keyColumn + QStringLiteral(") from ") + table, query);
    TField max = query.Fields(0);
    return max.IsNull() ? 0 : max.AsInteger();
}
