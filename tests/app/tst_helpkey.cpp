#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// F1 in the real program under a real X server (Xvfb), driven by xdotool as a user would: after
// logging in and clicking into a working form, and again with a navigation button focused, F1
// shows the help file's message (the program runs from a folder without the help file).
class TestHelpKey : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void f1WorksWhateverHasTheFocus() {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("needs Xvfb and xdotool");
        QTemporaryDir dir;
        const QString program = dir.filePath(QStringLiteral("pennyvale"));
        QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/pennyvale"),
                            program));
        QProcess create;
        create.setWorkingDirectory(dir.path());
        create.start(program, {QStringLiteral("--create-database")});
        QVERIFY(create.waitForFinished(30000));
        QCOMPARE(create.exitCode(), 0);

        // The main window is centred on the 1024 x 768 screen: its client area starts at
        // (116, 97); the navigation buttons are 6 pixels into the left column, below the banner.
        const QString script = QStringLiteral(R"(
wait_for() { for i in $(seq 1 100); do xdotool search --name "$1" >/dev/null 2>&1 && return 0; sleep 0.1; done; return 1; }
gone() { for i in $(seq 1 100); do xdotool search --name "$1" >/dev/null 2>&1 || return 0; sleep 0.1; done; return 1; }
"$0" & pid=$!
trap 'kill $pid 2>/dev/null' EXIT
wait_for '系统登录' || { echo NO-LOGIN; exit 0; }
sleep 0.5
xdotool type --delay 30 admin; xdotool key Return
xdotool type --delay 30 admin; xdotool key Return
gone '系统登录' || { echo LOGIN-STAYED; exit 0; }
sleep 1
xdotool mousemove 178 481 click 1   # 家庭理财相关
sleep 1
xdotool mousemove 560 400 click 1   # into the working form
sleep 0.5
xdotool key F1
if wait_for '系统提示：'; then echo BOX-IN-FORM; xdotool key Return; gone '系统提示：'; fi
sleep 0.5
xdotool mousemove 178 175 click 1   # 收支分类项目: the button takes the focus
sleep 1
xdotool key F1
if wait_for '系统提示：'; then echo BOX-ON-BUTTON; xdotool key Return; gone '系统提示：'; fi
sleep 0.5
xdotool mousemove 500 130 click 1   # the banner: the window is active again, the focus stays
sleep 0.3
xdotool key shift+Tab               # the focus moves on by keyboard
sleep 0.3
xdotool key F1
if wait_for '系统提示：'; then echo BOX-AFTER-TAB; xdotool key Return; fi
)");
        QProcess run;
        run.setWorkingDirectory(dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        run.setProcessEnvironment(environment);
        run.start(QStringLiteral("bash"),
                  {QStringLiteral(PENNYVALE_VIRTUAL_SCREEN), QStringLiteral("bash"),
                   QStringLiteral("-c"), script, program});
        QVERIFY(run.waitForFinished(90000));
        const QString out = QString::fromUtf8(run.readAllStandardOutput());
        const QString context = out + QString::fromUtf8(run.readAllStandardError());
        QVERIFY2(out.contains(QStringLiteral("BOX-IN-FORM")), qPrintable(context));
        QVERIFY2(out.contains(QStringLiteral("BOX-ON-BUTTON")), qPrintable(context));
        QVERIFY2(out.contains(QStringLiteral("BOX-AFTER-TAB")), qPrintable(context));
    }
};

QTEST_GUILESS_MAIN(TestHelpKey)
#include "tst_helpkey.moc"
