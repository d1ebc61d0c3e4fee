#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

// The real program run as a user runs a command: in a folder, with arguments, offscreen. Header
// only: each test names the program it was built beside (PENNYVALE_PROGRAM).
struct TProgramRun {
    int ExitCode = -1; // -1: it crashed, or did not end within a minute
    QString Out;       // standard output, trimmed
    QString Err;       // standard error, trimmed
};

struct TProgramOptions {
    // Caps the size of every file it writes, in bytes: a write beyond fails with EFBIG (the
    // signal ignored), as a full disk would stop it.
    qint64 FileSizeLimit = 0;
    // Started as from a console without a desktop: no screen named at all, the command chooses
    // offscreen itself.
    bool NoScreen = false;
};

inline TProgramRun RunProgram(const QString& folder, const QStringList& arguments,
                              const TProgramOptions& options = {}) {
    QProcess process;
    process.setWorkingDirectory(folder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (options.NoScreen) {
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(name);
        static QTemporaryDir runtime; // a graphical application's own folder, as a session has
        environment.insert("XDG_RUNTIME_DIR", runtime.path());
    } else {
        environment.insert("QT_QPA_PLATFORM", "offscreen");
    }
    process.setProcessEnvironment(environment);
    if (const qint64 size = options.FileSizeLimit; size > 0)
        process.setChildProcessModifier([size] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{rlim_t(size), rlim_t(size)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
    process.start(PENNYVALE_PROGRAM, arguments);
    TProgramRun run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.Out = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    run.Err = QString::fromUtf8(process.readAllStandardError()).trimmed();
    if (process.exitStatus() == QProcess::NormalExit) run.ExitCode = process.exitCode();
    return run;
}
