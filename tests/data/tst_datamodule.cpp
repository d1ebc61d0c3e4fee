#include "Fixture.h"

#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/Query.h"
#include "data/Schema.h"
#include "platform/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
};

QTEST_GUILESS_MAIN(TestDataModule)
#include "tst_datamodule.moc"
