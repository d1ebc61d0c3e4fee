// Benchmark of the program's start on a small and on a large ledger.
//
//   bench_startup [program] [large-ledger-folder]
//
// Starts the program (by default the one built beside this benchmark) with --check-start in a
// folder holding a ledger of 10,000 records, then in one of 1,000,000 records (both generated
// once, then reused), and prints the median time from the start of the process to the login
// window shown over several runs. It also prints the data module's open of each ledger in this
// process, the part of the start that reads the file.
#include "LargeLedger.h"
#include "data/DataModule.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Runs = 9;
constexpr int SmallRecords = 10'000;

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Milliseconds from starting the program to its line saying that the login is shown; the program
// then leaves the login as 取消 does.
double TimeToLogin(const QString& program, const QString& folder) {
    QProcess process;
    process.setWorkingDirectory(folder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    process.start(program, {QStringLiteral("--check-start")});
    double shown = -1;
    QByteArray output;
    while (shown < 0 && process.waitForReadyRead(30000)) {
        output += process.readAllStandardOutput();
        if (output.contains("login shown:")) shown = timer.nsecsElapsed() / 1e6;
    }
    process.waitForFinished(60000);
    if (shown < 0) {
        std::fprintf(stderr, "no login shown in %s:\n%s%s\n", folder.toUtf8().constData(),
                     output.constData(), process.readAllStandardError().constData());
        std::exit(1);
    }
    return shown;
}

double TimeOpen() {
    std::vector<double> times;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        dmMain = new TdmMain;
        dmMain->DataModuleCreate();
        times.push_back(timer.nsecsElapsed() / 1e6);
        if (!dmMain->cnHearthbook.isOpen()) std::exit(1);
        delete dmMain;
        dmMain = nullptr;
    }
    return Median(times);
}

void Report(const QString& program, const QString& folder, int records) {
    LargeLedger::Prepare(folder, {.Records = records});
    const double open = TimeOpen();
    std::vector<double> times;
    TimeToLogin(program, folder); // the file into the system's cache, as on any later start
    for (int run = 0; run < Runs; ++run)
        times.push_back(TimeToLogin(program, folder));
    std::printf("%9d records: start to login %8.1f ms   open %6.1f ms\n", records, Median(times),
                open);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString program = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                     : QCoreApplication::applicationDirPath() + "/pennyvale";
    const QString large = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                   : QDir::tempPath() + QStringLiteral("/pennyvale-bench");
    std::printf("program %s, median of %d runs\n", program.toUtf8().constData(), Runs);
    Report(program, QDir::tempPath() + QStringLiteral("/pennyvale-bench-10k"), SmallRecords);
    Report(program, large, LargeLedger::Records);
    return 0;
}
