#include "Files.h"
#include "Fixture.h"
#include "LegacyFixture.h"
#include "Pipe.h"

#include "app/start/ConversionOffer.h"
#include "data/Common.h"
#include "data/DataModule.h"
#include "data/Schema.h"
#include "platform/MessagePresenter.h"
#include "platform/StopSignals.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <unistd.h>

// Bringing an old Access ledger along: the start-up question answered both ways in-process, and
// the real program's command line and start-up on the files.
class TestLegacyStartup : public QObject {
    Q_OBJECT

    static QStringList Files(const QString& folder) {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    // Runs the program in a folder; returns its exit code, with what it printed.
    static int RunProgram(const QString& folder, const QStringList& arguments, QString* out = nullptr,
                          QString* err = nullptr, const QString& wrapper = {},
                          const QStringList& wrapperArguments = {},
                          const QString& program = PENNYVALE_PROGRAM) {
        QProcess process;
        process.setWorkingDirectory(folder);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(environment);
        if (wrapper.isEmpty())
            process.start(program, arguments);
        else
            process.start(wrapper, wrapperArguments + QStringList{program} + arguments);
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            return -1;
        }
        if (out) *out = QString::fromUtf8(process.readAllStandardOutput());
        if (err) *err = QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

private Q_SLOTS:
    void questionCancelled() {
        TTestLedger ledger(TTestLedger::NoDatabase);
        LegacyFixture::WriteCopy(Schema::DatabasePath);
        ledger.Messages.Boxes.clear();
        ledger.Messages.ConfirmAnswers = {false};
        QVERIFY(!ConversionOffer::Offer());
        QCOMPARE(ledger.Messages.Texts(), QStringList{ConversionOffer::Question});
        QCOMPARE(ledger.Messages.Boxes.first().Kind, TMessageKind::Confirm);
        QCOMPARE(Files("DataBase"), QStringList{"Hearthbook.mdb"});
        QCOMPARE(ReadAll(Schema::DatabasePath), LegacyFixture::Bytes());
    }

    void questionAccepted() {
        TTestLedger ledger(TTestLedger::NoDatabase);
        LegacyFixture::WriteCopy(Schema::DatabasePath);
        ledger.Messages.Boxes.clear();
        ledger.Messages.ConfirmAnswers = {true};
        QVERIFY(ConversionOffer::Offer());
        QCOMPARE(ledger.Messages.Texts(), QStringList{ConversionOffer::Question});
        QCOMPARE(Files("DataBase"), QStringList({"Hearthbook.access.mdb", "Hearthbook.mdb"}));
        QCOMPARE(ReadAll("DataBase/Hearthbook.access.mdb"), LegacyFixture::Bytes());
        // The program then starts normally on the converted ledger.
        dmMain->DataModuleCreate();
        QCOMPARE(ledger.Scalar("select LoginPassword from bPerson where LoginAccount = 'mama'").toString(),
                 TCommon::EncodeText("mm123"));
        QCOMPARE(ledger.Scalar("select count(*) from fDiary").toInt(), 20);
        // Asked once only: the next start finds a ledger of ours.
        ledger.Messages.Boxes.clear();
        QVERIFY(ConversionOffer::Offer());
        QVERIFY(ledger.Messages.Boxes.isEmpty());
    }

    void noQuestionForOurLedgerOrNone() {
        TTestLedger ledger; // a ledger of ours
        ledger.Messages.Boxes.clear();
        QVERIFY(ConversionOffer::Offer());
        QVERIFY(ledger.Messages.Boxes.isEmpty());
        QFile::remove(Schema::DatabasePath);
        QVERIFY(ConversionOffer::Offer()); // none: the data module reports it
        QVERIFY(ledger.Messages.Boxes.isEmpty());
    }

    void pipeInPlaceOfTheLedger() {
        // The start's look at the ledger's first page never waits on a named pipe; the data
        // module then reports what stands there.
        TTestLedger ledger(TTestLedger::NoDatabase);
        QVERIFY(QDir().mkpath("DataBase"));
        const TPipe pipe(Schema::DatabasePath);
        ledger.Messages.Boxes.clear();
        QVERIFY(ConversionOffer::Offer());
        QVERIFY(ledger.Messages.Boxes.isEmpty());
        QVERIFY(!pipe.Opened());
    }

    // The processes this one started.
    static QList<pid_t> Children() {
        QList<pid_t> children;
        for (const QString& task :
             QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            for (const QByteArray& pid :
                 ReadAll("/proc/self/task/" + task + "/children").split(' '))
                if (!pid.trimmed().isEmpty()) children << pid_t(pid.trimmed().toInt());
        return children;
    }

    void stopSignalDuringConversion_data() {
        QTest::addColumn<bool>("toReader");
        QTest::newRow("to the program") << false;
        // A logout or Ctrl+C in a terminal signals the reading process as well.
        QTest::newRow("to the reading process too") << true;
    }

    void stopSignalDuringConversion() {
        // The reader of this file loops until it is stopped; a stop signal that comes meanwhile
        // ends the conversion without a message, leaving the file as it was.
        QFETCH(bool, toReader);
        TTestLedger ledger(TTestLedger::NoDatabase);
        const QByteArray damaged = ReadAll(LegacyFixture::DamagedPath("catalog-loop-busy.mdb"));
        LegacyFixture::WriteCopy(Schema::DatabasePath, damaged);
        ledger.Messages.Boxes.clear();
        ledger.Messages.ConfirmAnswers = {true};
        TStopSignals stopSignals;
        QTimer signal;
        signal.setSingleShot(true);
        connect(&signal, &QTimer::timeout, [toReader] {
            if (toReader)
                for (pid_t child : Children())
                    ::kill(child, SIGTERM);
            ::raise(SIGTERM);
        });
        signal.start(300);
        QVERIFY(!ConversionOffer::Offer(&stopSignals));
        QVERIFY(stopSignals.Received());
        QCOMPARE(ledger.Messages.Texts(), QStringList{ConversionOffer::Question});
        QCOMPARE(Files("DataBase"), QStringList{"Hearthbook.mdb"});
        QCOMPARE(ReadAll(Schema::DatabasePath), damaged);
    }

    void accessFileThatCannotBeConverted() {
        TTestLedger ledger(TTestLedger::NoDatabase);
        QByteArray jet3 = LegacyFixture::Bytes();
        jet3[0x14] = 0;
        LegacyFixture::WriteCopy(Schema::DatabasePath, jet3);
        ledger.Messages.Boxes.clear();
        QVERIFY(!ConversionOffer::Offer());
        QCOMPARE(ledger.Messages.Boxes.size(), 1);
        QCOMPARE(ledger.Messages.Boxes.first().Kind, TMessageKind::Error);
        QVERIFY(ledger.Messages.LastText().contains("Jet 3"));
        QCOMPARE(ReadAll(Schema::DatabasePath), jet3);
    }

    void failedConversionShowsItsCause() {
        TTestLedger ledger(TTestLedger::NoDatabase);
        QByteArray cut = LegacyFixture::Bytes().left(100000);
        LegacyFixture::WriteCopy(Schema::DatabasePath, cut);
        ledger.Messages.Boxes.clear();
        QVERIFY(!ConversionOffer::Offer());
        QCOMPARE(ledger.Messages.Boxes.size(), 2); // the question, then the cause
        QCOMPARE(ledger.Messages.Boxes.last().Kind, TMessageKind::Error);
        QVERIFY(ledger.Messages.LastText().contains("已损坏"));
        QVERIFY(ledger.Messages.LastText().contains(Schema::DatabasePath));
        QCOMPARE(Files("DataBase"), QStringList{"Hearthbook.mdb"});
        QCOMPARE(ReadAll(Schema::DatabasePath), cut);
    }

    void commandLine() {
        QTemporaryDir dir;
        QString out, err;
        QCOMPARE(RunProgram(dir.path(), {"--import-access", LegacyFixture::LedgerPath()}, &out, &err), 0);
        QVERIFY2(out.contains("bPerson：3 行") && out.contains("bItemProject：6 行") &&
                     out.contains("fPayout：200 行") && out.contains("fDiary：20 行"),
                 qPrintable(out));
        QVERIFY2(out.contains("PayoutAccount 合计：1612085.7500") &&
                     out.contains("IncomeAccount 合计：363630.5678"),
                 qPrintable(out));
        const QString ledgerPath = dir.filePath(Schema::DatabasePath);
        QVERIFY(ReadAll(ledgerPath).startsWith("SQLite format 3"));
        const QByteArray converted = ReadAll(ledgerPath);

        // A second run refuses and leaves the ledger as it is.
        QCOMPARE(RunProgram(dir.path(), {"--import-access", LegacyFixture::LedgerPath()}, &out, &err), 1);
        QVERIFY2(err.contains("已经存在") && err.contains(Schema::DatabasePath), qPrintable(err));
        QCOMPARE(ReadAll(ledgerPath), converted);
        QCOMPARE(Files(dir.filePath("DataBase")), QStringList{"Hearthbook.mdb"});
    }

    void commandLineFaults() {
        QTemporaryDir dir;
        WriteAll(dir.filePath("random.mdb"), QByteArray(10000, 'x'));
        QString out, err;
        QCOMPARE(RunProgram(dir.path(), {"--import-access", "random.mdb"}, &out, &err), 1);
        QVERIFY2(err.contains("random.mdb") && err.contains("不是 Access 数据库文件"), qPrintable(err));
        QCOMPARE(RunProgram(dir.path(), {"--import-access"}, &out, &err), 2);
        QVERIFY(!QFile::exists(dir.filePath(Schema::DatabasePath)));
    }

    void commandLineLocksWhereNoFolderWas() {
        // With no DataBase folder yet, the import makes it and holds the ledger's lock while it
        // converts, so that a restore at the same moment is refused. This file keeps the
        // import going for seconds, until its reader is stopped.
        QTemporaryDir dir;
        QProcess import;
        import.setWorkingDirectory(dir.path());
        import.start(PENNYVALE_PROGRAM,
                     {"--import-access", LegacyFixture::DamagedPath("catalog-loop-busy.mdb")});
        const QString lock = dir.filePath(Schema::DatabasePath + ".lock");
        bool held = false;
        while (!held && !import.waitForFinished(20) && import.state() != QProcess::NotRunning)
            held = QFile::exists(lock);
        import.waitForFinished(60000);
        QVERIFY(held);
        QCOMPARE(import.state(), QProcess::NotRunning);
        QCOMPARE(import.exitCode(), 1);
        const QString err = QString::fromUtf8(import.readAllStandardError());
        QVERIFY2(err.contains("已损坏"), qPrintable(err));
        QVERIFY(!QFileInfo::exists(dir.filePath("DataBase"))); // made for it, and empty again
    }

    void commandLineInPlace() {
        QTemporaryDir dir;
        LegacyFixture::WriteCopy(dir.filePath(Schema::DatabasePath));
        QString out, err;
        QCOMPARE(RunProgram(dir.path(), {"--import-access", Schema::DatabasePath}, &out, &err), 0);
        QVERIFY2(out.contains("Hearthbook.access.mdb"), qPrintable(out));
        QCOMPARE(ReadAll(dir.filePath("DataBase/Hearthbook.access.mdb")), LegacyFixture::Bytes());
    }

    void readOnlyFolder() {
        // As root a folder's permissions do not stop writing, so the program runs as nobody.
        QTemporaryDir dir;
        QString wrapper;
        QStringList wrapperArguments;
        if (::geteuid() == 0) {
            wrapper = QStandardPaths::findExecutable("setpriv");
            if (wrapper.isEmpty()) QSKIP("setpriv is missing");
            wrapperArguments = {"--reuid=65534", "--regid=65534", "--clear-groups"};
        }
        const QString folder = dir.filePath("DataBase");
        LegacyFixture::WriteCopy(dir.filePath(Schema::DatabasePath));
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                              QFileDevice::ExeOther);
        QFile::setPermissions(dir.filePath(Schema::DatabasePath),
                              QFileDevice::ReadOwner | QFileDevice::ReadOther);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                          QFileDevice::ReadOther | QFileDevice::ExeOther);
        // A copy of the program in the test's folder, which any user can reach.
        const QString program = dir.filePath("pennyvale");
        QVERIFY(QFile::copy(PENNYVALE_PROGRAM, program));
        QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                           QFileDevice::ReadOther | QFileDevice::ExeOther);
        QString out, err;
        const int code = RunProgram(dir.path(), {"--import-access", Schema::DatabasePath}, &out,
                                    &err, wrapper, wrapperArguments, program);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
        QCOMPARE(code, 1);
        QVERIFY2(err.contains("无法在文件夹") && err.contains("DataBase"), qPrintable(err));
        QCOMPARE(Files(folder), QStringList{"Hearthbook.mdb"});
        QCOMPARE(ReadAll(dir.filePath(Schema::DatabasePath)), LegacyFixture::Bytes());
    }
    void realProgramAnswered_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("converted");
        QTest::newRow("Cancel (Escape)") << "Escape" << false;
        QTest::newRow("OK (Enter)") << "Return" << true;
    }

    void realProgramAnswered() {
        // The real program on a virtual screen, its question box answered with a key as a
        // user would.
        QFETCH(QString, key);
        QFETCH(bool, converted);
        if (QStandardPaths::findExecutable("Xvfb").isEmpty() ||
            QStandardPaths::findExecutable("xdotool").isEmpty())
            QSKIP("Xvfb and xdotool are missing (scripts/setup installs them)");
        QTemporaryDir dir;
        LegacyFixture::WriteCopy(dir.filePath(Schema::DatabasePath));
        // Starts the program, waits for its box, presses the key; a program still running once
        // the conversion is done has started normally and is ended (exit 10).
        WriteAll(dir.filePath("answer.sh"), R"(
"$PROGRAM" & pid=$!
timeout 30 xdotool search --sync --name "系统提示" >/dev/null || { kill $pid; exit 3; }
sleep 0.5
xdotool key "$KEY"
for i in $(seq 1 150); do
  kill -0 $pid 2>/dev/null || break
  [ -e DataBase/Hearthbook.access.mdb ] && sleep 1 && break
  sleep 0.1
done
if kill -0 $pid 2>/dev/null; then kill $pid; wait $pid; exit 10; fi
wait $pid
)");
        QProcess process;
        process.setWorkingDirectory(dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("QT_QPA_PLATFORM");
        environment.insert("PROGRAM", PENNYVALE_PROGRAM);
        environment.insert("KEY", key);
        process.setProcessEnvironment(environment);
        process.start("bash", {PENNYVALE_VIRTUAL_SCREEN, "bash", dir.filePath("answer.sh")});
        QVERIFY(process.waitForFinished(90000));
        const QStringList files = Files(dir.filePath("DataBase"));
        if (converted) {
            QCOMPARE(process.exitCode(), 10);
            QCOMPARE(files, QStringList({"Hearthbook.access.mdb", "Hearthbook.mdb"}));
            QCOMPARE(ReadAll(dir.filePath("DataBase/Hearthbook.access.mdb")), LegacyFixture::Bytes());
            QVERIFY(ReadAll(dir.filePath(Schema::DatabasePath)).startsWith("SQLite format 3"));
        } else {
            QCOMPARE(process.exitCode(), 0);
            QCOMPARE(files, QStringList{"Hearthbook.mdb"});
            QCOMPARE(ReadAll(dir.filePath(Schema::DatabasePath)), LegacyFixture::Bytes());
        }
    }
};

QTEST_MAIN(TestLegacyStartup)
#include "tst_legacystartup.moc"
