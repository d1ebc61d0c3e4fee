#include "app/start/ConversionOffer.h"

#include "data/Common.h"
#include "data/Schema.h"
#include "legacy/JetHeader.h"
#include "legacy/LegacyConverter.h"
#include "platform/MessagePresenter.h"
#include "platform/StopSignals.h"

#include <QApplication>
#include <QProgressDialog>

namespace ConversionOffer {

bool Offer(const TStopSignals* stopSignals) {
    const QString path = Schema::LedgerFilePath();
    const TJetHeader header = TJetHeader::Read(path);
    if (!header.IsJet()) return true; // a ledger of ours, or none: the data module reports
    const QString problem = header.Problem(path);
    if (!problem.isEmpty()) {
        TCommon::ShowError(problem);
        return false;
    }
    if (!TCommon::ShowConfirm(Question)) return false;
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

} // namespace ConversionOffer
