// Times the reading of a generated Alipay bill (GBK CSV) of many rows: the format's recognition
// and the rows read, as the import does it before its preview. Prints the time and the peak
// memory; a bill of 100,000 rows is meant to read in well under the import's 5 s and 100 MB.
//
// bench_billread [ROWS | FILE]   (a FILE is read as it is instead of a generated bill)

#include "BillGenerator.h"
#include "import/BillFormats.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include "PeakMemory.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString argument = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const bool given = !argument.isEmpty() && QFileInfo(argument).isFile();
    const int rows = !argument.isEmpty() && !given ? std::max(1, argument.toInt()) : 100000;
    QTemporaryDir dir;
    const QString path =
        given ? argument : dir.filePath(QStringLiteral("支付宝交易明细(20260101-20261231).csv"));
    try {
        QElapsedTimer timer;
        timer.start();
        if (!given) WriteAlipayBill(path, rows);
        const double writeSeconds = timer.nsecsElapsed() / 1e9;
        const long before = PeakKiB();
        timer.restart();
        int reports = 0;
        qint64 last = -1;
        const TBill bill = BillFormats::Read(path, [&](qint64 done, qint64) {
            if (done <= last) throw std::runtime_error("progress went back");
            last = done;
            return ++reports > 0;
        });
        const double readSeconds = timer.nsecsElapsed() / 1e9;
        const long after = PeakKiB();
        qint64 units = 0;
        for (const TBillRow& row : bill.Rows) units += row.Units;
        std::printf("bill                        %s, %.1f MB\n", qPrintable(bill.Format),
                    QFileInfo(path).size() / 1e6);
        if (!given) std::printf("rows written                %d in %.2f s\n", rows, writeSeconds);
        std::printf("rows read                   %lld (sum %lld.%04lld yuan)\n",
                    static_cast<long long>(bill.Rows.size()),
                    static_cast<long long>(units / 10000), static_cast<long long>(units % 10000));
        std::printf("read time                   %.2f s (%.0f rows/s, %d progress reports)\n",
                    readSeconds, bill.Rows.size() / readSeconds, reports);
        std::printf("peak memory before reading  %.1f MB\n", before / 1024.0);
        std::printf("peak memory after reading   %.1f MB\n", after / 1024.0);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
