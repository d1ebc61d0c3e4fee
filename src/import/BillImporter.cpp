#include "import/BillImporter.h"

#include "import/ImportLedger.h"
#include "import/ImportPlanner.h"
#include "import/ImportWriter.h"

#include <QCollator>
#include <QLocale>
#include <QSqlQuery>
#include <algorithm>
#include <utility>

using namespace ImportLedger;

TBillImporter::TBillImporter(QSqlDatabase connection, QString personName)
    : FConnection(std::move(connection)), FPersonName(std::move(personName)) {}

TImportPlan TBillImporter::Plan(const TBill& bill, const QString& path) const {
    return Plan(TBill(bill), path);
}

TImportPlan TBillImporter::Plan(TBill&& bill, const QString& path) const {
    return ImportPlanner::Plan(FConnection, FPersonName, std::move(bill), path);
}

QList<QPair<qint64, QString>> TBillImporter::Categories(const QString& kind) const {
    QSqlQuery query(FConnection);
    query.setForwardOnly(true);
    Prepare(query, QStringLiteral("select ItemProjectID, ItemProject from bItemProject "
                                  "where ItemType = ? order by ItemProjectID"));
    query.addBindValue(kind);
    Exec(query);
    QList<QPair<qint64, QString>> result;
    while (query.next())
        result.append({query.value(0).toLongLong(), query.value(1).toString()});
    // As a Chinese reader looks names up (by pinyin: 餐饮, 交通, 人情往来, 住房), not by code point.
    QCollator collator{QLocale(QLocale::Chinese, QLocale::China)};
    std::stable_sort(result.begin(), result.end(), [&](const auto& left, const auto& right) {
        return collator.compare(left.second, right.second) < 0;
    });
    return result;
}

TImportCounts TBillImporter::Write(const TImportPlan& plan) const {
    return ImportWriter::Write(FConnection, FPersonName, plan);
}

TImportCounts TBillImporter::Count(const TImportPlan& plan) {
    return ImportWriter::Count(plan);
}

QString TBillImporter::CountsText(const TImportCounts& counts) {
    QString text = QStringLiteral("已导入 %1 条，已在账本中 %2 条，跳过 %3 条（不计收支、交易关闭、"
                                  "全额退款等），冲抵退款 %4 笔")
                       .arg(counts.Imported)
                       .arg(counts.AlreadyImported)
                       .arg(counts.Skipped)
                       .arg(counts.RefundsNetted);
    if (counts.ToDecide > 0)
        text += QStringLiteral("；另有 %1 笔退款的原记录已被手工修改，没有冲抵，"
                               "请在程序的“导入账单”窗口中确认")
                    .arg(counts.ToDecide);
    return text;
}
