// Benchmark of the bill import's preview over a long bill.
//
//   bench_billpreview
//
// Builds the plan of a bill of 100,000 rows (four counterparts), then prints the time to show
// the preview painted, to tick every row off and on (the summary recounted each time), to tick
// one row, to change one row's category (proposed for the 25,000 rows of its counterpart), and
// one paint after scrolling to the end; and the memory the dialog costs beside the plan.
#include "forms/BillPreview.h"
#include "platform/Fonts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <cstdio>

namespace {

constexpr int Rows = 100'000;

double ResidentMegabytes() {
    QFile status(QStringLiteral("/proc/self/statm"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    const QList<QByteArray> fields = status.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096 / (1024 * 1024) : -1;
}

TImportPlan LongPlan() {
    const QStringList counterparts = {QStringLiteral("张记早餐"), QStringLiteral("王五超市"),
                                      QStringLiteral("哈啰出行"), QStringLiteral("李四面馆")};
    TImportPlan plan;
    plan.Path = QStringLiteral("/tmp/支付宝交易明细(20261001-20261031).csv");
    plan.Format = QStringLiteral("支付宝账单（CSV）");
    plan.PersonName = QStringLiteral("家长");
    plan.BillRows.reserve(Rows);
    plan.Rows.reserve(Rows);
    for (int n = 0; n < Rows; ++n) {
        TBillRow bill;
        bill.Line = 25 + n;
        bill.Time = QDateTime(QDate(2026, 10, 1 + n % 31), QTime(n % 24, n % 60));
        bill.Counterpart = counterparts[n % 4];
        bill.Units = 10000 + n % 5000 * 100;
        TPlannedRow row;
        row.BillRow = n;
        row.Reason = n % 10 == 9 ? TSkipReason::Neutral : TSkipReason::None;
        row.Checked = row.Reason == TSkipReason::None;
        row.Kind = QStringLiteral("支出");
        row.NetUnits = bill.Units;
        row.ItemProjectID = 9;
        row.CategoryName = QStringLiteral("其他支出");
        row.Content = QStringLiteral("第%1笔").arg(n + 1);
        plan.BillRows << bill;
        plan.Rows << row;
    }
    return plan;
}

double Milliseconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallFontSubstitutions();

    TImportPlan plan = LongPlan();
    const double withPlan = ResidentMegabytes();

    QElapsedTimer timer;
    timer.start();
    TfrmBillPreview preview(std::move(plan),
                            {{3, QStringLiteral("餐饮")}, {9, QStringLiteral("其他支出")}},
                            {{8, QStringLiteral("其他收入")}});
    preview.show();
    QCoreApplication::processEvents();
    preview.repaint();
    const double shown = Milliseconds(timer);
    const double withDialog = ResidentMegabytes();

    timer.restart();
    preview.btnNone->click();
    preview.btnAll->click();
    const double allTicks = Milliseconds(timer) / 2;

    timer.restart();
    preview.Model->ToggleChecked(0);
    const double oneTick = Milliseconds(timer);

    timer.restart();
    preview.Model->setData(preview.Model->index(0, TImportPlanModel::colCategory), 3);
    const double category = Milliseconds(timer);

    QScrollBar* scroll = preview.tblRows->verticalScrollBar();
    scroll->setValue(scroll->maximum());
    timer.restart();
    preview.tblRows->viewport()->repaint();
    const double paint = Milliseconds(timer);

    std::printf("bill preview of %d rows\n", Rows);
    std::printf("  shown and painted:           %8.1f ms\n", shown);
    std::printf("  every row ticked off or on:  %8.1f ms\n", allTicks);
    std::printf("  one row ticked:              %8.2f ms\n", oneTick);
    std::printf("  one category (25,000 rows):  %8.2f ms\n", category);
    std::printf("  paint at the end:            %8.2f ms\n", paint);
    std::printf("  resident memory: with the plan %.1f MB, with the dialog %.1f MB\n", withPlan,
                withDialog);
    return 0;
}
