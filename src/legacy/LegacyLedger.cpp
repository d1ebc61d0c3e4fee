#include "legacy/LegacyLedger.h"

#include "data/Common.h"
#include "data/Schema.h"
#include "legacy/JetHeader.h"
#include "legacy/LegacyConverter.h"
#include "platform/FileRename.h"
#include "platform/MessagePresenter.h"
#include "platform/StopSignals.h"

#include <QApplication>
#include <QFileInfo>
#include <QProgressDialog>
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

bool OfferConversion(const TStopSignals* stopSignals) {
    const QString path = Schema::DatabasePath;
    const TJetHeader header = TJetHeader::Read(path);
    if (!header.IsJet()) return true; // a ledger of ours, or none: the data module reports
    const QString problem = header.Problem(path);
    if (!problem.isEmpty()) {
        TCommon::ShowError(problem);
        return false;
    }
    if (!TCommon::ShowConfirm(ConversionQuestion)) return false;
    // A stop signal only leaves the event loops; the conversion runs outside them and asks.
    const auto stopped = [stopSignals] { return stopSignals && stopSignals->Received(); };

    QProgressDialog dialog(QStringLiteral("正在转换 %1 …").arg(path), QStringLiteral("取消"), 0,
                           100);
    dialog.setWindowTitle(MessageCaption);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    try {
        TLegacyConverter::ConvertInPlace(path, [&](qint64 done, qint64 total) {
            // Before the rows are counted (total 0) the bar only shows that work goes on.
            dialog.setLabelText(total == 0 ? QStringLiteral("正在转换 %1 …").arg(path)
                                           : QStringLiteral("正在转换 %1 … 已完成 %2 / %3 行")
                                                 .arg(path)
                                                 .arg(done)
                                                 .arg(total));
            dialog.setMaximum(int(qMin<qint64>(total, INT_MAX)));
            dialog.setValue(int(qMin<qint64>(done, INT_MAX))); // lets the dialog show and be used
            QApplication::processEvents();
            return !dialog.wasCanceled() && !stopped();
        });
    } catch (const EConversionCancelled& cancelled) {
        dialog.close();
        if (!stopped()) TCommon::ShowWarning(cancelled.Message);
        return false;
    } catch (const Exception& error) {
        dialog.close();
        TCommon::ShowError(error.Message);
        return false;
    }
    return true;
}

int ImportAccess(const QString& file) {
    const QString target = Schema::DatabasePath;
    try {
        TConversionSummary summary;
        if (QFileInfo::exists(target) && FileRename::SameFile(file, target)) {
            summary = TLegacyConverter::ConvertInPlace(target);
            Print(stdout, SummaryText(file, target, summary));
            Print(stdout, QStringLiteral("原文件保留为 %1").arg(TLegacyConverter::BackupPath(target)));
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
