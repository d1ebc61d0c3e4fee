#pragma once

#include "import/BillRow.h"

#include <QList>
#include <QStringList>

class TBillCells;
class TStringPool;

// The 11 columns of WeChat Pay's bill, the same in its CSV and its spreadsheet: 交易时间, 交易类型,
// 交易对方, 商品, 收/支, 金额(元), 支付方式, 当前状态, 交易单号, 商户单号, 备注; "/" for nothing.
//
// 收/支 "/" (零钱充值, 零钱提现, 信用卡还款, 零钱通) is neutral. A payment's 当前状态 tells its
// refunds: 已全额退款 and 对方已退还 (a transfer the payee sent back) are the whole amount,
// 已退款(￥x) is x. A refund is also a 收入 row of its own whose 交易类型 ends in "-退款"; the bill
// does not say which payment it refunds, so RefundOf stays empty and its 商户单号 (the merchant's
// order, shared with the payment) is what ties them.
class TWeChatColumns {
public:
    // Takes the header row; false when the cells are not it.
    bool Find(const QStringList& header);
    // The columns' indexes in the order above.
    const QList<int>& Columns() const { return FColumns; }
    enum { Time, Kind, Counterpart, Item, Direction, Amount, Method, Status, OrderNo, MerchantNo,
           Note };
    // The bill row the cells hold.
    TBillRow Row(const TBillCells& cells, TStringPool& pool) const;

private:
    QList<int> FColumns;
};
