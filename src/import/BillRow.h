#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// One row of a payment bill as its reader understood it: plain values, no database, no bytes.
// Readers fill what their format has and leave the rest empty.

// Which way the money went, as the bill says it (收/支).
enum class TBillDirection {
    Expenditure, // 支出
    Income,      // 收入
    Neutral,     // 不计收支, "/": moved between the user's own accounts, or not money at all
};

struct TBillRow {
    int Line = 0;           // the row's line of the file (or row of the sheet), from 1, for messages
    QDateTime Time;         // when it was paid, local (China) time
    TBillDirection Direction = TBillDirection::Expenditure;
    qint64 Units = 0;       // the amount in ten-thousandths of a yuan, never negative
    QString Category;       // the bill's own category: Alipay's 交易分类, WeChat's 交易类型
    QString Counterpart;    // 交易对方
    QString Item;           // 商品说明 / 商品名称 / 商品; empty where the bill has none ("/")
    QString Method;         // 收/付款方式 / 支付方式
    QString Status;         // 交易状态 / 当前状态, as written
    QString OrderNo;        // 交易订单号 / 交易号 / 交易单号, without padding and tabs
    QString MerchantOrderNo;// 商家订单号 / 商户单号, without padding and tabs
    QString Note;           // 备注
    // What the row itself says about refunds and cancellations:
    bool Closed = false;        // a payment that never happened (交易关闭, 已关闭 …)
    bool IsRefund = false;      // the row is a refund of an earlier payment
    QString RefundOf;           // for a refund: the order number of the payment it refunds, when the
                                // bill tells it (Alipay: the number before "_"); else empty
    qint64 RefundedUnits = 0;   // for a payment: how much of it the bill says was refunded so far
                                // (WeChat 已全额退款 / 已退款(￥x), Alipay's 成功退款（元）)
};

// A whole bill: where it comes from and its rows in the file's order.
struct TBill {
    QString Source;  // the payment service, the key of "never twice": "alipay", "wechat"
    QString Format;  // what the file was, for the user: "支付宝账单（CSV）" …
    QList<TBillRow> Rows;
};
