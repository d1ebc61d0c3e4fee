// Times the conversion of a ledger kept in the old Access (Jet 4) format: the sample ledger of
// the tests (229 rows) converted into a fresh ledger again and again. Prints rows per second,
// and the peak memory after the first conversion and after all of them: rows stream from the
// old file into prepared inserts, so the peak does not grow with the rows converted. The old
// file is read by a second process of the program (build/bin/pennyvale must be built); its
// processor time is counted with the benchmark's own.
//
// bench_import [RUNS] [FILE.mdb]

#include "legacy/LegacyConverter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include "PeakMemory.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {

// The processor time of this process and of its finished children, in seconds.
double ProcessorSeconds() {
    double seconds = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        ::getrusage(who, &usage);
        for (const timeval& time : {usage.ru_utime, usage.ru_stime})
            seconds += double(time.tv_sec) + double(time.tv_usec) / 1e6;
    }
    return seconds;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const QString source = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                    : QStringLiteral(PENNYVALE_TEST_FIXTURES
                                                     "/legacy-access/Hearthbook.mdb");
    QTemporaryDir dir;
    try {
        qint64 rows = 0;
        qint64 firstNs = 0;
        long firstPeak = 0;
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = ProcessorSeconds();
        for (int run = 0; run < runs; ++run) {
            const QString target = dir.filePath(QStringLiteral("Hearthbook.mdb"));
            QElapsedTimer one;
            one.start();
            rows += TLegacyConverter::Convert(source, target).TotalRows();
            if (run == 0) {
                firstNs = one.nsecsElapsed();
                firstPeak = PeakKiB();
            }
            QFile::remove(target);
        }
        const double seconds = timer.nsecsElapsed() / 1e9;
        // Each conversion ends by flushing the new file and its folder to the disk; with a file
        // this small that wait dominates the wall time, so the processor time is shown too.
        const double cpuSeconds = ProcessorSeconds() - cpuStart;
        std::printf("conversions                 %d of %s\n", runs, qPrintable(source));
        std::printf("rows converted              %lld\n", static_cast<long long>(rows));
        std::printf("first conversion            %.2f ms\n", firstNs / 1e6);
        std::printf("all conversions             %.2f s\n", seconds);
        std::printf("rows per second             %.0f\n", rows / seconds);
        std::printf("processor time              %.2f s\n", cpuSeconds);
        std::printf("rows per processor second   %.0f\n", rows / cpuSeconds);
        std::printf("peak memory after the first %ld KiB\n", firstPeak);
        std::printf("peak memory after all       %ld KiB\n", PeakKiB());
    } catch (const Exception& error) {
        std::fprintf(stderr, "%s\n", error.Message.toUtf8().constData());
        return 1;
    }
    return 0;
}
