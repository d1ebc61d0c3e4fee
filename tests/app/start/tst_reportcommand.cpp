#include "Fixture.h"
#include "ProgramRun.h"
#include "PdfFile.h"
#include "app/start/ReportCommand.h"
#include "output/StatementPrint.h"
#include "platform/SystemError.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <cerrno>

// pennyvale --report FILE.pdf --account ACCOUNT --year YYYY, run as the user runs it on a ledger
// of known records: what the PDF says, and the ways the command refuses.
namespace {

// The command as run from a console; with limitKiB, as a full disk stops it.
TProgramRun Run(const QString& folder, const QStringList& arguments, int limitKiB = 0) {
    return RunProgram(folder, arguments, {.FileSizeLimit = limitKiB * 1024, .NoScreen = true});
}

const QString Member = QStringLiteral("家长");
const QString Income = QStringLiteral("收入");
const QString Payout = QStringLiteral("支出");

// 2026: 工资 16,000.00 in two months, 餐饮 1,300.00, 交通 12.34 on New Year's Day; records the
// year's statement leaves out on the days around it and of another member.
void AddKnownYear(TTestLedger& ledger) {
    ledger.AddPerson(2, QStringLiteral("李四"), QStringLiteral("lisi"), QStringLiteral("1"));
    ledger.AddPayout(1, 1, QStringLiteral("三月工资"), {}, 8000, QDate(2026, 3, 15), Member,
                     Income);
    ledger.AddPayout(2, 1, QStringLiteral("四月工资"), {}, 8000, QDate(2026, 4, 15), Member,
                     Income);
    ledger.AddPayout(3, 7, QStringLiteral("请客"), 1234.5, {}, QDate(2026, 3, 2), Member, Payout);
    ledger.AddPayout(4, 7, QStringLiteral("年夜饭"), 65.5, {}, QDate(2026, 12, 31), Member, Payout);
    ledger.AddPayout(5, 8, QStringLiteral("地铁"), 12.34, {}, QDate(2026, 1, 1), Member, Payout);
    ledger.AddPayout(6, 7, QStringLiteral("去年的饭"), 999, {}, QDate(2025, 12, 31), Member,
                     Payout);
    ledger.AddPayout(7, 7, QStringLiteral("明年的饭"), 777, {}, QDate(2027, 1, 1), Member, Payout);
    ledger.AddPayout(8, 7, QStringLiteral("别人的饭"), 555, {}, QDate(2026, 6, 1),
                     QStringLiteral("李四"), Payout);
}

} // namespace

class TestReportCommand : public QObject {
    Q_OBJECT

private slots:
    // The member, the period, each category's total and the balance, as the program shows
    // amounts; the chart's page first, then the statement.
    void yearStatementHoldsTheTotals() {
        TTestLedger ledger;
        AddKnownYear(ledger);
        const TProgramRun run =
            Run(ledger.Folder(), {"--report", "year.pdf", "--account", "ADMIN", "--year", "2026"});
        QCOMPARE(run.ExitCode, 0);
        const QString file = QDir(ledger.Folder()).filePath("year.pdf");
        QVERIFY(QFileInfo(file).permissions() & QFile::ReadOther); // a document to pass on
        const int pages = PdfFile::Pages(file);
        QVERIFY2(run.Out.contains(QStringLiteral("共 %1 页").arg(pages)), qPrintable(run.Out));
        const QString text = PdfFile::Text(file);
        for (const QString& expected :
             {Member, QStringLiteral("2026-01-01 至 2026-12-31"), QStringLiteral("工资"),
              QStringLiteral("￥16,000.00"), QStringLiteral("餐饮"), QStringLiteral("-￥1,300.00"),
              QStringLiteral("交通"), QStringLiteral("-￥12.34"), QStringLiteral("结余"),
              QStringLiteral("￥14,687.66"), QStringLiteral("年夜饭"), QStringLiteral("地铁"),
              StatementPrint::PageNumberText(pages, pages)})
            QVERIFY2(text.contains(expected), qPrintable(expected + "\n" + text));
        for (const QString& other :
             {QStringLiteral("去年的饭"), QStringLiteral("明年的饭"), QStringLiteral("别人的饭")})
            QVERIFY2(!text.contains(other), qPrintable(other));
        // the chart has a page of its own, before the statement's title
        const QString first = text.section(u'\f', 0, 0);
        QVERIFY(first.contains(QStringLiteral("收入")) && first.contains(QStringLiteral("3月")));
        QVERIFY(!first.contains(QStringLiteral("分类合计")));
    }

    void pagesGrowWithTheDetails() {
        TTestLedger ledger;
        AddKnownYear(ledger);
        QCOMPARE(Run(ledger.Folder(), {"--report", "a.pdf", "--account", "admin", "--year", "2026"})
                     .ExitCode,
                 0);
        for (int id = 100; id < 400; ++id)
            ledger.AddPayout(id, 8, QStringLiteral("公交"), 2, {}, QDate(2026, 5, 1 + id % 28),
                             Member, Payout);
        QCOMPARE(Run(ledger.Folder(), {"--report", "b.pdf", "--account", "admin", "--year", "2026"})
                     .ExitCode,
                 0);
        const int before = PdfFile::Pages(QDir(ledger.Folder()).filePath("a.pdf"));
        const int after = PdfFile::Pages(QDir(ledger.Folder()).filePath("b.pdf"));
        QVERIFY2(before >= 2 && after >= before + 4,
                 qPrintable(QString("%1 %2").arg(before).arg(after)));
    }

    void yearWithoutRecordsSaysSo() {
        TTestLedger ledger;
        AddKnownYear(ledger);
        const TProgramRun run =
            Run(ledger.Folder(), {"--report", "empty.pdf", "--account", "admin", "--year", "2020"});
        QCOMPARE(run.ExitCode, 0);
        const QString file = QDir(ledger.Folder()).filePath("empty.pdf");
        QCOMPARE(PdfFile::Pages(file), 1);
        const QString text = PdfFile::Text(file);
        QVERIFY2(text.contains(QStringLiteral("家长 在 2020 年没有收支记录。")), qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("分类合计")));
    }

    void wrongArgumentsShowTheUsage_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no year") << QStringList{"--report", "a.pdf", "--account", "admin"};
        QTest::newRow("year not a number")
            << QStringList{"--report", "a.pdf", "--account", "admin", "--year", "今年"};
        QTest::newRow("account misspelt")
            << QStringList{"--report", "a.pdf", "--acount", "admin", "--year", "2026"};
        QTest::newRow("no file") << QStringList{"--report", "--account", "admin", "--year", "2026"};
    }
    void wrongArgumentsShowTheUsage() {
        QFETCH(QStringList, arguments);
        QTemporaryDir dir;
        const TProgramRun run = Run(dir.path(), arguments);
        QCOMPARE(run.ExitCode, 2);
        QCOMPARE(run.Err, ReportCommand::UsageText);
    }

    // Each failure says why and leaves no file, whole or partial.
    void failuresLeaveNoFile_data() {
        QTest::addColumn<bool>("ledger");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("message");
        QTest::newRow("no ledger") << false << "a.pdf"
                                   << "admin"
                                   << "找不到账本文件";
        QTest::newRow("unknown account") << true << "a.pdf"
                                         << "nobody"
                                         << "账本中没有登录帐号为“nobody”的成员，没有生成报表。";
        QTest::newRow("folder missing") << true << "missing/a.pdf"
                                        << "admin"
                                        << "无法写入报表文件";
    }
    void failuresLeaveNoFile() {
        QFETCH(bool, ledger);
        QFETCH(QString, target);
        QFETCH(QString, account);
        QFETCH(QString, message);
        TTestLedger fixture(ledger ? TTestLedger::WithInitialContent : TTestLedger::NoDatabase);
        if (ledger) AddKnownYear(fixture);
        const QStringList before = QDir(fixture.Folder()).entryList(QDir::Files | QDir::Hidden);
        const TProgramRun run =
            Run(fixture.Folder(), {"--report", target, "--account", account, "--year", "2026"});
        QCOMPARE(run.ExitCode, 1);
        QVERIFY2(run.Err.startsWith(message), qPrintable(run.Err));
        QCOMPARE(QDir(fixture.Folder()).entryList(QDir::Files | QDir::Hidden), before);
    }

    // A write the disk refuses part way fails the command and leaves the report that was there.
    void fullDiskKeepsTheOldReport_data() {
        QTest::addColumn<bool>("existing");
        QTest::newRow("new report") << false;
        QTest::newRow("report there before") << true;
    }
    void fullDiskKeepsTheOldReport() {
        QFETCH(bool, existing);
        TTestLedger ledger;
        AddKnownYear(ledger);
        const QStringList arguments{"--report", "year.pdf", "--account", "admin", "--year", "2026"};
        // the report as written without a limit, larger than the limit below (this first run also
        // makes the writes a run makes in a ledger the fixture wrote, which the limit would stop)
        QCOMPARE(Run(ledger.Folder(), arguments).ExitCode, 0);
        const QString file = QDir(ledger.Folder()).filePath("year.pdf");
        constexpr int LimitKiB = 16;
        QVERIFY(QFileInfo(file).size() > LimitKiB * 1024);
        QByteArray old;
        {
            QFile report(file);
            QVERIFY(existing ? report.open(QIODevice::ReadOnly) : report.remove());
            old = report.readAll();
        }
        const QStringList before = QDir(ledger.Folder()).entryList(QDir::Files | QDir::Hidden);
        const TProgramRun run = Run(ledger.Folder(), arguments, LimitKiB);
        QCOMPARE(run.ExitCode, 1);
        QCOMPARE(run.Err, QStringLiteral("无法写入报表文件 %1：%2")
                              .arg(QDir::toNativeSeparators(file), SystemErrorWords(EFBIG)));
        QCOMPARE(QDir(ledger.Folder()).entryList(QDir::Files | QDir::Hidden), before);
        if (existing) {
            QFile report(file);
            QVERIFY(report.open(QIODevice::ReadOnly));
            QCOMPARE(report.readAll(), old);
        }
    }
};

QTEST_GUILESS_MAIN(TestReportCommand)
#include "tst_reportcommand.moc"
