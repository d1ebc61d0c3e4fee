#include "PgServer.h"
#include "ScriptedPresenter.h"

#include "app/start/ServerStart.h"
#include "data/DataModule.h"
#include "data/Schema.h"
#include "data/engine/ServerConnection.h"

#include <QTemporaryDir>
#include <QTest>
#include <optional>

Q_DECLARE_METATYPE(ServerStart::TOutcome)

// The window's start on a server book: a password asked for once when the server wants one
// that was not given, and on any fault the ledger file offered or the run ended.
class TestServerStart : public QObject {
    Q_OBJECT

    TLedgerLocation FBook;      // a book that only anna may open, with her password
    QStringList FPrompts;       // the password prompts shown
    QList<std::optional<QString>> FAnswers; // what the user types, in order

private Q_SLOTS:
    void initTestCase() {
        qunsetenv("PGPASSWORD");
        qputenv("PGPASSFILE", "/nonexistent/pgpass");
        TPgServer& server = TPgServer::Shared();
        QVERIFY(server.AddPasswordRole("anna", "right-password"));
        const TLedgerLocation admin = server.NewDatabase("annasbook");
        QVERIFY(server.Admin("alter database annasbook owner to anna"));
        Schema::CreateServerBook(admin);
        FBook = TLedgerLocation::Parse(
            QString("postgresql://anna@/annasbook?host=%1").arg(server.SocketFolder()));
        ServerStart::AskPassword = [this](const QString& prompt) {
            FPrompts << prompt;
            return FAnswers.isEmpty() ? std::nullopt : FAnswers.takeFirst();
        };
    }

    void init() {
        FPrompts.clear();
        FAnswers.clear();
    }

    void cleanup() {
        delete dmMain;
        dmMain = nullptr;
    }

    void faults_data() {
        QTest::addColumn<QString>("uri");                   // empty: the book of anna
        QTest::addColumn<QList<std::optional<QString>>>("typed"); // the passwords typed
        QTest::addColumn<bool>("useFile");                  // the answer to the offer
        QTest::addColumn<ServerStart::TOutcome>("outcome");
        QTest::addColumn<int>("prompts");
        QTest::addColumn<TServerFault>("fault");            // of the message shown; None: none
        using Typed = QList<std::optional<QString>>;
        QTest::newRow("password typed") << "" << Typed{QString("right-password")} << false
                                        << ServerStart::TOutcome::Open << 1 << TServerFault::None;
        QTest::newRow("wrong password typed, no file")
            << "" << Typed{QString("wrong"), QString("right-password")} << false
            << ServerStart::TOutcome::End << 1 << TServerFault::WrongPassword;
        QTest::newRow("prompt cancelled, the file")
            << "" << Typed{std::nullopt} << true << ServerStart::TOutcome::UseFile << 1
            << TServerFault::NoPassword;
        QTest::newRow("no server, the file")
            << "postgresql:///annasbook?host=/nonexistent&user=anna" << Typed{} << true
            << ServerStart::TOutcome::UseFile << 0 << TServerFault::Refused;
    }
    void faults() {
        QFETCH(QString, uri);
        QFETCH(QList<std::optional<QString>>, typed);
        QFETCH(bool, useFile);
        QFETCH(ServerStart::TOutcome, outcome);
        QFETCH(int, prompts);
        QFETCH(TServerFault, fault);
        const TLedgerLocation location = uri.isEmpty() ? FBook : TLedgerLocation::Parse(uri);
        TLedgerLocation::SetCurrent(location);
        FAnswers = typed;
        TScriptedPresenter messages;
        messages.DefaultAnswer = useFile;
        dmMain = new TdmMain;
        QCOMPARE(ServerStart::Open(), outcome);
        QCOMPARE(FPrompts.size(), prompts);
        if (prompts > 0)
            QCOMPARE(FPrompts[0], "账本服务器 " + location.Shown() + " 要求输入密码：");
        QCOMPARE(dmMain->cnHearthbook.isOpen(), outcome == ServerStart::TOutcome::Open);
        if (fault == TServerFault::None) {
            QCOMPARE(messages.Boxes.size(), 0);
        } else {
            // The window's words: no advice about ~/.pgpass for a password just typed.
            QCOMPARE(messages.Texts(),
                     QStringList{ServerConnection::FaultText(fault, location, {},
                                                             ServerConnection::TAdvice::Window) +
                                 "\n\n" + ServerStart::UseFileQuestion});
        }
        // The typed password is the run's alone: never in what is shown.
        QVERIFY(!messages.Texts().join("").contains("right-password"));
        TLedgerLocation::SetCurrent(TLedgerLocation::File(TLedgerLocation::DefaultFile));
    }
};

QTEST_MAIN(TestServerStart)
#include "tst_serverstart.moc"
