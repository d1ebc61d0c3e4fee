#include "Files.h"
#include "Fixture.h"

#include "app/start/LedgerRecovery.h"
#include "data/DataModule.h"
#include "data/ledgerfile/backup/LedgerBackup.h"
#include "data/ledgerfile/LedgerCheck.h"
#include "data/Schema.h"
#include "platform/MessagePresenter.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressDialog>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

const QString Kept = QStringLiteral("DataBase/Hearthbook-damaged-20261207-103000.mdb");

QStringList Files(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QString Absolute(const QString& path) {
    return QDir::current().absoluteFilePath(path);
}

// Closes the ledger, damages it, and opens it again as the program's start does.
void ReopenDamaged(TTestLedger& ledger, const std::function<void()>& damage) {
    ledger.ReleaseServices();
    delete dmMain;
    dmMain = nullptr;
    damage();
    dmMain = new TdmMain;
    dmMain->DataModuleCreate();
}

// The second page holds the first table's records.
void DamagePage2() {
    Scribble(Schema::DatabasePath, 4096, 4096);
}

// The first page holds the list of tables (after the file's 100-byte header).
void DamagePage1() {
    Scribble(Schema::DatabasePath, 100, 4096 - 100);
}

// The start's check as the program runs it: begun after the open, its outcome awaited after the
// login.
void CheckAtStart() {
    LedgerRecovery::StartCheck();
    LedgerRecovery::AwaitCheck();
}

QString Backup(TTestLedger& ledger, const QDateTime& time) {
    return LedgerBackup::Write(ledger.Connection(), Schema::DatabasePath, time);
}

} // namespace

// The check of the ledger at start-up: a damaged ledger is named, the newest good backup
// offered, and on yes put in place with the damaged file kept beside.
class TestLedgerRecovery : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void soundLedgerIsLeftAlone() {
        TTestLedger ledger;
        Backup(ledger, ledger.Now());
        CheckAtStart();
        QVERIFY(ledger.Messages.Boxes.isEmpty());
        QVERIFY(dmMain->cnHearthbook.isOpen());
        QCOMPARE(Files("DataBase"), QStringList{"Hearthbook.mdb"});
    }

    void damagedLedgerReplacedByTheNewestBackup() {
        TTestLedger ledger;
        ledger.AddPayout(1, 7, "午饭", 25, QVariant(), QDate(2026, 12, 7), "家长", "支出");
        const QString backup = Backup(ledger, ledger.Now());
        const QByteArray backupBytes = ReadAll(backup);
        ledger.AddPayout(2, 7, "晚饭", 40, QVariant(), QDate(2026, 12, 7), "家长", "支出");
        QByteArray damaged;
        ReopenDamaged(ledger, [&] {
            DamagePage2();
            damaged = ReadAll(Schema::DatabasePath);
        });
        QVERIFY(dmMain->cnHearthbook.isOpen()); // the damage lies beyond what the open reads
        damaged = ReadAll(Schema::DatabasePath);
        ledger.Messages.ConfirmAnswers = {true};

        CheckAtStart();

        QCOMPARE(ledger.Messages.Boxes.size(), 2);
        QCOMPARE(ledger.Messages.Boxes[0].Kind, TMessageKind::Confirm);
        const QString question = ledger.Messages.Boxes[0].Text;
        QVERIFY2(question.contains(Absolute(Schema::DatabasePath) + QStringLiteral(" 已损坏")),
                 qPrintable(question));
        QVERIFY2(question.contains(QStringLiteral("2026年12月7日 10:30")), qPrintable(question));
        QVERIFY2(question.contains(Absolute(backup)), qPrintable(question));
        QCOMPARE(ledger.Messages.Boxes[1].Kind, TMessageKind::Warning);
        QVERIFY2(ledger.Messages.Boxes[1].Text.contains(Absolute(Kept)),
                 qPrintable(ledger.Messages.Boxes[1].Text));

        QCOMPARE(Files("DataBase"),
                 (QStringList{"Hearthbook-damaged-20261207-103000.mdb", "Hearthbook.mdb"}));
        QCOMPARE(ReadAll(Kept), damaged);
        QCOMPARE(ReadAll(backup), backupBytes);
        QVERIFY(dmMain->cnHearthbook.isOpen());
        QCOMPARE(LedgerCheck::QuickCheck(dmMain->cnHearthbook), QString());
        QCOMPARE(ledger.Scalar("select count(*) from fPayout where PayoutID = 1").toInt(), 1);
        QCOMPARE(ledger.Scalar("select count(*) from fPayout where PayoutID = 2").toInt(), 0);
    }

    void answeredNoKeepsTheDamagedLedgerOpen() {
        TTestLedger ledger;
        Backup(ledger, ledger.Now());
        ReopenDamaged(ledger, DamagePage2);
        const QByteArray damaged = ReadAll(Schema::DatabasePath);
        ledger.Messages.ConfirmAnswers = {false};

        CheckAtStart();

        QCOMPARE(ledger.Messages.Boxes.size(), 2);
        QCOMPARE(ledger.Messages.Boxes[0].Kind, TMessageKind::Confirm);
        QCOMPARE(ledger.Messages.Boxes[1].Kind, TMessageKind::Warning);
        QVERIFY2(ledger.Messages.Boxes[1].Text.contains(QStringLiteral("没有恢复账本")),
                 qPrintable(ledger.Messages.Boxes[1].Text));
        QVERIFY(dmMain->cnHearthbook.isOpen());
        QCOMPARE(ReadAll(Schema::DatabasePath), damaged);
        QCOMPARE(Files("DataBase"), QStringList{"Hearthbook.mdb"});
    }

    void noBackupIsSaidPlainly() {
        TTestLedger ledger;
        ReopenDamaged(ledger, DamagePage2);
        const QByteArray damaged = ReadAll(Schema::DatabasePath);
        CheckAtStart();
        QCOMPARE(ledger.Messages.Boxes.size(), 1);
        QCOMPARE(ledger.Messages.Boxes[0].Kind, TMessageKind::Error);
        const QString text = ledger.Messages.Boxes[0].Text;
        QVERIFY2(text.contains(Absolute("DataBase/Backup")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("没有账本的备份")), qPrintable(text));
        QCOMPARE(ReadAll(Schema::DatabasePath), damaged);
        QVERIFY(dmMain->cnHearthbook.isOpen());
    }

    // The newest backup is damaged too: the one before it, which passes the check, is offered.
    void damagedBackupsArePassedOver() {
        TTestLedger ledger;
        const QString older = Backup(ledger, ledger.Now().addDays(-1));
        const QString newer = Backup(ledger, ledger.Now());
        Scribble(newer, 4096, 4096);
        const QByteArray newerBytes = ReadAll(newer);
        ReopenDamaged(ledger, DamagePage2);
        ledger.Messages.ConfirmAnswers = {true};

        CheckAtStart();

        QVERIFY(!ledger.Messages.Boxes.isEmpty());
        const QString question = ledger.Messages.Boxes[0].Text;
        QVERIFY2(question.contains(QStringLiteral("2026年12月6日 10:30")), qPrintable(question));
        QVERIFY2(question.contains(Absolute(older)), qPrintable(question));
        QCOMPARE(ReadAll(Schema::DatabasePath), ReadAll(older));
        QCOMPARE(ReadAll(newer), newerBytes);
        QCOMPARE(LedgerCheck::QuickCheck(dmMain->cnHearthbook), QString());
    }

    void everyBackupDamaged() {
        TTestLedger ledger;
        const QString only = Backup(ledger, ledger.Now());
        Scribble(only, 4096, 4096);
        ReopenDamaged(ledger, DamagePage2);
        CheckAtStart();
        QCOMPARE(ledger.Messages.Boxes.size(), 1);
        QCOMPARE(ledger.Messages.Boxes[0].Kind, TMessageKind::Error);
        QVERIFY2(ledger.Messages.LastText().contains(QStringLiteral("1 个备份都没有通过检查")),
                 qPrintable(ledger.Messages.LastText()));
        QCOMPARE(Files("DataBase"), QStringList{"Hearthbook.mdb"});
    }

    // The check runs while the login is up: starting it offers nothing yet. Awaited after the
    // login while it still runs, a note says what the program waits for; the offer follows.
    // Another connection's write lock holds the check at its first read until the note is up.
    void checkRunsBehindTheLoginAndIsAwaitedWithANote() {
        TTestLedger ledger;
        Backup(ledger, ledger.Now());
        ReopenDamaged(ledger, DamagePage2);
        ledger.Messages.ConfirmAnswers = {true};
        QSqlDatabase holder = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "holder");
        holder.setDatabaseName(Schema::DatabasePath);
        QVERIFY(holder.open());
        QVERIFY(QSqlQuery(holder).exec(QStringLiteral("begin exclusive")));
        const int busyTimeout = TdmMain::BusyTimeoutMs;
        TdmMain::BusyTimeoutMs = 20000; // longer than the test holds the lock

        LedgerRecovery::StartCheck();
        QVERIFY(ledger.Messages.Boxes.isEmpty());
        QString note;
        QTimer::singleShot(0, [&] {
            if (auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget()))
                note = dialog->windowTitle() + dialog->findChild<QLabel*>()->text();
            QSqlQuery(holder).exec(QStringLiteral("rollback"));
        });
        const bool replaced = LedgerRecovery::AwaitCheck();

        TdmMain::BusyTimeoutMs = busyTimeout;
        holder.close();
        holder = QSqlDatabase();
        QSqlDatabase::removeDatabase("holder");
        QCOMPARE(
            note,
            QStringLiteral("系统提示：正在检查账本 %1 ……").arg(Absolute(Schema::DatabasePath)));
        QVERIFY(replaced);
        QCOMPARE(ledger.Messages.Boxes.size(), 2);
        QCOMPARE(ledger.Messages.Boxes[0].Kind, TMessageKind::Confirm);
        QVERIFY2(ledger.Messages.Boxes[0].Text.contains(QStringLiteral("检查发现账本文件")),
                 qPrintable(ledger.Messages.Boxes[0].Text));
    }

    // Damage the open itself runs into: the open's report, then the offer; on yes the restored
    // ledger is open.
    void ledgerThatCannotOpenIsRestored() {
        TTestLedger ledger;
        const QString backup = Backup(ledger, ledger.Now());
        ReopenDamaged(ledger, DamagePage1);
        QVERIFY(!dmMain->cnHearthbook.isOpen());
        QCOMPARE(dmMain->OpenProblem(), TLedgerProblem::Damaged);
        QCOMPARE(ledger.Messages.Boxes.size(), 1); // the open's own report
        ledger.Messages.ConfirmAnswers = {true};

        CheckAtStart();

        QCOMPARE(ledger.Messages.Boxes.size(), 3);
        QCOMPARE(ledger.Messages.Boxes[1].Kind, TMessageKind::Confirm);
        QVERIFY2(ledger.Messages.Boxes[1].Text.contains(QStringLiteral("无法打开")),
                 qPrintable(ledger.Messages.Boxes[1].Text));
        QVERIFY(dmMain->cnHearthbook.isOpen());
        QCOMPARE(ReadAll(Schema::DatabasePath), ReadAll(backup));
        QVERIFY(QFileInfo::exists(Kept));
    }

    void ledgerThatCannotOpenAnsweredNo() {
        TTestLedger ledger;
        Backup(ledger, ledger.Now());
        ReopenDamaged(ledger, DamagePage1);
        const QByteArray damaged = ReadAll(Schema::DatabasePath);
        ledger.Messages.ConfirmAnswers = {false};
        CheckAtStart();
        QCOMPARE(ledger.Messages.Boxes.size(), 3);
        QVERIFY2(ledger.Messages.LastText().contains(QStringLiteral("账本没有打开")),
                 qPrintable(ledger.Messages.LastText()));
        QVERIFY(!dmMain->cnHearthbook.isOpen());
        QCOMPARE(ReadAll(Schema::DatabasePath), damaged);
        QCOMPARE(Files("DataBase"), QStringList{"Hearthbook.mdb"});
    }

    // A ledger gone while its backups are there: the newest good one is offered, and put in
    // place on yes.
    void missingLedgerWithBackupsIsRestored() {
        TTestLedger ledger;
        ledger.AddPayout(1, 7, "午饭", 25, QVariant(), QDate(2026, 12, 7), "家长", "支出");
        const QString backup = Backup(ledger, ledger.Now());
        ReopenDamaged(ledger, [] { QVERIFY(QFile::remove(Schema::DatabasePath)); });
        QCOMPARE(dmMain->OpenProblem(), TLedgerProblem::Missing);
        ledger.Messages.Boxes.clear();
        ledger.Messages.ConfirmAnswers = {true};

        CheckAtStart();

        QCOMPARE(ledger.Messages.Boxes.size(), 2);
        QCOMPARE(ledger.Messages.Boxes[0].Kind, TMessageKind::Confirm);
        const QString question = ledger.Messages.Boxes[0].Text;
        QVERIFY2(question.contains(Absolute(Schema::DatabasePath) + QStringLiteral(" 不见了")) &&
                     question.contains(Absolute(backup)),
                 qPrintable(question));
        QCOMPARE(ledger.Messages.Boxes[1].Kind, TMessageKind::Warning);
        QVERIFY2(!ledger.Messages.Boxes[1].Text.contains(QStringLiteral("保留为")),
                 qPrintable(ledger.Messages.Boxes[1].Text)); // nothing was there to keep
        QVERIFY(dmMain->cnHearthbook.isOpen());
        QCOMPARE(ledger.Scalar("select count(*) from fPayout where PayoutID = 1").toInt(), 1);
        QCOMPARE(Files("DataBase"), QStringList{"Hearthbook.mdb"});
    }

    // Answered no: an empty ledger is offered next, and the backups stay as they are.
    void missingLedgerAnsweredNoGetsAnEmptyOneOnYes() {
        TTestLedger ledger;
        ledger.AddPayout(1, 7, "午饭", 25, QVariant(), QDate(2026, 12, 7), "家长", "支出");
        const QString backup = Backup(ledger, ledger.Now());
        const QByteArray backupBytes = ReadAll(backup);
        ReopenDamaged(ledger, [] { QVERIFY(QFile::remove(Schema::DatabasePath)); });
        ledger.Messages.Boxes.clear();
        ledger.Messages.ConfirmAnswers = {false, true};

        CheckAtStart();

        QCOMPARE(ledger.Messages.Boxes.size(), 2);
        QVERIFY2(ledger.Messages.Boxes[1].Text.contains(QStringLiteral("是否新建一个空账本")),
                 qPrintable(ledger.Messages.Boxes[1].Text));
        QVERIFY(dmMain->cnHearthbook.isOpen());
        QCOMPARE(ledger.Scalar("select count(*) from fPayout").toInt(), 0);
        QCOMPARE(ReadAll(backup), backupBytes);
    }

    void missingLedgerAnsweredNoTwiceCreatesNothing() {
        TTestLedger ledger;
        Backup(ledger, ledger.Now());
        ReopenDamaged(ledger, [] { QVERIFY(QFile::remove(Schema::DatabasePath)); });
        ledger.Messages.Boxes.clear();
        ledger.Messages.ConfirmAnswers = {false, false};
        CheckAtStart();
        QCOMPARE(ledger.Messages.Boxes.size(), 2);
        QVERIFY(!dmMain->cnHearthbook.isOpen());
        QVERIFY(!QFileInfo::exists(Schema::DatabasePath));
    }

    // Only damaged copies: said plainly, then the empty ledger offered.
    void missingLedgerWithOnlyDamagedBackups() {
        TTestLedger ledger;
        const QString backup = Backup(ledger, ledger.Now());
        Scribble(backup, 4096, 4096);
        ReopenDamaged(ledger, [] { QVERIFY(QFile::remove(Schema::DatabasePath)); });
        ledger.Messages.Boxes.clear();
        ledger.Messages.ConfirmAnswers = {false};
        CheckAtStart();
        QCOMPARE(ledger.Messages.Boxes.size(), 2);
        QCOMPARE(ledger.Messages.Boxes[0].Kind, TMessageKind::Error);
        QVERIFY2(ledger.Messages.Boxes[0].Text.contains(QStringLiteral("没有可用的备份")),
                 qPrintable(ledger.Messages.Boxes[0].Text));
        QCOMPARE(ledger.Messages.Boxes[1].Kind, TMessageKind::Confirm);
        QVERIFY(!QFileInfo::exists(Schema::DatabasePath));
    }

    // The start's open says nothing of a ledger gone while its backups are there: the first
    // box is the offer of the backup, not advice to make a new ledger.
    void missingLedgerWithBackupsIsNotReportedByTheOpen() {
        TTestLedger ledger;
        Backup(ledger, ledger.Now());
        ledger.Messages.Boxes.clear();
        ReopenDamaged(ledger, [] { QVERIFY(QFile::remove(Schema::DatabasePath)); });
        QCOMPARE(dmMain->OpenProblem(), TLedgerProblem::Missing);
        QVERIFY2(ledger.Messages.Boxes.isEmpty(), qPrintable(ledger.Messages.LastText()));
        ledger.Messages.ConfirmAnswers = {false, false};
        CheckAtStart();
        QCOMPARE(ledger.Messages.Boxes.size(), 2);
        QCOMPARE(ledger.Messages.Boxes[0].Kind, TMessageKind::Confirm);
        QVERIFY2(ledger.Messages.Boxes[0].Text.contains(QStringLiteral("不见了")),
                 qPrintable(ledger.Messages.Boxes[0].Text));
    }

    // Without any backup the open names the missing ledger, as before.
    void missingLedgerWithoutBackupsIsReportedByTheOpen() {
        TTestLedger ledger;
        ledger.Messages.Boxes.clear();
        ReopenDamaged(ledger, [] { QVERIFY(QFile::remove(Schema::DatabasePath)); });
        QCOMPARE(ledger.Messages.Boxes.size(), 1);
        QVERIFY2(ledger.Messages.LastText().contains(QStringLiteral("找不到账本文件")),
                 qPrintable(ledger.Messages.LastText()));
    }

    // A ledger missing without any backup (a first start, a wrong folder) is the open's
    // business alone.
    void missingLedgerIsNotOffered() {
        TTestLedger ledger(TTestLedger::NoDatabase);
        ledger.Messages.Boxes.clear();
        CheckAtStart();
        QVERIFY(ledger.Messages.Boxes.isEmpty());
    }
};

QTEST_MAIN(TestLedgerRecovery)
#include "tst_ledgerrecovery.moc"
