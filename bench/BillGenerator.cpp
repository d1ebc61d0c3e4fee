#include "BillGenerator.h"

#include <QDateTime>
#include <QFile>
#include <QStringEncoder>
#include <QStringList>
#include <stdexcept>

void WriteAlipayBill(const QString& path, int rows) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write the bill");
    QStringEncoder gbk("GB18030");
    auto write = [&](const QString& line) { file.write(gbk(line + QStringLiteral("\r\n"))); };
    const QStringList preamble{
        QStringLiteral("------------------------------------------------------------------------------------"),
        QStringLiteral("导出信息："),
        QStringLiteral("姓名：张三"),
        QStringLiteral("支付宝账户：zhangsan@example.com"),
        QStringLiteral("起始时间：[2026-01-01 00:00:00]    终止时间：[2026-12-31 23:59:59]"),
        QStringLiteral("导出交易类型：[全部]"),
        QStringLiteral("导出时间：[2027-01-01 09:00:00]"),
        QStringLiteral("共%1笔记录").arg(rows),
        QStringLiteral("特别提示："),
        QStringLiteral("1.本明细仅供个人对账使用。"),
        QStringLiteral("------------------------支付宝（中国）网络技术有限公司  电子客户回单------------------------"),
        QStringLiteral("交易时间,交易分类,交易对方,对方账号,商品说明,收/支,金额,收/付款方式,交易状态,交易订单号,商家订单号,备注,"),
    };
    for (const QString& line : preamble) write(line);

    const QStringList categories{QStringLiteral("餐饮美食"), QStringLiteral("日用百货"),
                                 QStringLiteral("交通出行"), QStringLiteral("服饰装扮"),
                                 QStringLiteral("充值缴费"), QStringLiteral("医疗健康"),
                                 QStringLiteral("文化休闲"), QStringLiteral("家居家装")};
    const QStringList methods{QStringLiteral("花呗"), QStringLiteral("余额宝"),
                              QStringLiteral("招商银行储蓄卡(1234)"),
                              QStringLiteral("招商银行信用卡(5678)")};
    quint32 seed = 20261101;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    QDateTime time(QDate(2026, 1, 1), QTime(7, 0));
    QString previousOrder;
    QString previousItem;
    QString previousAmount;
    for (int row = 0; row < rows; ++row) {
        time = time.addSecs(60 + next() % 600);
        const quint32 kind = next() % 100;
        const QString order = QStringLiteral("2026%1220014%2").arg(row % 9000 + 1000).arg(row, 14, 10, QLatin1Char('0'));
        const QString shop = QStringLiteral("模拟商户%1号店").arg(next() % 60 + 1);
        QString category = categories[next() % categories.size()];
        QString item = QStringLiteral("%1-商品%2").arg(category).arg(next() % 500);
        QString direction = QStringLiteral("支出");
        QString amount = QStringLiteral("%1.%2").arg(next() % 500 + 1).arg(next() % 100, 2, 10, QLatin1Char('0'));
        QString status = QStringLiteral("交易成功");
        QString orderNo = order;
        if (kind < 8) {
            category = QStringLiteral("转账红包");
            item = QStringLiteral("转账收款");
            direction = QStringLiteral("收入");
        } else if (kind < 13) {
            category = QStringLiteral("投资理财");
            item = QStringLiteral("余额宝-自动转入");
            direction = QStringLiteral("不计收支");
        } else if (kind < 15) {
            status = QStringLiteral("交易关闭");
        } else if (kind < 18 && !previousOrder.isEmpty()) {
            category = QStringLiteral("退款");
            item = QStringLiteral("退款-") + previousItem;
            direction = QStringLiteral("不计收支");
            amount = previousAmount;
            status = QStringLiteral("退款成功");
            orderNo = previousOrder + QStringLiteral("_1");
        }
        const QString merchant = direction == u"支出" ? QStringLiteral("T200P%1").arg(row) : QString();
        write(QStringLiteral("%1,%2,%3,/,%4,%5,%6,%7,%8    ,%9\t,%10\t,,")
                  .arg(time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), category, shop, item,
                       direction, amount, methods[next() % methods.size()], status, orderNo)
                  .arg(merchant));
        if (direction == u"支出" && status == u"交易成功") {
            previousOrder = order;
            previousItem = item;
            previousAmount = amount;
        } else {
            previousOrder.clear();
        }
    }
    if (!file.flush()) throw std::runtime_error("cannot write the bill");
}
