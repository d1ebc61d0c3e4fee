#include "legacy/LegacyLedger.h"

#include "data/Schema.h"
#include "legacy/LegacyConverter.h"
#include "platform/FileRename.h"

#include <QFileInfo>
#include <cstdio>

namespace {

void Print(FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", text.toUtf8().constData());
    std::fflush(stream);
}

QString SummaryText(const QString& from, const QString& to, const TConversionSummary& summary) {
    QStringList lines{QStringLiteral("已将 %1 转换为 %2：").arg(from, to)};
    for (const auto& table : summary.Rows)
        lines << QStringLiteral("%1：%2 行").arg(table.first).arg(table.second);
    lines << QStringLiteral("PayoutAccount 合计：%1")
                 .arg(TConversionSummary::AmountText(summary.PayoutSum))
          << QStringLiteral("IncomeAccount 合计：%1")
                 .arg(TConversionSummary::AmountText(summary.IncomeSum));
    return lines.join(u'\n');
}

} // namespace

namespace LegacyLedger {

int ImportAccess(const QString& file) {
    const QString target = Schema::LedgerFilePath();
    try {
        TConversionSummary summary;
        if (QFileInfo::exists(target) && FileRename::SameFile(file, target)) {
            summary = TLegacyConverter::ConvertInPlace(target);
            Print(stdout, SummaryText(file, target, summary));
            Print(stdout,
                  QStringLiteral("原文件保留为 %1").arg(TLegacyConverter::BackupPath(target)));
        } else {
            summary = TLegacyConverter::Convert(file, target);
            Print(stdout, SummaryText(file, target, summary));
        }
        return 0;
    } catch (const Exception& error) {
        Print(stderr, error.Message);
        return 1;
    }
}

} // namespace LegacyLedger
