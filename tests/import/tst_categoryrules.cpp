#include "import/CategoryRules.h"

#include <QTest>

// The default table: a bill's own category first, then a keyword of the counterpart, then one of
// the item, then a vague bill category; the same shop gets the same category from either bill.
class TestCategoryRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void defaultName_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("billCategory");
        QTest::addColumn<QString>("counterpart");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("category");
        const QString out = QStringLiteral("支出");
        const QString in = QStringLiteral("收入");
        QTest::newRow("Alipay's 餐饮美食") << out << "餐饮美食"
                                           << "张记早餐"
                                           << "豆浆油条"
                                           << "餐饮";
        QTest::newRow("WeChat's 商户消费, the same shop") << out << "商户消费"
                                                          << "张记早餐"
                                                          << "早餐"
                                                          << "餐饮";
        QTest::newRow("面馆") << out << "扫二维码付款"
                              << "李四面馆"
                              << "收款方备注"
                              << "餐饮";
        QTest::newRow("外卖 in the item") << out << "商户消费"
                                          << "某平台商户"
                                          << "订单-外卖"
                                          << "餐饮";
        QTest::newRow("咖啡") << out << "商户消费"
                              << "街角咖啡"
                              << "拿铁"
                              << "餐饮";
        QTest::newRow("超市") << out << "商户消费"
                              << "某某超市"
                              << "牛奶"
                              << "日用品";
        QTest::newRow("便利店") << out << "商户消费"
                                << "孙八便利店"
                                << "抽纸"
                                << "日用品";
        QTest::newRow("加油站") << out << "商户消费"
                                << "某某加油站"
                                << "加油"
                                << "交通";
        QTest::newRow("出租车") << out << "商户消费"
                                << "城市出租车"
                                << "打车"
                                << "交通";
        QTest::newRow("出行") << out << "商户消费"
                              << "哈啰出行"
                              << "单车骑行"
                              << "交通";
        QTest::newRow("药店") << out << "商户消费"
                              << "钱七药店"
                              << "口罩"
                              << "医疗";
        QTest::newRow("诊所") << out << "商户消费"
                              << "社区诊所"
                              << "挂号"
                              << "医疗";
        QTest::newRow("影院") << out << "商户消费"
                              << "周九影院"
                              << "电影票"
                              << "娱乐";
        QTest::newRow("话费 under 充值缴费") << out << "充值缴费"
                                             << "某运营商"
                                             << "话费充值"
                                             << "通讯";
        QTest::newRow("电费 under 充值缴费") << out << "充值缴费"
                                             << "国网电力"
                                             << "电费"
                                             << "水电煤气";
        QTest::newRow("充值缴费 alone") << out << "充值缴费"
                                        << "某公司"
                                        << "充值"
                                        << "通讯";
        QTest::newRow("燃气") << out << "商户消费"
                              << "城市燃气"
                              << "缴费"
                              << "水电煤气";
        QTest::newRow("the bill's category before a keyword") << out << "餐饮美食"
                                                              << "滴滴出行"
                                                              << "x"
                                                              << "餐饮";
        QTest::newRow("the counterpart before the item") << out << "商户消费"
                                                         << "某某超市"
                                                         << "咖啡豆"
                                                         << "日用品";
        QTest::newRow("转账红包 received") << in << "转账红包"
                                           << "张三"
                                           << "转账"
                                           << "礼金收入";
        QTest::newRow("keywords are for expenditure") << in << "其他"
                                                      << "张记早餐"
                                                      << "早餐"
                                                      << "";
        QTest::newRow("nothing maps") << out << "商户消费"
                                      << "京东商城平台商户"
                                      << "订单"
                                      << "";
    }
    void defaultName() {
        QFETCH(QString, kind);
        QFETCH(QString, billCategory);
        QFETCH(QString, counterpart);
        QFETCH(QString, item);
        QFETCH(QString, category);
        TBillRow row;
        row.Category = billCategory;
        row.Counterpart = counterpart;
        row.Item = item;
        QCOMPARE(CategoryRules::DefaultName(row, kind), category);
    }
};

QTEST_GUILESS_MAIN(TestCategoryRules)
#include "tst_categoryrules.moc"
