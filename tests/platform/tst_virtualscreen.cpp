#include <QFile>
#include <QProcess>
#include <QTest>

#include <cerrno>
#include <csignal>

namespace {

// Whether a process of this id is still there.
bool Alive(qint64 pid) {
    return ::kill(pid_t(pid), 0) == 0 || errno != ESRCH;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The pid of the X server the script started, or 0.
qint64 ServerOf(qint64 script) {
    const QByteArray children =
        ReadAll(QStringLiteral("/proc/%1/task/%1/children").arg(script)).trimmed();
    for (const QByteArray& child : children.split(' '))
        if (ReadAll(QStringLiteral("/proc/%1/comm").arg(QString::fromLatin1(child))).trimmed() ==
            "Xvfb")
            return child.toLongLong();
    return 0;
}

} // namespace

// The script that gives a test's program a virtual screen of its own: the command runs on it,
// its status is the script's, and the screen goes with the script however it ends.
class TestVirtualScreen : public QObject {
    Q_OBJECT

    // Starts the script with a shell command; returns once the command has said its display
    // and its pid (one per line), filled in.
    bool Start(QProcess& run, const QString& command, QString* display, qint64* pid) {
        run.start(QStringLiteral("bash"), {QStringLiteral(PENNYVALE_VIRTUAL_SCREEN),
                                           QStringLiteral("bash"), QStringLiteral("-c"), command});
        QByteArray out;
        while (out.count('\n') < 2 && run.waitForReadyRead(30000))
            out += run.readAllStandardOutput();
        const QList<QByteArray> lines = out.split('\n');
        if (lines.size() < 3) return false;
        *display = QString::fromUtf8(lines[0]).remove(u':');
        *pid = lines[1].toLongLong();
        return !display->isEmpty() && *pid > 0;
    }

private slots:
    void theCommandRunsOnItsScreenAndItsStatusIsReturned() {
        QProcess run;
        QString display;
        qint64 pid = 0;
        QVERIFY(Start(run,
                      QStringLiteral("echo $DISPLAY; echo $$; read go; "
                                     "[ \"$(xdotool getdisplaygeometry)\" = \"1024 768\" ] && "
                                     "exit 7"),
                      &display, &pid));
        const qint64 server = ServerOf(run.processId());
        QVERIFY(server > 0);
        run.write("go\n"); // the command reads what the script was given
        run.closeWriteChannel();
        QVERIFY(run.waitForFinished(30000));
        QCOMPARE(run.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.exitCode(), 7);
        QVERIFY2(!Alive(server), "the X server was left running");
    }

    // The command meets the signals as the script met them: Ctrl+C still ends it.
    void theCommandKeepsTheSignalsAsGiven() {
        QProcess run;
        run.start(QStringLiteral("bash"),
                  {QStringLiteral(PENNYVALE_VIRTUAL_SCREEN), QStringLiteral("grep"),
                   QStringLiteral("SigIgn"), QStringLiteral("/proc/self/status")});
        QVERIFY(run.waitForFinished(30000));
        QCOMPARE(run.exitCode(), 0);
        const QByteArray out = run.readAllStandardOutput();
        const qsizetype at = out.indexOf("SigIgn:");
        QVERIFY2(at >= 0, out.constData());
        bool number = false;
        const qulonglong ignored =
            out.mid(at + 7).trimmed().split('\n').first().toULongLong(&number, 16);
        QVERIFY(number);
        QCOMPARE(ignored & (1ull << (SIGINT - 1)), 0ull);
        QCOMPARE(ignored & (1ull << (SIGQUIT - 1)), 0ull);
    }

    // Told to stop (a test runner's time limit, a closed terminal), the script ends its command
    // and its screen before it goes; neither is left running on its own.
    void aStopSignalEndsTheCommandAndTheScreen() {
        for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
            QProcess run;
            QString display;
            qint64 pid = 0;
            QVERIFY(Start(run, QStringLiteral("echo $DISPLAY; echo $$; exec sleep 60"), &display,
                          &pid));
            const qint64 server = ServerOf(run.processId());
            QVERIFY(server > 0);
            ::kill(pid_t(run.processId()), signal);
            QVERIFY(run.waitForFinished(30000));
            QCOMPARE(run.exitCode(), 128 + signal);
            QVERIFY2(!Alive(pid), "the command was left running");
            QVERIFY2(!Alive(server), "the X server was left running");
        }
    }
};

QTEST_GUILESS_MAIN(TestVirtualScreen)
#include "tst_virtualscreen.moc"
