#include "import/ImportPlan.h"

QString SkipReasonText(TSkipReason reason) {
    switch (reason) {
    case TSkipReason::None: return QString();
    case TSkipReason::AlreadyImported: return QStringLiteral("已导入过");
    case TSkipReason::Neutral: return QStringLiteral("不计收支");
    case TSkipReason::Closed: return QStringLiteral("交易关闭");
    case TSkipReason::FullyRefunded: return QStringLiteral("已全额退款");
    case TSkipReason::RefundNetted: return QStringLiteral("退款已冲抵");
    case TSkipReason::ChangedByHand: return QStringLiteral("原记录已手工修改，请确认");
    case TSkipReason::Unmatched: return QStringLiteral("找不到对应的付款");
    }
    return QString();
}
