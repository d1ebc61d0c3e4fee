#include "ErrorOf.h"
#include "Fixture.h"
#include "PgServer.h"

#include "data/NewKeys.h"
#include "data/engine/LedgerLocation.h"
#include "data/query/Query.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTest>
#include <memory>

// Several programs on one book on a server: keys, edits, a killed program, a lost connection.
// The programs are ledger savers (tests/support/saver) saving through the entry form's kind of
// query and key rule; each says "ready" and waits for a line, so they start saving together.
class TestConcurrency : public QObject {
    Q_OBJECT

    QString FSaver;
    std::unique_ptr<TTestLedger> FLedger;

    // The fixture's book, as --ledger names it.
    static QString Book() {
        const TLedgerLocation& book = TLedgerLocation::Current();
        return QStringLiteral("postgresql:///%1?host=%2&user=%3")
            .arg(book.Database(), book.Host(), book.User());
    }

    // The saver's next line of output; empty when it ended or said nothing for a minute.
    static QString NextLine(QProcess& saver) {
        while (!saver.canReadLine())
            if (!saver.waitForReadyRead(60000)) return saver.canReadLine() ? NextLine(saver) : QString();
        return QString::fromUtf8(saver.readLine()).trimmed();
    }

    std::unique_ptr<QProcess> Start(const QStringList& arguments) {
        auto saver = std::make_unique<QProcess>();
        saver->start(FSaver, QStringList{QStringLiteral("--ledger"), Book()} + arguments);
        return saver;
    }

    static void Go(QProcess& saver) {
        saver.write("go\n");
        saver.waitForBytesWritten(10000);
    }

    int Count(const QString& where, const QVariantList& values = {}) {
        return FLedger->Scalar(QStringLiteral("select count(*) from fPayout where ") + where, values)
            .toInt();
    }

private slots:
    void initTestCase() {
        FSaver = QCoreApplication::applicationDirPath() + QStringLiteral("/ledgersaver");
        QVERIFY2(QFileInfo(FSaver).isExecutable(), qPrintable(FSaver));
        qputenv("PENNYVALE_TEST_ENGINE", "server"); // the fixture's books on the test server
    }
    void init() { FLedger = std::make_unique<TTestLedger>(); }
    void cleanup() { FLedger.reset(); }

    // Two programs add 1,000 records each at the same time: every save gets a key of its own.
    // One killed in the middle: the other goes on, and the book holds whole records only,
    // exactly those each reported saved (the killed one's last, maybe, done before it said so).
    void twoSaversAtOnce_data() {
        QTest::addColumn<int>("killAfter"); // kill saver A once it reported this many; -1 never
        QTest::newRow("both save 1,000") << -1;
        QTest::newRow("one killed mid-save") << 300;
    }

    void twoSaversAtOnce() {
        QFETCH(int, killAfter);
        const QStringList tags{QStringLiteral("甲"), QStringLiteral("乙")};
        std::vector<std::unique_ptr<QProcess>> savers;
        for (const QString& tag : tags)
            savers.push_back(Start({QStringLiteral("add"), tag, QStringLiteral("1000")}));
        for (auto& saver : savers)
            QVERIFY2(NextLine(*saver) == QStringLiteral("ready"), saver->readAllStandardError());
        for (auto& saver : savers)
            Go(*saver);

        QList<QStringList> reported(2);
        if (killAfter >= 0) {
            while (reported[0].size() < killAfter) {
                const QString line = NextLine(*savers[0]);
                QVERIFY2(!line.isEmpty(), savers[0]->readAllStandardError());
                reported[0] << line;
            }
            savers[0]->kill();
        }
        for (int s = 0; s < 2; ++s) {
            QProcess& saver = *savers[size_t(s)];
            QVERIFY(saver.waitForFinished(120000));
            const QString rest = QString::fromUtf8(saver.readAllStandardOutput());
            reported[s] += rest.split(u'\n', Qt::SkipEmptyParts);
            if (s == 0 && killAfter >= 0) {
                QCOMPARE(saver.exitStatus(), QProcess::CrashExit);
            } else {
                QVERIFY2(saver.exitStatus() == QProcess::NormalExit && saver.exitCode() == 0,
                         saver.readAllStandardError());
                QCOMPARE(reported[s].size(), 1000);
            }
        }

        // Each reported save is there, whole, under the key it reported; keys are distinct.
        QSet<qint64> keys;
        for (int s = 0; s < 2; ++s) {
            for (int n = 0; n < reported[s].size(); ++n) {
                const QStringList parts = reported[s][n].split(u' ');
                QCOMPARE(parts.value(0), QString::number(n));
                const qint64 key = parts.value(1).toLongLong();
                keys.insert(key);
                QCOMPARE(Count(QStringLiteral("PayoutID = ? and Payout = ? and PersonName = ?"),
                               {key, QStringLiteral("%1-%2").arg(tags[s]).arg(n), tags[s]}),
                         1);
            }
            const int held = Count(QStringLiteral("PersonName = ?"), {tags[s]});
            QVERIFY2(held == reported[s].size() || (s == 0 && killAfter >= 0 &&
                                                    held == reported[s].size() + 1),
                     qPrintable(QStringLiteral("%1 records of %2, %3 reported")
                                    .arg(held)
                                    .arg(tags[s])
                                    .arg(reported[s].size())));
        }
        QCOMPARE(keys.size(), reported[0].size() + reported[1].size());
        QCOMPARE(Count(QStringLiteral("Payout is null or ItemProjectID is null or ItemType is null "
                                      "or UseDate is null or PayoutAccount is null or Memos is "
                                      "null or MonthNum is null or YearNum is null or "
                                      "QuarterNum is null")),
                 0);
    }

    // Two programs show the same record and both save a change: the first is saved, the second
    // is told and writes nothing. The record's fractional amount and day number compare equal
    // to what was read, so the first is never refused for them.
    void twoEditsOfOneRecord() {
        FLedger->Exec(QStringLiteral(
            "insert into fPayout (PayoutID, ItemProjectID, Payout, PayoutAccount, UseDate, "
            "PersonName, ItemType, MonthNum, YearNum, QuarterNum) values "
            "(5, 7, '午饭', 12.3456, 46357.75, '家长', '支出', 12, 2026, 4)"));
        auto first = Start({QStringLiteral("edit"), QStringLiteral("5"), QStringLiteral("甲改的")});
        auto second = Start({QStringLiteral("edit"), QStringLiteral("5"), QStringLiteral("乙改的")});
        QVERIFY2(NextLine(*first) == QStringLiteral("ready"), first->readAllStandardError());
        QVERIFY2(NextLine(*second) == QStringLiteral("ready"), second->readAllStandardError());
        Go(*first);
        QVERIFY(first->waitForFinished(60000));
        QVERIFY2(first->exitCode() == 0, first->readAllStandardError());
        QCOMPARE(NextLine(*first), QStringLiteral("saved"));
        Go(*second);
        QVERIFY(second->waitForFinished(60000));
        QCOMPARE(NextLine(*second), QStringLiteral("changed"));
        QCOMPARE(second->exitCode(), 4);
        QCOMPARE(FLedger->Scalar(QStringLiteral("select Payout from fPayout where PayoutID = 5")).toString(),
                 QStringLiteral("甲改的"));
        QCOMPARE(Count(QStringLiteral("PayoutAccount = 88.5")), 1);
    }

    // The server ends the connection between two saves: the save says so and writes nothing,
    // the query keeps the input, and the next save reconnects and writes it.
    void aLostConnectionFailsTheSaveAndTheNextReconnects() {
        TQuery query(FLedger->Connection());
        query.SQL = QStringList{QStringLiteral("select * from fPayout order by PayoutID")};
        query.SetNewKeyRule(NewKeys::Payout());
        query.Open();
        const auto add = [&](const QString& text) {
            query.Append();
            query.FieldByName(QStringLiteral("Payout")).SetAsString(text);
            query.FieldByName(QStringLiteral("PayoutAccount")).SetAsFloat(9.5);
        };
        add(QStringLiteral("第一笔"));
        query.Post();
        QVERIFY(TPgServer::Shared().Admin(
            QStringLiteral("select pg_terminate_backend(pid) from pg_stat_activity where "
                           "datname = '%1'")
                .arg(TLedgerLocation::Current().Database())));
        add(QStringLiteral("第二笔"));
        const QString error = ErrorOf([&] { query.Post(); });
        QVERIFY2(error.startsWith(QStringLiteral("与账本服务器的连接断开了，这次保存没有完成，"
                                                 "账本中没有写入任何内容。下一次操作时程序会重新连接。")),
                 qPrintable(error));
        QCOMPARE(query.State(), TDataSetState::Insert);
        QVERIFY(query.FieldByName(QStringLiteral("PayoutID")).IsNull()); // no key kept
        query.Post();
        QCOMPARE(query.FieldByName(QStringLiteral("PayoutID")).AsInteger(), qint64(2));
        QCOMPARE(Count(QStringLiteral("true")), 2);
        QCOMPARE(Count(QStringLiteral("PayoutID = 2 and Payout = '第二笔'")), 1);
    }
};

QTEST_GUILESS_MAIN(TestConcurrency)
#include "tst_concurrency.moc"
