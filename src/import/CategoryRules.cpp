#include "import/CategoryRules.h"

namespace {

const char* const Income = "收入";
const char* const Expenditure = "支出";

// A bill category (Alipay's 交易分类, WeChat's 交易类型) onto a category of a kind. A name with
// a trailing "*" matches every category that begins with it (微信红包（单发）, 微信红包（群红包）).
struct TCategoryRule {
    const char* Kind;
    const char* BillCategory;
    const char* Category;
};

const TCategoryRule BillCategories[] = {
    {Expenditure, "餐饮美食", "餐饮"},   {Expenditure, "交通出行", "交通"},
    {Expenditure, "爱车养车", "交通"},   {Expenditure, "日用百货", "日用品"},
    {Expenditure, "家居家装", "日用品"}, {Expenditure, "服饰装扮", "服装"},
    {Expenditure, "美容美发", "服装"},   {Expenditure, "医疗健康", "医疗"},
    {Expenditure, "教育培训", "教育"},   {Expenditure, "文化休闲", "娱乐"},
    {Expenditure, "休闲娱乐", "娱乐"},   {Expenditure, "运动户外", "娱乐"},
    {Expenditure, "酒店旅游", "娱乐"},   {Expenditure, "住房物业", "住房"},
    {Expenditure, "充值缴费", "通讯"},   {Expenditure, "生活服务", "日用品"},
    {Expenditure, "转账红包", "人情往来"}, {Income, "转账红包", "礼金收入"},
    {Expenditure, "微信红包*", "人情往来"}, {Income, "微信红包*", "礼金收入"},
    {Expenditure, "转账*", "人情往来"},   {Income, "转账*", "礼金收入"},
    {Income, "投资理财", "投资收益"},
};

// A keyword of the counterpart onto an expenditure category.
struct TCounterpartRule {
    const char* Keyword;
    const char* Category;
};

const TCounterpartRule Counterparts[] = {
    {"滴滴", "交通"},     {"地铁", "交通"},     {"12306", "交通"},    {"公交", "交通"},
    {"美团", "餐饮"},     {"饿了么", "餐饮"},   {"瑞幸", "餐饮"},     {"星巴克", "餐饮"},
    {"肯德基", "餐饮"},   {"麦当劳", "餐饮"},   {"中国移动", "通讯"}, {"中国联通", "通讯"},
    {"中国电信", "通讯"}, {"国家电网", "水电煤气"}, {"燃气", "水电煤气"}, {"水务", "水电煤气"},
    {"医院", "医疗"},     {"药房", "医疗"},     {"药店", "医疗"},
};

bool Matches(const QString& billCategory, const char* pattern) {
    const QString name = QString::fromUtf8(pattern);
    if (name.endsWith(u'*')) return billCategory.startsWith(name.chopped(1));
    return billCategory == name;
}

} // namespace

namespace CategoryRules {

QString DefaultName(const TBillRow& row, const QString& kind) {
    const QString billCategory = row.Category.trimmed();
    if (!billCategory.isEmpty())
        for (const auto& rule : BillCategories)
            if (kind == QString::fromUtf8(rule.Kind) && Matches(billCategory, rule.BillCategory))
                return QString::fromUtf8(rule.Category);
    if (kind == QString::fromUtf8(Expenditure))
        for (const auto& rule : Counterparts)
            if (row.Counterpart.contains(QString::fromUtf8(rule.Keyword), Qt::CaseInsensitive))
                return QString::fromUtf8(rule.Category);
    return QString();
}

QString OtherName(const QString& kind) {
    return kind == QString::fromUtf8(Income) ? QStringLiteral("其他收入")
                                             : QStringLiteral("其他支出");
}

} // namespace CategoryRules
