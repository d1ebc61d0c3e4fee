#include "app/start/LedgerRecovery.h"

#include "data/ledgerfile/backup/BackupName.h"
#include "data/Common.h"
#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/ledgerfile/backup/LedgerBackup.h"
#include "data/ledgerfile/LedgerCheckRun.h"
#include "data/ledgerfile/LedgerRestore.h"
#include "data/query/Query.h"
#include "data/Schema.h"
#include "platform/Exception.h"
#include "platform/MessagePresenter.h"
#include "platform/SystemError.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QThread>
#include <memory>

namespace {

// What the program does next with a damaged ledger that was not replaced, and how to restore
// it later.
QString GoingOn(bool open) {
    const QString later = QStringLiteral("退出程序后，可以在文件夹 %1 中运行 pennyvale --restore "
                                         "备份文件 来恢复账本。")
                              .arg(QDir::toNativeSeparators(QDir::currentPath()));
    return (open ? QStringLiteral("程序将继续使用这个账本，但有些账目可能无法读取或保存。")
                 : QStringLiteral("账本没有打开，程序中的账目都无法读取或保存。")) +
           later;
}

// The date of a backup copy in words.
QString DateOf(const QString& backup) {
    const auto name = TBackupName::Parse(QFileInfo(backup).fileName());
    return name ? name->DateText() : QFileInfo(backup).fileName();
}

// Puts a copy of the backup in place of the ledger and opens it; true when it is in place.
bool Restore(const QString& backup, bool wasOpen) {
    const QString ledger = Schema::LedgerFilePath();
    dmMain->qryCommon->Close();
    dmMain->cnHearthbook.close();
    QString kept;
    try {
        kept = LedgerRestore::Replace(backup, ledger, LedgerRecovery::DamagedWord,
                                      TCommonDB::GetSysDateTime());
    } catch (const Exception& error) {
        TCommon::ShowError(error.Message + GoingOn(wasOpen));
        if (wasOpen) dmMain->Open(); // the damaged ledger as it was
        return false;
    }
    dmMain->Open();
    const QString keptText =
        kept.isEmpty() ? QString() : QStringLiteral("损坏的文件保留为 %1。").arg(ShownPath(kept));
    TCommon::ShowWarning(
        QStringLiteral("已用 %1 的备份恢复了账本 %2。").arg(DateOf(backup), ShownPath(ledger)) +
        keptText + QStringLiteral("这个备份之后记的账目不在恢复的账本中，请重新录入。"));
    return true;
}

// A ledger that is gone while its backups are there was deleted or moved by mistake: a new
// empty book would hide that. The newest good backup is offered first, an empty ledger only
// after that.
void OfferForMissing() {
    const QString ledger = Schema::LedgerFilePath();
    if (!LedgerBackup::AnyCopy(ledger)) return; // a first start: the open's message says enough
    const QString folder = ShownPath(LedgerBackup::FolderOf(ledger));
    const QString missing = QStringLiteral("账本文件 %1 不见了，但文件夹 %2 中有它的备份。")
                                .arg(ShownPath(ledger), folder);
    const QString backup = LedgerRestore::NewestGoodBackup(ledger, nullptr);
    if (backup.isEmpty()) {
        TCommon::ShowError(missing + QStringLiteral("这些备份都没有通过检查，没有可用的备份。"));
    } else if (TCommon::ShowConfirm(
                   missing +
                   QStringLiteral("\n\n找到 %1 的备份 %2，检查完好。是否用这个备份恢复账本？"
                                  "这个备份之后记的账目需要重新录入。")
                       .arg(DateOf(backup), ShownPath(backup)))) {
        Restore(backup, false);
        return;
    }
    if (!TCommon::ShowConfirm(QStringLiteral("是否新建一个空账本 %1？备份保持原样，以后仍可以"
                                             "退出程序，运行 pennyvale --restore 备份文件 恢复。")
                                  .arg(ShownPath(ledger))))
        return;
    Schema::CreateDatabase(ledger);
    dmMain->Open();
}

// Names the damage, offers the newest good backup and puts it in place on yes; true when it
// was put in place. open says whether the damaged ledger is open.
bool OfferForDamaged(const QString& damage, bool open) {
    const QString ledger = Schema::LedgerFilePath();
    int rejected = 0;
    const QString backup = LedgerRestore::NewestGoodBackup(ledger, &rejected);
    const QString folder = ShownPath(LedgerBackup::FolderOf(ledger));
    if (backup.isEmpty()) {
        const QString none =
            rejected == 0
                ? QStringLiteral("文件夹 %1 中没有账本的备份。").arg(folder)
                : QStringLiteral("文件夹 %1 中的 %2 个备份都没有通过检查，没有可用的备份。")
                      .arg(folder)
                      .arg(rejected);
        TCommon::ShowError(damage + none + GoingOn(open));
        return false;
    }
    const QString question =
        damage + QStringLiteral("\n\n找到 %1 的备份 %2，检查完好。是否用这个备份恢复账本？\n"
                                "损坏的文件会改名保留在它旁边（%3-%4-日期-时间.mdb），不会删除；"
                                "这个备份之后记的账目需要重新录入。")
                     .arg(DateOf(backup), ShownPath(backup), QFileInfo(ledger).completeBaseName(),
                          LedgerRecovery::DamagedWord);
    if (!TCommon::ShowConfirm(question)) {
        TCommon::ShowWarning(
            QStringLiteral("没有恢复账本，损坏的账本文件 %1 保持原样。").arg(ShownPath(ledger)) +
            GoingOn(open));
        return false;
    }
    return Restore(backup, open);
}

// The check of the open ledger that runs while the login is up.
std::unique_ptr<TLedgerCheckRun> RunningCheck;

// Waits for the check while the event loop runs, with a note on screen; false when the program
// was asked to end meanwhile (a stop signal leaves every event loop).
bool WaitFor(const TLedgerCheckRun& check) {
    if (check.Finished()) return true;
    QEventLoop loop;
    QObject::connect(check.Thread(), &QThread::finished, &loop, &QEventLoop::quit);
    if (check.Finished()) return true; // ended before the connection was made
    QProgressDialog note(QStringLiteral("正在检查账本 %1 ……").arg(ShownPath(Schema::LedgerFilePath())),
                         QString(), 0, 0);
    note.setObjectName(QStringLiteral("LedgerCheckNote"));
    note.setWindowTitle(MessageCaption);
    note.setWindowModality(Qt::ApplicationModal);
    note.setCancelButton(nullptr); // a check cannot be left halfway
    note.setMinimumDuration(0);
    note.show();
    return loop.exec() == 0;
}

} // namespace

namespace LedgerRecovery {

void StartCheck() {
    // A server keeps its own book's health: there is no file to check or to restore.
    if (!dmMain || TLedgerLocation::Current().IsServer()) return;
    const QString ledger = Schema::LedgerFilePath();
    if (dmMain->cnHearthbook.isOpen()) {
        RunningCheck = std::make_unique<TLedgerCheckRun>(ledger);
        return;
    }
    if (dmMain->OpenProblem() == TLedgerProblem::Missing) return OfferForMissing();
    if (dmMain->OpenProblem() != TLedgerProblem::Damaged) return;
    OfferForDamaged(QStringLiteral("账本文件 %1 已损坏，无法打开。").arg(ShownPath(ledger)), false);
}

bool AwaitCheck() {
    if (!RunningCheck || !WaitFor(*RunningCheck)) return false;
    const std::unique_ptr<TLedgerCheckRun> check = std::move(RunningCheck);
    if (check->Problem() != TLedgerProblem::Damaged || !dmMain) return false;
    const QString ledger = Schema::LedgerFilePath();
    qWarning("check of %s: %s", qPrintable(ShownPath(ledger)), qPrintable(check->Reason()));
    return OfferForDamaged(
        QStringLiteral("检查发现账本文件 %1 已损坏，其中一部分账目可能已经无法读取。")
            .arg(ShownPath(ledger)),
        dmMain->cnHearthbook.isOpen());
}

void EndCheck() {
    RunningCheck.reset();
}

void BackupAtEnd() {
    // A book on a server is backed up by pennyvale --backup on a timer, not by each run that
    // used it.
    if (dmMain && !TLedgerLocation::Current().IsServer()) dmMain->BackupAtEnd();
}

} // namespace LedgerRecovery
