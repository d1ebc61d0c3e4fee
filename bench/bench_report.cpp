// Benchmark of the year's statement as a PDF (pennyvale --report) for a member with 100,000
// records in the year: seconds and pages. Target: under 10 s.
//
//   bench_report [ledger-folder]
//
// The ledger (one member, account user1, with all its 100,000 records in 2026; the shared large
// ledger's kind, see LargeLedger.h) is generated once into the folder and then reused.
#include "LargeLedger.h"
#include "app/start/ReportCommand.h"
#include "data/Schema.h"
#include "platform/Fonts.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <cstdio>

namespace {

constexpr int Records = 100'000;
constexpr int Year = 2026;

int Pages(const QString& file) {
    QProcess info;
    info.start("pdfinfo", {file});
    info.waitForFinished(60000);
    const auto match = QRegularExpression("Pages:\\s+(\\d+)").match(info.readAllStandardOutput());
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QDir::temp().filePath("pennyvale-bench-report");
    // One member (account user1) with every record in the one year.
    LargeLedger::Prepare(folder, {.Records = Records, .FirstYear = Year, .Years = 1, .Members = 1});

    QElapsedTimer timer;
    timer.start();
    const int code = ReportCommand::Run(QStringLiteral("year.pdf"), QStringLiteral("user1"), Year);
    const double seconds = timer.elapsed() / 1000.0;
    if (code != 0) return code;
    std::printf("year's PDF of %d records: %.2f s, %d pages, %.1f MB%s\n", Records, seconds,
                Pages(QStringLiteral("year.pdf")),
                QFile(QStringLiteral("year.pdf")).size() / 1048576.0,
                seconds > 10 ? "   (over the 10 s target)" : "");
    return 0;
}
