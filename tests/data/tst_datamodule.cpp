#include "Files.h"
#include "Fixture.h"
#include "Pipe.h"

#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/query/Query.h"
#include "data/Schema.h"
#include "platform/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTest>

// Opening the ledger: read-write, never creating it, and a clear failure when it cannot be used.
class TestDataModule : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void opensTheLedgerBelowTheCurrentDirectory() {
        TTestLedger ledger;
        QVERIFY(dmMain->cnHearthbook.isOpen());
        QVERIFY(ledger.Messages.Boxes.isEmpty());
        TCommonDB::OpenSQL("select * from bPerson", *dmMain->qryCommon);
        QCOMPARE(dmMain->qryCommon->RecordCount(), 1);
    }

    void missingFolderIsReportedAndEveryStatementFails() {
        TTestLedger ledger(TTestLedger::NoDatabase);
        QCOMPARE(ledger.Messages.Boxes.size(), 1);
        QCOMPARE(ledger.Messages.Boxes[0].Kind, TMessageKind::Error);
        QVERIFY(ledger.Messages.LastText().contains("Hearthbook.mdb"));
        QVERIFY(!dmMain->cnHearthbook.isOpen());
        QVERIFY(!QDir("DataBase").exists());
        QVERIFY_THROWS_EXCEPTION(EDatabaseError,
                                 TCommonDB::OpenSQL("select * from bPerson", *dmMain->qryCommon));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, TCommonDB::GetMaxID("fPayout", "PayoutID"));
        QVERIFY(!dmMain->qryCommon->Active());
        // still nothing created behind the user's back
        QVERIFY(!QFile::exists(Schema::DatabasePath));
    }

    void missingFileInAnExistingFolderIsNotCreated() {
        TTestLedger ledger(TTestLedger::NoDatabase);
        delete dmMain;
        QDir().mkpath("DataBase");
        ledger.Messages.Boxes.clear();
        dmMain = new TdmMain;
        dmMain->DataModuleCreate();
        QCOMPARE(ledger.Messages.Boxes.size(), 1);
        QVERIFY(!dmMain->cnHearthbook.isOpen());
        QVERIFY(!QFile::exists(Schema::DatabasePath));
    }

    void fileThatIsNoDatabaseIsReported() {
        TTestLedger ledger(TTestLedger::NoDatabase);
        delete dmMain;
        QDir().mkpath("DataBase");
        QFile file(Schema::DatabasePath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        file.close();
        ledger.Messages.Boxes.clear();
        dmMain = new TdmMain;
        dmMain->DataModuleCreate();
        QCOMPARE(ledger.Messages.Boxes.size(), 1);
        QVERIFY(!dmMain->cnHearthbook.isOpen());
        QVERIFY_THROWS_EXCEPTION(EDatabaseError,
                                 TCommonDB::OpenSQL("select * from bPerson", *dmMain->qryCommon));
        QCOMPARE(QFileInfo(Schema::DatabasePath).size(), 4096);
    }

    // Each kind of unusable file is reported at start with the file's name and in plain words
    // what is wrong with it; the file itself is left as it was.
    void unusableFilesAreReportedInPlainWords_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("problem");
        QTest::addColumn<QString>("words");
        QByteArray jet(2048, '\0');
        jet.replace(4, 15, "Standard Jet DB");
        QByteArray ace(2048, '\0');
        ace.replace(4, 15, "Standard ACE DB");
        QByteArray damaged = "SQLite format 3";
        damaged += '\0';
        damaged += QByteArray(4080, '\x7F');
        QTest::newRow("empty") << QByteArray() << int(TLedgerProblem::Empty) << "是空的";
        QTest::newRow("Access, Jet") << jet << int(TLedgerProblem::AccessFormat) << "Access 格式";
        QTest::newRow("Access, ACE") << ace << int(TLedgerProblem::AccessFormat) << "Access 格式";
        QTest::newRow("text file") << QByteArray("[系统]\r\n默认帐户=\"admin\"\r\n")
                                   << int(TLedgerProblem::NotALedger) << "不是本程序的账本";
        QTest::newRow("damaged database") << damaged << int(TLedgerProblem::Damaged) << "已损坏";
    }
    void unusableFilesAreReportedInPlainWords() {
        QFETCH(QByteArray, content);
        QFETCH(int, problem);
        QFETCH(QString, words);
        TTestLedger ledger(TTestLedger::NoDatabase);
        delete dmMain;
        QDir().mkpath("DataBase");
        WriteAll(Schema::DatabasePath, content);
        ledger.Messages.Boxes.clear();
        dmMain = new TdmMain;
        dmMain->DataModuleCreate();
        QCOMPARE(ledger.Messages.Boxes.size(), 1);
        const QString text = ledger.Messages.LastText();
        QVERIFY2(text.contains(QDir::current().absoluteFilePath(Schema::DatabasePath)),
                 qPrintable(text));
        QVERIFY2(text.contains(words), qPrintable(text));
        QVERIFY(!dmMain->cnHearthbook.isOpen());
        QCOMPARE(int(LedgerFile::InspectFile(Schema::DatabasePath)),
                 problem == int(TLedgerProblem::Damaged) ? int(TLedgerProblem::None) : problem);
        try {
            dmMain->Open();
            QFAIL("opened");
        } catch (const ELedgerFileError& error) {
            QCOMPARE(int(error.Problem), problem);
        }
        QCOMPARE(ReadAll(Schema::DatabasePath), content);
    }

    // A database of another program, or a ledger that lacks a table or a column, is not taken
    // for this program's ledger.
    void foreignOrIncompleteDatabases_data() {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<int>("problem");
        QTest::addColumn<QString>("words");
        QTest::newRow("another program's") << QStringList{"create table notes (id integer)"}
                                           << int(TLedgerProblem::NotALedger) << "没有本程序的数据表";
        QTest::newRow("no tables") << QStringList{} << int(TLedgerProblem::NotALedger)
                                   << "没有本程序的数据表";
        QTest::newRow("missing table")
            << QStringList{"drop table fDiary"} << int(TLedgerProblem::Damaged) << "fDiary";
        QTest::newRow("missing column")
            << QStringList{"alter table bPerson drop column RoleName"}
            << int(TLedgerProblem::Damaged) << "RoleName";
    }
    void foreignOrIncompleteDatabases() {
        QFETCH(QStringList, statements);
        QFETCH(int, problem);
        QFETCH(QString, words);
        TTestLedger ledger(TTestLedger::NoDatabase);
        delete dmMain;
        dmMain = nullptr;
        QDir().mkpath("DataBase");
        {
            const bool fresh = !statements.isEmpty() && statements[0].startsWith("create");
            if (!fresh && !statements.isEmpty()) Schema::CreateDatabase(Schema::DatabasePath);
            auto connection = QSqlDatabase::addDatabase("QSQLITE", "other");
            connection.setDatabaseName(Schema::DatabasePath);
            QVERIFY(connection.open());
            QSqlQuery query(connection);
            if (statements.isEmpty()) QVERIFY(query.exec("pragma user_version = 1"));
            for (const QString& sql : statements)
                QVERIFY2(query.exec(sql), qPrintable(sql));
            query = QSqlQuery();
            connection.close();
        }
        QSqlDatabase::removeDatabase("other");
        ledger.Messages.Boxes.clear();
        dmMain = new TdmMain;
        dmMain->DataModuleCreate();
        QCOMPARE(ledger.Messages.Boxes.size(), 1);
        QVERIFY2(ledger.Messages.LastText().contains(words), qPrintable(ledger.Messages.LastText()));
        QVERIFY2(ledger.Messages.LastText().contains("Hearthbook.mdb"),
                 qPrintable(ledger.Messages.LastText()));
        QVERIFY(!dmMain->cnHearthbook.isOpen());
        try {
            dmMain->Open();
            QFAIL("opened");
        } catch (const ELedgerFileError& error) {
            QCOMPARE(int(error.Problem), problem);
        }
    }

    void folderInPlaceOfTheFile() {
        TTestLedger ledger(TTestLedger::NoDatabase);
        delete dmMain;
        QDir().mkpath(Schema::DatabasePath);
        ledger.Messages.Boxes.clear();
        dmMain = new TdmMain;
        dmMain->DataModuleCreate();
        QCOMPARE(ledger.Messages.Boxes.size(), 1);
        QVERIFY2(ledger.Messages.LastText().contains("文件夹"), qPrintable(ledger.Messages.LastText()));
    }

    // A named pipe where the ledger or its journal should be would be read for ever: the start
    // names it at once and leaves the ledger closed.
    void pipeInPlaceOfTheFile_data() {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<bool>("ledgerGone"); // whether the advice is to put the ledger back
        QTest::newRow("the ledger") << "" << true;
        QTest::newRow("its journal") << "-journal" << false;
    }
    void pipeInPlaceOfTheFile() {
        QFETCH(QString, suffix);
        QFETCH(bool, ledgerGone);
        TTestLedger ledger;
        ledger.ReleaseServices();
        delete dmMain;
        if (suffix.isEmpty()) QVERIFY(QFile::remove(Schema::DatabasePath));
        const TPipe pipe(Schema::DatabasePath + suffix);
        ledger.Messages.Boxes.clear();
        dmMain = new TdmMain;
        dmMain->DataModuleCreate();
        QCOMPARE(ledger.Messages.Boxes.size(), 1);
        const QString text = ledger.Messages.LastText();
        QVERIFY2(text.contains(QDir::current().absoluteFilePath(pipe.Path) +
                               QStringLiteral(" 不是普通文件，而是一个命名管道")),
                 qPrintable(text));
        QCOMPARE(text.contains(QStringLiteral("把账本文件放回这里")), ledgerGone);
        QVERIFY(!dmMain->cnHearthbook.isOpen());
        QVERIFY(!pipe.Opened());
    }

    // Another program holds the ledger locked while the program starts: the message says so, and
    // opening again once the lock is gone succeeds.
    void busyLedgerIsReportedAndOpensLater() {
        TTestLedger ledger;
        delete dmMain;
        dmMain = nullptr;
        const int timeout = TdmMain::BusyTimeoutMs;
        TdmMain::BusyTimeoutMs = 50;
        {
            auto other = QSqlDatabase::addDatabase("QSQLITE", "other");
            other.setDatabaseName(Schema::DatabasePath);
            QVERIFY(other.open());
            QSqlQuery lock(other);
            QVERIFY(lock.exec("begin exclusive"));
            ledger.Messages.Boxes.clear();
            dmMain = new TdmMain;
            dmMain->DataModuleCreate();
            QCOMPARE(ledger.Messages.Boxes.size(), 1);
            QVERIFY2(ledger.Messages.LastText().contains("正被另一个程序使用"),
                     qPrintable(ledger.Messages.LastText()));
            QVERIFY2(ledger.Messages.LastText().contains("Hearthbook.mdb"),
                     qPrintable(ledger.Messages.LastText()));
            QVERIFY(!dmMain->cnHearthbook.isOpen());
            QVERIFY_THROWS_EXCEPTION(ELedgerFileError, dmMain->Open()); // still locked
            QVERIFY(lock.exec("rollback"));
            lock = QSqlQuery();
            other.close();
        }
        QSqlDatabase::removeDatabase("other");
        TdmMain::BusyTimeoutMs = timeout;
        dmMain->Open();
        QVERIFY(dmMain->cnHearthbook.isOpen());
        TCommonDB::OpenSQL("select * from bPerson", *dmMain->qryCommon);
        QCOMPARE(dmMain->qryCommon->RecordCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDataModule)
#include "tst_datamodule.moc"
