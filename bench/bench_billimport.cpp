// Times the import of a payment bill of 100,000 rows into a fresh ledger: the plan (keys,
// refunds, categories) and the write in one transaction, then the plan of the same bill again
// (every row already imported). The bill is generated in memory: payments of many merchants and
// categories, incomes, neutral rows, closed payments and refunds. Prints seconds for each step
// and the peak resident memory (getrusage's ru_maxrss). Targets: under 5 s, under 100 MB.
//
// bench_billimport [ROWS]

#include "data/DataModule.h"
#include "data/Schema.h"
#include "import/BillImporter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {

// The process's peak resident memory so far, in MB.
double PeakMB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // KiB on Linux
}

double Seconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e9;
}

// A year of an Alipay bill's rows, newest last; every 20th payment is refunded in part by a
// row of its own, every 50th is closed, every 25th row is neutral, every 10th an income.
TBill Generate(int rows) {
    static const char* const categories[] = {"餐饮美食", "交通出行", "日用百货", "服饰装扮",
                                             "医疗健康", "充值缴费", "转账红包", "其他"};
    static const char* const merchants[] = {"美团", "滴滴出行", "超市", "服装店",
                                            "药房", "中国移动", "张三", "某店"};
    TBill bill;
    bill.Source = QStringLiteral("alipay");
    bill.Format = QStringLiteral("支付宝账单（CSV）");
    bill.Rows.reserve(rows);
    const QDateTime start(QDate(2026, 1, 1), QTime(8, 0));
    for (int i = 0; i < rows; ++i) {
        TBillRow row;
        row.Line = 25 + i;
        row.Time = start.addSecs(qint64(i) * 300);
        const int kind = i % 8;
        row.Category = QString::fromUtf8(categories[kind]);
        row.Counterpart = QString::fromUtf8(merchants[kind]) + QString::number(i % 97);
        row.Item = QStringLiteral("商品%1").arg(i % 1013);
        row.Method = QStringLiteral("余额宝");
        row.Status = QStringLiteral("交易成功");
        row.OrderNo = QStringLiteral("2026%1").arg(i, 20, 10, QLatin1Char('0'));
        row.MerchantOrderNo = QStringLiteral("M%1").arg(i);
        row.Units = qint64(1 + (i * 7919) % 99999) * 100; // fen
        row.Direction = i % 10 == 0 ? TBillDirection::Income : TBillDirection::Expenditure;
        if (i % 25 == 0) row.Direction = TBillDirection::Neutral;
        if (i % 50 == 7) row.Closed = true;
        if (i % 20 == 19 && !bill.Rows.isEmpty()) { // a refund of the payment before it
            const TBillRow& paid = bill.Rows.last();
            if (paid.Direction == TBillDirection::Expenditure && !paid.Closed) {
                row.Direction = TBillDirection::Neutral;
                row.Category = QStringLiteral("退款");
                row.IsRefund = true;
                row.RefundOf = paid.OrderNo;
                row.OrderNo = paid.OrderNo + QStringLiteral("_1");
                row.Units = paid.Units / 3;
                row.Item = QStringLiteral("退款-") + paid.Item;
            }
        }
        bill.Rows.append(row);
    }
    return bill;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    try {
        Schema::CreateDatabase(Schema::DatabasePath);
        TdmMain data;
        data.Open();
        QElapsedTimer timer;
        timer.start();
        const double opened = PeakMB();
        TBill bill = Generate(rows);
        const double generated = Seconds(timer);
        const double withBill = PeakMB();

        const TBillImporter importer(data.cnHearthbook, Schema::DefaultPersonName);
        timer.restart();
        TImportPlan plan = importer.Plan(std::move(bill));
        const double planned = Seconds(timer);
        const double withPlan = PeakMB();
        timer.restart();
        const TImportCounts counts = importer.Write(plan);
        const double written = Seconds(timer);
        const double withWrite = PeakMB();
        plan = TImportPlan();
        bill = Generate(rows);
        timer.restart();
        const TImportCounts again = TBillImporter::Count(importer.Plan(std::move(bill)));
        const double replanned = Seconds(timer);

        std::printf("rows: %d (generated in memory in %.3f s)\n", rows, generated);
        std::printf("%s\n", TBillImporter::CountsText(counts).toUtf8().constData());
        std::printf("plan: %.3f s, write: %.3f s, plan + write: %.3f s (target < 5 s)\n", planned,
                    written, planned + written);
        std::printf("plan of the same bill again: %.3f s (%d already imported)\n", replanned,
                    again.AlreadyImported);
        std::printf("peak memory: %.1f MB after the open, %.1f MB with the bill, %.1f MB with the "
                    "plan, %.1f MB after the write (target < 100 MB); %.1f MB at the end\n",
                    opened, withBill, withPlan, withWrite, PeakMB());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
