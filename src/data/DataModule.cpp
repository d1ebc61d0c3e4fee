#include "data/DataModule.h"

#include "data/CommonDB.h"
#include "data/Schema.h"
#include "data/engine/ServerConnection.h"
#include "data/engine/SqliteEngine.h"
#include "data/ledgerfile/LedgerFile.h"
#include "data/ledgerfile/LedgerJournal.h"
#include "data/ledgerfile/backup/LedgerBackup.h"
#include "platform/ErrorReport.h"
#include "platform/FileKind.h"
#include "platform/SystemError.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

TdmMain* dmMain = nullptr;

namespace {

[[noreturn]] void Fail(TLedgerProblem problem, const QString& path, const QString& reason = {}) {
    const QString file = ShownPath(path);
    QString text;
    switch (problem) {
    case TLedgerProblem::Missing:
        text = QStringLiteral("找不到账本文件 %1。请确认程序是在存放账本的文件夹中启动的，"
                              "或者先创建一个新账本。")
                   .arg(file);
        break;
    case TLedgerProblem::Folder:
        text = QStringLiteral("账本文件 %1 的位置上是一个文件夹，而不是账本文件。").arg(file);
        break;
    case TLedgerProblem::NotAFile:
        // The ledger itself, or one of its logs beside it, which leaves the ledger in place.
        text = reason +
               (FileKindOf(path) == TFileKind::Special
                    ? QStringLiteral("请把它移走，再把账本文件放回这里，或者从备份中恢复账本。")
                    : QStringLiteral("请把它移走，然后再启动本程序。"));
        break;
    case TLedgerProblem::Unreadable:
        text = QStringLiteral("无法读取账本文件 %1：%2").arg(file, reason);
        break;
    case TLedgerProblem::Empty:
        text = QStringLiteral("账本文件 %1 是空的（0 字节），里面没有任何账目。"
                              "它可能在创建或复制时被中断了；请从备份中恢复这个文件。")
                   .arg(file);
        break;
    case TLedgerProblem::AccessFormat:
        text = QStringLiteral("账本文件 %1 是旧版程序以 Access 格式保存的账本，"
                              "本程序不能直接打开它，需要先把它转换为本程序的格式。")
                   .arg(file);
        break;
    case TLedgerProblem::NotALedger:
        text = QStringLiteral("文件 %1 不是本程序的账本%2。请确认文件没有被其他文件替换。")
                   .arg(file, reason.isEmpty() ? QString() : QStringLiteral("（%1）").arg(reason));
        break;
    case TLedgerProblem::Damaged:
        text = QStringLiteral("账本文件 %1 已损坏，无法使用（%2）。请从备份中恢复这个文件。")
                   .arg(file, reason);
        break;
    case TLedgerProblem::Busy:
        text = QStringLiteral("账本文件 %1 正被另一个程序使用，暂时无法打开。"
                              "请关闭那个程序后再登录。")
                   .arg(file);
        break;
    case TLedgerProblem::None:
        text = QStringLiteral("无法打开账本文件 %1：%2").arg(file, reason);
        break;
    }
    throw ELedgerFileError(problem, text);
}

// What an engine error says of a file whose header is that of an SQLite database.
TLedgerProblem ProblemOfError(const QSqlError& error) {
    if (IsBusyError(error)) return TLedgerProblem::Busy;
    if (IsDamageError(error)) return TLedgerProblem::Damaged;
    return TLedgerProblem::None;
}

void CheckTables(QSqlDatabase& connection, const QString& path) {
    QString reason;
    const TLedgerProblem problem = LedgerFile::CheckTables(connection, &reason);
    if (problem != TLedgerProblem::None) Fail(problem, path, reason);
}

// Opens the file read-write; fails when it is missing or is not a ledger database.
void OpenExisting(QSqlDatabase& connection, const QString& path) {
    QString reason;
    const TLedgerProblem problem = LedgerFile::InspectFile(path, &reason);
    if (problem != TLedgerProblem::None) Fail(problem, path, reason);

    QUrl uri = QUrl::fromLocalFile(QDir::current().absoluteFilePath(path));
    uri.setQuery(QStringLiteral("mode=rw"));
    connection.setDatabaseName(uri.toString(QUrl::FullyEncoded));
    connection.setConnectOptions(
        QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(LedgerFile::BusyTimeoutMs));
    if (!connection.open()) {
        const QSqlError error = connection.lastError();
        Fail(ProblemOfError(error), path, error.databaseText());
    }
    try {
        // SQLite opens any file lazily; reading the schema proves it is a database we can use.
        QSqlQuery probe(connection);
        if (!probe.exec(QStringLiteral("select count(*) from sqlite_master"))) {
            const QSqlError error = probe.lastError();
            const TLedgerProblem found = ProblemOfError(error);
            Fail(found == TLedgerProblem::None ? TLedgerProblem::Damaged : found, path,
                 error.databaseText());
        }
        probe = QSqlQuery();
        CheckTables(connection, path);
        const QSqlError journal = LedgerJournal::Apply(connection);
        if (journal.isValid()) Fail(ProblemOfError(journal), path, journal.databaseText());
        // A page cache of up to 64 MB keeps a large ledger's indexes in memory between
        // statements.
        QSqlQuery(connection).exec(QStringLiteral("pragma cache_size = -65536"));
    } catch (...) {
        connection.close();
        throw;
    }
    // A ledger of an older version gets the bill import's tables; on a file that cannot be
    // written the import says so when it runs, and the ledger stays usable.
    try {
        Schema::CreateImportTables(connection);
    } catch (const EDatabaseError&) {
    }
    // The planner's statistics follow the ledger's growth; they only speed statements up, so a
    // failure to refresh them leaves the ledger usable.
    try {
        Schema::RefreshStatistics(connection);
    } catch (const EDatabaseError&) {
    }
}

// Connects to the book on a server and checks that it holds this program's tables; a fault is
// named in plain words (EServerError).
void OpenServer(QSqlDatabase& connection, const TLedgerLocation& location) {
    ServerConnection::Open(connection, location);
    QString reason;
    if (LedgerFile::CheckTables(connection, &reason) != TLedgerProblem::None) {
        connection.close();
        throw EServerError(TServerFault::Other,
                           QStringLiteral("服务器 %1 上的账本不完整，无法使用（%2）。")
                               .arg(location.Shown(), reason),
                           reason);
    }
    try {
        Schema::CreateImportTables(connection);
    } catch (const EDatabaseError&) {
    }
}

} // namespace

TdmMain::TdmMain() {
    cnHearthbook = QSqlDatabase::addDatabase(TLedgerLocation::Current().DriverName(), ConnectionName);
    qryCommon = std::make_unique<TQuery>(cnHearthbook);
    // A server book's connection that a statement found broken was closed: the next statement
    // opens it again (a file stays as it is, its lock taken once).
    TQuery::Reconnect = [this](QSqlDatabase& connection) {
        if (connection.connectionName() == ConnectionName && TLedgerLocation::Current().IsServer())
            Open();
    };
}

TdmMain::~TdmMain() {
    TQuery::Reconnect = nullptr;
    qryCommon.reset();
    cnHearthbook.close();
    cnHearthbook = QSqlDatabase();
    QSqlDatabase::removeDatabase(ConnectionName);
}

void TdmMain::DataModuleCreate() {
    try {
        Open();
    } catch (const ELedgerFileError& error) {
        // A ledger gone while its backups are there is not reported here: the check at the
        // start offers the backups, and advice to make a new ledger first would mislead.
        if (error.Problem == TLedgerProblem::Missing && LedgerBackup::AnyCopy(Schema::LedgerFilePath()))
            return;
        ReportCurrentException();
    } catch (...) {
        ReportCurrentException();
    }
}

void TdmMain::Open() {
    if (cnHearthbook.isOpen()) return;
    if (BeforeOpen) BeforeOpen();
    try {
        const TLedgerLocation& location = TLedgerLocation::Current();
        if (location.IsServer())
            OpenServer(cnHearthbook, location);
        else
            OpenExisting(cnHearthbook, Schema::LedgerFilePath());
        FOpenProblem = TLedgerProblem::None;
    } catch (const ELedgerFileError& error) {
        FOpenProblem = error.Problem;
        throw;
    }
}

QString TdmMain::BackupAtEnd() {
    qryCommon->Close(); // a statement still reading would hold the copy back
    return LedgerBackup::WriteAtEnd(cnHearthbook, Schema::LedgerFilePath(),
                                    TCommonDB::GetSysDateTime());
}

QSqlDatabase TdmMain::Ledger() {
    return dmMain ? dmMain->cnHearthbook : QSqlDatabase::database(ConnectionName, false);
}
