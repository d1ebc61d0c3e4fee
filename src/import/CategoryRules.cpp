#include "import/CategoryRules.h"

#include <QList>

namespace {

const char* const Income = "收入";
const char* const Expenditure = "支出";

// A bill category (Alipay's 交易分类, WeChat's 交易类型) onto a category of a kind. A name with
// a trailing "*" matches every category that begins with it (微信红包（单发）, 微信红包（群红包）).
// A vague category (Weak) gives way to a keyword of the counterpart or the item: 充值缴费 is a
// phone's top-up as well as the electricity bill.
struct TCategoryRule {
    const char* Kind;
    const char* BillCategory;
    const char* Category;
    bool Weak = false;
};

const TCategoryRule BillCategories[] = {
    {Expenditure, "餐饮美食", "餐饮"},       {Expenditure, "交通出行", "交通"},
    {Expenditure, "爱车养车", "交通"},       {Expenditure, "日用百货", "日用品"},
    {Expenditure, "家居家装", "日用品"},     {Expenditure, "服饰装扮", "服装"},
    {Expenditure, "美容美发", "服装"},       {Expenditure, "医疗健康", "医疗"},
    {Expenditure, "教育培训", "教育"},       {Expenditure, "文化休闲", "娱乐"},
    {Expenditure, "休闲娱乐", "娱乐"},       {Expenditure, "运动户外", "娱乐"},
    {Expenditure, "酒店旅游", "娱乐"},       {Expenditure, "住房物业", "住房"},
    {Expenditure, "充值缴费", "通讯", true}, {Expenditure, "生活服务", "日用品", true},
    {Expenditure, "转账红包", "人情往来"},   {Income, "转账红包", "礼金收入"},
    {Expenditure, "微信红包*", "人情往来"},  {Income, "微信红包*", "礼金收入"},
    {Expenditure, "转账*", "人情往来"},      {Income, "转账*", "礼金收入"},
    {Income, "投资理财", "投资收益"},
};

// A keyword of the counterpart, else of the item, onto an expenditure category: what a bill
// without a telling category of its own (WeChat's 商户消费) says of the shop, so that the same
// shop gets the same category from either bill.
struct TKeywordRule {
    const char* Keyword;
    const char* Category;
};

const TKeywordRule Keywords[] = {
    {"早餐", "餐饮"},     {"面馆", "餐饮"},         {"餐厅", "餐饮"},     {"饭店", "餐饮"},
    {"快餐", "餐饮"},     {"咖啡", "餐饮"},         {"奶茶", "餐饮"},     {"外卖", "餐饮"},
    {"美团", "餐饮"},     {"饿了么", "餐饮"},       {"瑞幸", "餐饮"},     {"星巴克", "餐饮"},
    {"肯德基", "餐饮"},   {"麦当劳", "餐饮"},       {"水果", "餐饮"},     {"超市", "日用品"},
    {"便利店", "日用品"}, {"滴滴", "交通"},         {"地铁", "交通"},     {"12306", "交通"},
    {"公交", "交通"},     {"加油站", "交通"},       {"出租车", "交通"},   {"打车", "交通"},
    {"单车", "交通"},     {"出行", "交通"},         {"停车", "交通"},     {"医院", "医疗"},
    {"诊所", "医疗"},     {"药房", "医疗"},         {"药店", "医疗"},     {"电影", "娱乐"},
    {"影院", "娱乐"},     {"书店", "教育"},         {"话费", "通讯"},     {"中国移动", "通讯"},
    {"中国联通", "通讯"}, {"中国电信", "通讯"},     {"电费", "水电煤气"}, {"水费", "水电煤气"},
    {"燃气", "水电煤气"}, {"国家电网", "水电煤气"}, {"水务", "水电煤气"},
};

// The tables as text, made once.
struct TRule {
    QString Kind;
    QString Pattern; // the bill's category, or a keyword
    bool Prefix = false;
    QString Category;
    bool Weak = false;
};

const QList<TRule>& BillCategoryRules() {
    static const QList<TRule> rules = [] {
        QList<TRule> made;
        for (const auto& rule : BillCategories) {
            QString pattern = QString::fromUtf8(rule.BillCategory);
            const bool prefix = pattern.endsWith(u'*');
            if (prefix) pattern.chop(1);
            made.append({QString::fromUtf8(rule.Kind), pattern, prefix,
                         QString::fromUtf8(rule.Category), rule.Weak});
        }
        return made;
    }();
    return rules;
}

const QList<TRule>& KeywordRules() {
    static const QList<TRule> rules = [] {
        QList<TRule> made;
        for (const auto& rule : Keywords)
            made.append({QString::fromUtf8(Expenditure), QString::fromUtf8(rule.Keyword), false,
                         QString::fromUtf8(rule.Category)});
        return made;
    }();
    return rules;
}

} // namespace

namespace CategoryRules {

QString DefaultName(const TBillRow& row, const QString& kind) {
    const QString billCategory = row.Category.trimmed();
    const auto byBill = [&](bool weak) -> QString {
        if (billCategory.isEmpty()) return QString();
        for (const TRule& rule : BillCategoryRules())
            if (rule.Weak == weak && rule.Kind == kind &&
                (rule.Prefix ? billCategory.startsWith(rule.Pattern)
                             : billCategory == rule.Pattern))
                return rule.Category;
        return QString();
    };
    const auto byKeyword = [&](const QString& text) -> QString {
        for (const TRule& rule : KeywordRules())
            if (rule.Kind == kind && text.contains(rule.Pattern, Qt::CaseInsensitive))
                return rule.Category;
        return QString();
    };
    QString found = byBill(false);
    if (found.isEmpty()) found = byKeyword(row.Counterpart);
    if (found.isEmpty()) found = byKeyword(row.Item);
    if (found.isEmpty()) found = byBill(true);
    return found;
}

QString OtherName(const QString& kind) {
    return kind == QStringLiteral("收入") ? QStringLiteral("其他收入") : QStringLiteral("其他支出");
}

} // namespace CategoryRules
