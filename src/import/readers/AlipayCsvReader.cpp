#include "import/readers/AlipayCsvReader.h"

#include "import/readers/BillCells.h"
#include "import/readers/CsvRecordReader.h"
#include "import/readers/StringPool.h"

#include <QFileInfo>

namespace {

// The app's layout.
enum { nTime, nCategory, nCounterpart, nItem, nDirection, nAmount, nMethod, nStatus, nOrderNo,
       nMerchantNo, nNote };
const QStringList& NewNames() {
    static const QStringList names{
        QStringLiteral("交易时间"),   QStringLiteral("交易分类"),   QStringLiteral("交易对方"),
        QStringLiteral("商品说明"),   QStringLiteral("收/支"),      QStringLiteral("金额"),
        QStringLiteral("收/付款方式"), QStringLiteral("交易状态"),   QStringLiteral("交易订单号"),
        QStringLiteral("商家订单号"), QStringLiteral("备注")};
    return names;
}

// The older layout.
enum { oOrderNo, oMerchantNo, oCreated, oPaid, oKind, oCounterpart, oItem, oAmount, oDirection,
       oStatus, oRefunded, oNote, oFunds };
const QStringList& OldNames() {
    static const QStringList names{
        QStringLiteral("交易号"),     QStringLiteral("商家订单号"), QStringLiteral("交易创建时间"),
        QStringLiteral("付款时间"),   QStringLiteral("类型"),       QStringLiteral("交易对方"),
        QStringLiteral("商品名称"),   QStringLiteral("金额（元）"), QStringLiteral("收/支"),
        QStringLiteral("交易状态"),   QStringLiteral("成功退款（元）"), QStringLiteral("备注"),
        QStringLiteral("资金状态")};
    return names;
}

struct TLayout {
    bool Old = false;
    QList<int> Columns;
    bool Find(const QStringList& header) {
        Columns = BillCells::ColumnsOf(header, NewNames());
        Old = Columns.isEmpty();
        if (Old) Columns = BillCells::ColumnsOf(header, OldNames());
        return !Columns.isEmpty();
    }
};

// Payments that never happened: 交易关闭, 支付失败, 已撤销 …
bool IsClosedStatus(const QString& status) {
    return status.contains(QStringLiteral("关闭")) || status.contains(QStringLiteral("失败")) ||
           status.contains(QStringLiteral("撤销"));
}

QString RefundedOrder(const QString& orderNo) {
    const qsizetype cut = orderNo.indexOf(u'_');
    return cut > 0 ? orderNo.left(cut) : QString();
}

TBillDirection DirectionOf(const TBillCells& cells, int column, const QString& funds) {
    const QString text = cells.Text(column);
    if (text == u"支出") return TBillDirection::Expenditure;
    if (text == u"收入") return TBillDirection::Income;
    if (text == u"不计收支") return TBillDirection::Neutral;
    if (!text.isEmpty())
        cells.Fail(QStringLiteral("收/支“%1”不是支出、收入或不计收支。").arg(text));
    if (funds == u"已支出") return TBillDirection::Expenditure;
    if (funds == u"已收入") return TBillDirection::Income;
    return TBillDirection::Neutral;
}

TBillRow NewRow(const TBillCells& cells, const QList<int>& c, TStringPool& pool) {
    TBillRow row;
    row.Line = cells.Line();
    row.Time = cells.Time(c[nTime], NewNames()[nTime]);
    row.Category = pool(cells.Text(c[nCategory]));
    row.Counterpart = pool(cells.Text(c[nCounterpart]));
    row.Item = pool(cells.Text(c[nItem]));
    row.Direction = DirectionOf(cells, c[nDirection], QString());
    row.Units = cells.Units(c[nAmount], NewNames()[nAmount]);
    row.Method = pool(cells.Text(c[nMethod]));
    row.Status = pool(cells.Text(c[nStatus]));
    row.OrderNo = cells.Text(c[nOrderNo]);
    row.MerchantOrderNo = cells.Text(c[nMerchantNo]);
    row.Note = pool(cells.Text(c[nNote]));
    row.Closed = IsClosedStatus(row.Status);
    row.IsRefund = row.Category == u"退款" || row.Status == u"退款成功" ||
                   row.Item.startsWith(QStringLiteral("退款-"));
    if (row.IsRefund) row.RefundOf = RefundedOrder(row.OrderNo);
    return row;
}

TBillRow OldRow(const TBillCells& cells, const QList<int>& c, TStringPool& pool) {
    TBillRow row;
    row.Line = cells.Line();
    const bool paid = !cells.Raw(c[oPaid]).isEmpty();
    row.Time = paid ? cells.Time(c[oPaid], OldNames()[oPaid])
                    : cells.Time(c[oCreated], OldNames()[oCreated]);
    row.Category = pool(cells.Text(c[oKind]));
    row.Counterpart = pool(cells.Text(c[oCounterpart]));
    row.Item = pool(cells.Text(c[oItem]));
    row.Direction = DirectionOf(cells, c[oDirection], cells.Text(c[oFunds]));
    row.Units = cells.Units(c[oAmount], OldNames()[oAmount]);
    row.Status = pool(cells.Text(c[oStatus]));
    row.OrderNo = cells.Text(c[oOrderNo]);
    row.MerchantOrderNo = cells.Text(c[oMerchantNo]);
    row.Note = pool(cells.Text(c[oNote]));
    row.Closed = IsClosedStatus(row.Status);
    row.RefundedUnits = cells.Units(c[oRefunded], OldNames()[oRefunded], true);
    if (row.RefundedUnits > row.Units)
        cells.Fail(QStringLiteral("成功退款（元）“%1”比金额（元）“%2”还多。")
                       .arg(cells.Raw(c[oRefunded]), cells.Raw(c[oAmount])));
    row.IsRefund = row.RefundedUnits == 0 &&
                   (row.Status == u"退款成功" || row.Item.startsWith(QStringLiteral("退款-")));
    if (row.IsRefund) row.RefundOf = RefundedOrder(row.OrderNo);
    return row;
}

} // namespace

bool TAlipayCsvReader::Recognises(const QString& path) const {
    try {
        TCsvRecordReader reader(path);
        QStringList header;
        TLayout layout;
        return reader.FindHeader([&](const QStringList& cells) { return layout.Find(cells); },
                                 header);
    } catch (const EBillError&) {
        return false;
    }
}

TBill TAlipayCsvReader::Read(const QString& path, const TBillProgress& progress) const {
    TCsvRecordReader reader(path, progress);
    QStringList header;
    TLayout layout;
    if (!reader.FindHeader([&](const QStringList& cells) { return layout.Find(cells); }, header))
        throw EBillError(QStringLiteral("账单 %1 里找不到支付宝账单的表头（交易时间,交易分类,…）。")
                             .arg(reader.FileName()));
    TBill bill;
    bill.Source = QStringLiteral("alipay");
    const bool text = QFileInfo(path).suffix().compare(u"txt", Qt::CaseInsensitive) == 0;
    bill.Format = !layout.Old ? QStringLiteral("支付宝账单（CSV）")
                  : text      ? QStringLiteral("支付宝账单（旧版 TXT）")
                              : QStringLiteral("支付宝账单（旧版 CSV）");
    TStringPool pool;
    reader.ReadTable(header, [&](const QStringList& cells) {
        const TBillCells row(reader.FileName(), reader.Line(), cells);
        bill.Rows.append(layout.Old ? OldRow(row, layout.Columns, pool)
                                    : NewRow(row, layout.Columns, pool));
    });
    return bill;
}
