// Times what a user's import of a payment bill of 100,000 rows does: the bill written by the
// generator (an Alipay CSV, GBK), read with the reader that recognises it, planned (keys,
// refunds, categories) and written into a fresh ledger in one transaction; then the same file
// imported again (every row already in the ledger). Prints seconds for each step and the peak
// resident memory (getrusage's ru_maxrss). Targets: read + plan + write under 5 s, the peak
// under 100 MB.
//
// bench_billimport [ROWS]

#include "BillGenerator.h"
#include "data/DataModule.h"
#include "data/Schema.h"
#include "import/BillFormats.h"
#include "import/BillImporter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
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

struct TTimes {
    double Read = 0, Plan = 0, Write = 0;
    double ReadMB = 0, PlanMB = 0, WriteMB = 0; // the peak after each step
    double Total() const { return Read + Plan + Write; }
};

// One import as the command line does it: read, plan, write.
TImportCounts Import(const TBillImporter& importer, const QString& path, TTimes& times) {
    QElapsedTimer timer;
    timer.start();
    TBill bill = BillFormats::Read(path);
    times.Read = Seconds(timer);
    times.ReadMB = PeakMB();
    timer.restart();
    const TImportPlan plan = importer.Plan(std::move(bill), path);
    times.Plan = Seconds(timer);
    times.PlanMB = PeakMB();
    timer.restart();
    const TImportCounts counts = importer.Write(plan);
    times.Write = Seconds(timer);
    times.WriteMB = PeakMB();
    return counts;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    try {
        const QString path = dir.filePath(QStringLiteral("支付宝交易明细(20260101-20261231).csv"));
        QElapsedTimer timer;
        timer.start();
        WriteAlipayBill(path, rows);
        const double generated = Seconds(timer);
        Schema::CreateDatabase(Schema::DatabasePath);
        TdmMain data;
        data.Open();
        const double opened = PeakMB();

        const TBillImporter importer(data.cnHearthbook, Schema::DefaultPersonName);
        TTimes first, second;
        const TImportCounts counts = Import(importer, path, first);
        const double afterFirst = PeakMB();
        const TImportCounts again = Import(importer, path, second);

        std::printf("rows: %d (bill of %.1f MB written in %.2f s)\n", rows,
                    QFileInfo(path).size() / 1e6, generated);
        std::printf("first import:  %s\n", TBillImporter::CountsText(counts).toUtf8().constData());
        std::printf("  read %.3f s, plan %.3f s, write %.3f s, total %.3f s (target < 5 s)\n",
                    first.Read, first.Plan, first.Write, first.Total());
        std::printf("second import: %s\n", TBillImporter::CountsText(again).toUtf8().constData());
        std::printf("  read %.3f s, plan %.3f s, write %.3f s, total %.3f s\n", second.Read,
                    second.Plan, second.Write, second.Total());
        std::printf("peak memory after read, plan, write: first %.1f, %.1f, %.1f MB; second "
                    "%.1f, %.1f, %.1f MB\n",
                    first.ReadMB, first.PlanMB, first.WriteMB, second.ReadMB, second.PlanMB,
                    second.WriteMB);
        std::printf("peak memory: %.1f MB after the open, %.1f MB after the first import, "
                    "%.1f MB at the end (target < 100 MB)\n",
                    opened, afterFirst, PeakMB());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
