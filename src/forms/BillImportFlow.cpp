#include "forms/BillImportFlow.h"

#include "data/ComboPub.h"
#include "data/Common.h"
#include "data/DataModule.h"
#include "forms/BillPreview.h"
#include "forms/base/FormPanel.h"
#include "import/BillFormats.h"
#include "import/BillImporter.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QProgressDialog>
#include <QStandardPaths>

#include <algorithm>
#include <memory>

namespace {

// The wait cursor for as long as it lives.
class TWaitCursor {
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

// Reads the bill with a progress dialog that comes up when the reading takes a while. False
// when the user stopped it.
bool ReadBill(QWidget* parent, const QString& path, TBill& bill) {
    constexpr int Steps = 1000;
    QProgressDialog progress(QStringLiteral("正在读取账单…"), QStringLiteral("取消"), 0, Steps,
                             parent);
    progress.setWindowTitle(QStringLiteral("导入账单"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500); // a small bill is read before the dialog would show
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setValue(0);
    try {
        bill = BillFormats::Read(path, [&progress](qint64 done, qint64 total) {
            if (total > 0)
                progress.setValue(
                    int(std::clamp<qint64>(done * (Steps - 1) / total, 0, Steps - 1)));
            QCoreApplication::processEvents(); // the 取消 button, and the window repaints
            return !progress.wasCanceled();
        });
    } catch (const EBillCancelled&) {
        return false;
    }
    return true;
}

// The folder a bill was last taken from in this run; bills are downloaded, so at first the
// download folder (the program's own folder is the ledger's, where no bill is).
QString& LastFolder() {
    static QString folder;
    return folder;
}

QString StartFolder() {
    if (QFileInfo(LastFolder()).isDir()) return LastFolder();
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return QFileInfo(downloads).isDir() ? downloads : QDir::homePath();
}

} // namespace

namespace BillImportFlow {

void Run(QWidget* parent) {
    const QString path = QFileDialog::getOpenFileName(
        parent, QStringLiteral("导入账单"), StartFolder(),
        QStringLiteral("支付宝/微信支付账单 (*.csv *.txt *.xlsx);;所有文件 (*)"));
    if (path.isEmpty()) return;
    LastFolder() = QFileInfo(path).absolutePath();

    try {
        TBill bill;
        if (!ReadBill(parent, path, bill)) return;

        const TBillImporter importer(TdmMain::Ledger(), ComboPub->CurPersonName);
        TImportPlan plan;
        QList<TfrmBillPreview::TCategory> expenditure;
        QList<TfrmBillPreview::TCategory> income;
        {
            TWaitCursor wait;
            plan = importer.Plan(std::move(bill), path); // the rows are held once
            expenditure = importer.Categories(QStringLiteral("支出"));
            income = importer.Categories(QStringLiteral("收入"));
        }

        // On the heap: the owner may free its children while the dialog is open.
        QWidget* owner = frmPanel ? static_cast<QWidget*>(frmPanel) : parent;
        QPointer<TfrmBillPreview> preview =
            new TfrmBillPreview(std::move(plan), std::move(expenditure), std::move(income), owner);
        preview->setWindowModality(Qt::ApplicationModal);
        const bool accepted = preview->exec() == QDialog::Accepted;
        if (!preview) return;
        // The preview, hidden now, keeps the edited plan until it is written: never a copy.
        const std::unique_ptr<TfrmBillPreview> closed(preview.data());
        if (!accepted) return;

        TImportCounts counts;
        {
            TWaitCursor wait;
            counts = importer.Write(closed->Plan());
        }
        // The working forms list the ledger when they are opened, so the next one shows the
        // new records.
        TCommon::ShowInformation(QStringLiteral("账单导入完成。\n") +
                                 TBillImporter::CountsText(counts));
    } catch (const EBillError& error) {
        TCommon::ShowError(error.Message);
    } catch (const EDatabaseError& error) {
        TCommon::ShowError(error.Message);
    } catch (const EInOutError& error) {
        TCommon::ShowError(error.Message);
    }
}

} // namespace BillImportFlow
