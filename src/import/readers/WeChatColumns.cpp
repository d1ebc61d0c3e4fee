#include "import/readers/WeChatColumns.h"

#include "import/readers/BillCells.h"
#include "import/readers/StringPool.h"

namespace {

const QStringList& Names() {
    static const QStringList names{
        QStringLiteral("交易时间"), QStringLiteral("交易类型"), QStringLiteral("交易对方"),
        QStringLiteral("商品"),     QStringLiteral("收/支"),    QStringLiteral("金额(元)"),
        QStringLiteral("支付方式"), QStringLiteral("当前状态"), QStringLiteral("交易单号"),
        QStringLiteral("商户单号"), QStringLiteral("备注")};
    return names;
}

bool IsClosedStatus(const QString& status) {
    return status.contains(QStringLiteral("关闭")) || status.contains(QStringLiteral("失败")) ||
           status.contains(QStringLiteral("撤销"));
}

} // namespace

bool TWeChatColumns::Find(const QStringList& header) {
    FColumns = BillCells::ColumnsOf(header, Names());
    return !FColumns.isEmpty();
}

TBillRow TWeChatColumns::Row(const TBillCells& cells, TStringPool& pool) const {
    const QList<int>& c = FColumns;
    TBillRow row;
    row.Line = cells.Line();
    row.Time = cells.Time(c[Time], Names()[Time]);
    row.Category = pool(cells.Text(c[Kind]));
    row.Counterpart = pool(cells.Text(c[Counterpart]));
    row.Item = pool(cells.Text(c[Item]));
    const QString direction = cells.Text(c[Direction]);
    if (direction == u"支出") row.Direction = TBillDirection::Expenditure;
    else if (direction == u"收入") row.Direction = TBillDirection::Income;
    else if (direction.isEmpty()) row.Direction = TBillDirection::Neutral;
    else cells.Fail(QStringLiteral("收/支“%1”不是支出、收入或“/”。").arg(cells.Raw(c[Direction])));
    row.Units = cells.Units(c[Amount], Names()[Amount]);
    row.Method = pool(cells.Text(c[Method]));
    row.Status = pool(cells.Text(c[Status]));
    row.OrderNo = cells.Text(c[OrderNo]);
    row.MerchantOrderNo = cells.Text(c[MerchantNo]);
    row.Note = pool(cells.Text(c[Note]));
    row.Closed = IsClosedStatus(row.Status);
    row.IsRefund = row.Category.endsWith(QStringLiteral("-退款"));
    if (row.IsRefund) return row;
    const QString& status = row.Status;
    if (status == u"已全额退款" || status.endsWith(QStringLiteral("已退还"))) {
        row.RefundedUnits = row.Units;
    } else if (status.startsWith(QStringLiteral("已退款"))) {
        // 已退款(￥1.50), 已退款（￥1.50）, 已退款￥1.50
        QString amount = status.mid(3);
        for (const QChar bracket : {u'(', u')', u'（', u'）'}) amount.remove(bracket);
        if (amount.trimmed().isEmpty()) {
            row.RefundedUnits = row.Units; // refunded without an amount: all of it
        } else {
            qint64 units = 0;
            if (BillCells::ParseUnits(amount, units) != BillCells::TAmount::Ok)
                cells.Fail(QStringLiteral("当前状态“%1”里的退款金额不是数字。").arg(status));
            if (units > row.Units)
                cells.Fail(QStringLiteral("当前状态“%1”退回的钱比金额“%2”还多。")
                               .arg(status, cells.Raw(c[Amount])));
            row.RefundedUnits = units;
        }
    }
    return row;
}
