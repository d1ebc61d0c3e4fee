#include "platform/StopSignals.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <csignal>

namespace {

void Ignore(int) {}

void (*HandlerOf(int signal))(int) {
    struct sigaction current = {};
    ::sigaction(signal, nullptr, &current);
    return current.sa_handler;
}

} // namespace

// A stop signal ends the event loops in order instead of ending the process on the spot.
class TestStopSignals : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aSignalEndsTheRunningLoop() {
        TStopSignals stop;
        QVERIFY(!stop.Received());
        QTimer::singleShot(0, [] { ::raise(SIGTERM); });
        QCOMPARE(QCoreApplication::exec(), 128 + SIGTERM);
        QVERIFY(stop.Received());
        QCOMPARE(stop.ExitCode(), 128 + SIGTERM);
        // A second one would end the process at once.
        QVERIFY(HandlerOf(SIGTERM) == SIG_DFL);
    }

    // A dialog's loop inside the main one: both are left, the dialog's first.
    void nestedLoopsAreAllLeft() {
        TStopSignals stop;
        int inner = 0;
        QTimer::singleShot(0, [&inner] {
            QEventLoop dialog;
            QTimer::singleShot(0, [] { ::raise(SIGHUP); });
            inner = dialog.exec();
        });
        QCOMPARE(QCoreApplication::exec(), 128 + SIGHUP);
        QCOMPARE(inner, 128 + SIGHUP);
    }

    // The first signal of any of the three counts.
    void ctrlCCountsToo() {
        TStopSignals stop;
        QTimer::singleShot(0, [] { ::raise(SIGINT); });
        QCOMPARE(QCoreApplication::exec(), 128 + SIGINT);
        QCOMPARE(stop.ExitCode(), 128 + SIGINT);
    }

    // A signal the program was started to ignore (SIGHUP under nohup, SIGINT for a job a script
    // runs in the background) stays ignored: the run goes on.
    void anIgnoredSignalStaysIgnored() {
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        struct sigaction previous = {};
        ::sigaction(SIGHUP, &ignore, &previous);
        bool received = true;
        bool ignored = false;
        {
            TStopSignals stop;
            ignored = HandlerOf(SIGHUP) == SIG_IGN;
            ::raise(SIGHUP);
            QCoreApplication::processEvents();
            received = stop.Received();
        }
        const bool stillIgnored = HandlerOf(SIGHUP) == SIG_IGN;
        ::sigaction(SIGHUP, &previous, nullptr);
        QVERIFY(ignored);
        QVERIFY(!received);
        QVERIFY(stillIgnored);
    }

    void theHandlersBeforeComeBack() {
        struct sigaction ignore = {};
        ignore.sa_handler = Ignore;
        sigemptyset(&ignore.sa_mask);
        struct sigaction previous[3];
        const int kinds[] = {SIGTERM, SIGHUP, SIGINT};
        for (int i = 0; i < 3; ++i)
            ::sigaction(kinds[i], &ignore, &previous[i]);
        {
            TStopSignals stop;
            for (int kind : kinds)
                QVERIFY(HandlerOf(kind) != Ignore);
        }
        bool restored = true;
        for (int i = 0; i < 3; ++i) {
            restored = restored && HandlerOf(kinds[i]) == Ignore;
            ::sigaction(kinds[i], &previous[i], nullptr);
        }
        QVERIFY(restored);
    }
};

QTEST_GUILESS_MAIN(TestStopSignals)
#include "tst_stopsignals.moc"
