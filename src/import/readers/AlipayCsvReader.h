#pragma once

#include "import/BillReader.h"

// Alipay's bill (支付宝交易明细), GBK text: the CSV of the app with its 12 columns, and the older
// 16-column layout (交易号 … 资金状态) of alipay_record_*.csv and of the website's .txt. The table
// is found by its header row under a preamble of any length and ends at a dashed or summary line.
//
// Refunds are rows of their own (交易分类 退款, 交易状态 退款成功 or 商品说明 "退款-…"), their order
// number the payment's with "_<suffix>": RefundOf is the part before "_". In the older layout a
// payment tells its refunds in 成功退款（元） (RefundedUnits), so a row there is a refund row only
// when it has none; and its 收/支 is empty for money that went neither way, so the direction
// follows 资金状态 (已支出, 已收入; anything else is neutral). Its time is the 付款时间, or the
// 交易创建时间 of a payment never paid.
class TAlipayCsvReader : public TBillReader {
public:
    bool Recognises(const QString& path) const override;
    TBill Read(const QString& path, const TBillProgress& progress = {}) const override;
};
