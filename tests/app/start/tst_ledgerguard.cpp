#include "ScriptedPresenter.h"

#include "app/start/LedgerGuard.h"
#include "data/DataModule.h"
#include "data/ledgerfile/LedgerLock.h"
#include "data/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// The start's hold on the ledger: refused with a box when another program has it, held for the
// run, and taken at a later open when the ledger was missing at the start.
class TestLedgerGuard : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> FDir;
    QString FPreviousDir;

    static qint64 HolderPid() {
        QLockFile reader(TLedgerLock::LockPathOf(Schema::DatabasePath));
        qint64 pid = 0;
        return reader.getLockInfo(&pid, nullptr, nullptr) ? pid : 0;
    }

private Q_SLOTS:
    void init() {
        FPreviousDir = QDir::currentPath();
        FDir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(FDir->path()));
    }

    void cleanup() {
        QDir::setCurrent(FPreviousDir);
        FDir.reset();
    }

    void aLedgerHeldElsewhereEndsTheStartWithABox() {
        Schema::CreateDatabase(Schema::DatabasePath);
        TLedgerLock other(Schema::DatabasePath);
        QVERIFY(other.TryLock());
        TScriptedPresenter messages;
        TLedgerGuard guard(Schema::DatabasePath);
        QVERIFY(!guard.Start());
        QCOMPARE(messages.Boxes.size(), 1);
        QCOMPARE(messages.Boxes[0].Kind, TMessageKind::Error);
        QCOMPARE(messages.Boxes[0].Text, guard.Lock().RefusalText());
        QVERIFY2(messages.Boxes[0].Text.contains(QStringLiteral("已经打开")),
                 qPrintable(messages.Boxes[0].Text));
        QVERIFY(!TdmMain::BeforeOpen);
        QCOMPARE(HolderPid(), QCoreApplication::applicationPid()); // still the other's lock
        QVERIFY(other.IsLocked());
    }

    void theLedgerIsHeldUntilTheGuardGoes() {
        Schema::CreateDatabase(Schema::DatabasePath);
        TScriptedPresenter messages;
        {
            TLedgerGuard guard(Schema::DatabasePath);
            QVERIFY(guard.Start());
            QVERIFY(messages.Boxes.isEmpty());
            QVERIFY(guard.Lock().IsLocked());
            TLedgerLock second(Schema::DatabasePath);
            QVERIFY(!second.TryLock());
            TdmMain dataModule;
            dataModule.Open();
            QVERIFY(dataModule.cnHearthbook.isOpen());
        }
        QVERIFY(!QFileInfo::exists(TLedgerLock::LockPathOf(Schema::DatabasePath)));
        QVERIFY(!TdmMain::BeforeOpen);
    }

    // No ledger folder at the start: the start goes on and the open names the missing ledger;
    // once the ledger is there, the next open (the login's) locks it before using it.
    void aLedgerMissingAtTheStartIsLockedWhenOpenedLater() {
        TScriptedPresenter messages;
        TLedgerGuard guard(Schema::DatabasePath);
        QVERIFY(guard.Start());
        QVERIFY(!guard.Lock().IsLocked());
        TdmMain dataModule;
        dataModule.DataModuleCreate();
        QCOMPARE(messages.Boxes.size(), 1);
        QVERIFY2(messages.LastText().contains(QStringLiteral("找不到账本文件")),
                 qPrintable(messages.LastText()));
        QVERIFY2(!messages.LastText().contains(QStringLiteral("锁")),
                 qPrintable(messages.LastText()));

        Schema::CreateDatabase(Schema::DatabasePath);
        dataModule.Open();
        QVERIFY(dataModule.cnHearthbook.isOpen());
        QVERIFY(guard.Lock().IsLocked());
        QCOMPARE(HolderPid(), QCoreApplication::applicationPid());
    }

    // Another program started on the ledger in between: the later open is refused with the
    // same words as a start, and the connection stays closed.
    void aLaterOpenIsRefusedWhenAnotherProgramGotThereFirst() {
        TScriptedPresenter messages;
        TLedgerGuard guard(Schema::DatabasePath);
        QVERIFY(guard.Start());
        Schema::CreateDatabase(Schema::DatabasePath);
        TLedgerLock other(Schema::DatabasePath);
        QVERIFY(other.TryLock());
        TdmMain dataModule;
        try {
            dataModule.Open();
            QFAIL("the open went ahead");
        } catch (const ELedgerFileError& error) {
            QCOMPARE(error.Problem, TLedgerProblem::Busy);
            QCOMPARE(error.Message, guard.Lock().RefusalText());
        }
        QVERIFY(!dataModule.cnHearthbook.isOpen());
        QVERIFY(!guard.Lock().IsLocked());
    }
};

QTEST_GUILESS_MAIN(TestLedgerGuard)
#include "tst_ledgerguard.moc"
