#include "app/start/CopyLedgerCommand.h"

#include "app/start/MemberLedger.h"
#include "data/BookCopy.h"
#include "data/DataModule.h"
#include "data/Schema.h"
#include "data/engine/OwnConnection.h"
#include "data/engine/ServerConnection.h"
#include "data/engine/LedgerLocation.h"
#include "data/ledgerfile/LedgerLock.h"
#include "platform/Exception.h"
#include "platform/PartialFile.h"
#include "platform/SystemError.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <memory>

namespace CopyLedgerCommand {

namespace {

const QString NothingCopied = QStringLiteral("没有复制账本。");

void Progress(qint64 rows) {
    MemberLedger::Print(stdout, QStringLiteral("已复制 %1 行……").arg(rows));
}

// The copy's rows and their check, inside the target's transaction; throws when the copy
// differs from its source.
QList<qint64> CopyChecked(QSqlDatabase& source, const QList<BookCopy::TFigures>& sourceFigures,
                          QSqlDatabase& target) {
    Schema::CreateTables(target);
    const QList<qint64> counts = BookCopy::CopyRows(source, target, Progress);
    const QString difference = BookCopy::Difference(sourceFigures, BookCopy::Figures(target));
    if (!difference.isEmpty())
        throw EDatabaseError(QStringLiteral("副本与源账本不一致（%1）。").arg(difference));
    return counts;
}

// A new ledger file at path, written under a name of its own and put in place only when whole,
// checked and flushed, and only where no file has appeared meanwhile.
QList<qint64> CopyToFile(QSqlDatabase& source, const QList<BookCopy::TFigures>& sourceFigures,
                         const QString& path) {
    const QFileInfo file(path);
    const QString shown = ShownPath(file.absoluteFilePath());
    const QString folder = file.absolutePath();
    if (!QDir().mkpath(folder))
        throw EInOutError(QStringLiteral("无法创建文件夹 %1。").arg(ShownPath(folder)));
    TPartialFile partial(file.absoluteFilePath());
    if (const QString reason = partial.Create(); !reason.isEmpty())
        throw EInOutError(QStringLiteral("无法创建账本文件 %1：%2").arg(shown, reason));
    QList<qint64> counts;
    {
        TOwnConnection target(QStringLiteral("QSQLITE"), QStringLiteral("copy"));
        target->setDatabaseName(partial.Path());
        auto failed = [&](const QSqlError& error) {
            return EInOutError(
                QStringLiteral("无法写入账本文件 %1：%2").arg(shown, error.databaseText()));
        };
        if (!target->open()) throw failed(target->lastError());
        // The file is flushed once, when it is put in place; a large cache keeps the indexes in
        // memory while a million records go in.
        QSqlQuery(*target).exec(QStringLiteral("pragma synchronous = off"));
        QSqlQuery(*target).exec(QStringLiteral("pragma cache_size = -262144"));
        if (!target->transaction()) throw failed(target->lastError());
        counts = CopyChecked(source, sourceFigures, *target); // rolled back by the close on a throw
        if (!target->commit()) throw failed(target->lastError());
        Schema::RefreshStatistics(*target); // the file carries its statistics, as a new one does
    }
    partial.TakeDocumentPermissions(file.absoluteFilePath());
    QString reason;
    if (!partial.Place(file.absoluteFilePath(), &reason))
        throw EInOutError(QFileInfo::exists(file.absoluteFilePath())
                              ? QStringLiteral("账本文件 %1 已经存在，不会覆盖。").arg(shown)
                              : QStringLiteral("无法写入账本文件 %1：%2").arg(shown, reason));
    return counts;
}

// The book on the empty server database at location, made in one transaction.
QList<qint64> CopyToServer(QSqlDatabase& source, const QList<BookCopy::TFigures>& sourceFigures,
                           const TLedgerLocation& location) {
    TOwnConnection target(location.DriverName(), QStringLiteral("copy"));
    ServerConnection::Connect(*target, location); // a fault in plain words
    if (!target->transaction()) throw EDatabaseError(target->lastError().databaseText());
    QList<qint64> counts;
    try {
        Schema::ClaimEmptyServerDatabase(*target, location);
        counts = CopyChecked(source, sourceFigures, *target);
    } catch (...) {
        target->rollback();
        throw;
    }
    if (!target->commit())
        throw EDatabaseError(QStringLiteral("无法在服务器 %1 上保存副本：%2")
                                 .arg(location.Shown(), target->lastError().databaseText()));
    // The planner's statistics of the new rows, and the map of the pages every transaction sees
    // (which lets the statements read the covering indexes alone), at once rather than when
    // autovacuum comes round to them; they only speed statements up.
    QSqlQuery(*target).exec(QStringLiteral("vacuum analyze"));
    return counts;
}

QString CopiedText(const TLedgerLocation& from, const TLedgerLocation& to,
                   const QList<qint64>& counts) {
    QStringList parts;
    const QList<BookCopy::TTable>& tables = BookCopy::Tables();
    for (int i = 0; i < tables.size(); ++i)
        parts.append(QStringLiteral("%1 %2 %3").arg(tables[i].Shown).arg(counts.value(i)).arg(tables[i].Counter));
    return QStringLiteral("已复制账本：%1（从 %2 到 %3），行数和各列合计与源账本一致。")
        .arg(parts.join(QStringLiteral("，")), from.Shown(), to.Shown());
}

} // namespace

int Run(const QString& from, const QString& to) {
    TLedgerLocation source, target;
    try {
        source = TLedgerLocation::Parse(from);
        target = TLedgerLocation::Parse(to);
    } catch (const EArgumentError& error) {
        MemberLedger::Print(stderr, error.Message + u'\n' + UsageText);
        return 2;
    }
    try {
        if (!target.IsServer() && QFileInfo::exists(target.FilePath()))
            throw EInOutError(QStringLiteral("目标账本文件 %1 已经存在，不会覆盖。")
                                  .arg(ShownPath(target.FilePath())));
        // A ledger file is read under its lock: no program works on it meanwhile.
        std::unique_ptr<TLedgerLock> lock;
        if (!source.IsServer()) {
            lock = std::make_unique<TLedgerLock>(source.FilePath());
            if (!lock->TryLock() && lock->Refuses()) throw EInOutError(lock->RefusalText());
        }
        TLedgerLocation::SetCurrent(source);
        TdmMain data;
        data.Open();
        QSqlDatabase& connection = data.cnHearthbook;
        QList<qint64> counts;
        {
            BookCopy::TBookSnapshot snapshot(connection); // one moment of the source
            const QList<BookCopy::TFigures> figures = BookCopy::Figures(connection);
            counts = target.IsServer() ? CopyToServer(connection, figures, target)
                                       : CopyToFile(connection, figures, target.FilePath());
        }
        MemberLedger::Print(stdout, CopiedText(source, target, counts));
        return 0;
    } catch (const Exception& error) {
        MemberLedger::Print(stderr, error.Message + NothingCopied);
        return 1;
    }
}

} // namespace CopyLedgerCommand
