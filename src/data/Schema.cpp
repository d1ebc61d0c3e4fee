#include "data/Schema.h"

#include "data/Common.h"
#include "data/engine/Engine.h"
#include "data/engine/OwnConnection.h"
#include "data/engine/ServerConnection.h"
#include "data/ledgerfile/LedgerJournal.h"
#include "platform/Exception.h"
#include "platform/PartialFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <algorithm>
#include <utility>

namespace {

// Text columns compare without case for ASCII letters (NOCASE), and their widths are enforced by
// named checks, so an over-long value is refused with a message that says which field.
// Money columns have NUMERIC affinity: whole yuan are stored as 64-bit integers and summed
// exactly; only a fractional amount is a floating-point value. Day-number columns the same.
const char* const Tables[] = {
    R"(create table bPerson (
        PersonID integer primary key,
        PersonName text collate nocase constraint "成员姓名不能超过50个字符" check (length(PersonName) <= 50),
        RoleName text collate nocase constraint "家庭角色不能超过50个字符" check (length(RoleName) <= 50),
        LoginAccount text collate nocase constraint "登录帐号不能超过50个字符" check (length(LoginAccount) <= 50),
        LoginPassword text constraint "登录密码不能超过50个字符" check (length(LoginPassword) <= 50),
        Memos text collate nocase constraint "备注不能超过200个字符" check (length(Memos) <= 200)))",
    R"(create table bItemProject (
        ItemProjectID integer primary key,
        ItemProject text collate nocase constraint "项目名称不能超过200个字符" check (length(ItemProject) <= 200),
        ItemType text collate nocase constraint "项目类型不能超过50个字符" check (length(ItemType) <= 50),
        Memos text collate nocase constraint "备注不能超过200个字符" check (length(Memos) <= 200)))",
    R"(create table fPayout (
        PayoutID integer primary key,
        ItemProjectID integer,
        Payout text collate nocase constraint "收支内容不能超过200个字符" check (length(Payout) <= 200),
        PayoutAccount currency constraint "支出金额必须是数字" check (typeof(PayoutAccount) in ('integer', 'real', 'null')),
        IncomeAccount currency constraint "收入金额必须是数字" check (typeof(IncomeAccount) in ('integer', 'real', 'null')),
        UseDate datetime constraint "日期必须是日期值" check (typeof(UseDate) in ('integer', 'real', 'null')),
        PersonName text collate nocase constraint "成员姓名不能超过50个字符" check (length(PersonName) <= 50),
        Memos text collate nocase,
        ItemType text collate nocase constraint "收支类型不能超过50个字符" check (length(ItemType) <= 50),
        MonthNum integer,
        YearNum integer,
        QuarterNum integer))",
    R"(create table fDiary (
        DiaryID integer primary key,
        Diary text collate nocase,
        DiaryDate datetime constraint "日期必须是日期值" check (typeof(DiaryDate) in ('integer', 'real', 'null')),
        PersonID integer))",
    // Login by account.
    "create index ixPersonAccount on bPerson (LoginAccount)",
    // A member's records by day (the month list, the query's details). It holds every column
    // the details show, so a member's decades of records are read in one ordered index scan.
    "create index ixPayoutPersonDate on fPayout (PersonName, UseDate, ItemType, ItemProjectID, "
    "PayoutAccount, IncomeAccount, Payout)",
    // A member's totals per kind and category (the query's statistics), covering its sums and
    // filters.
    "create index ixPayoutPersonItem on fPayout (PersonName, ItemType, ItemProjectID, UseDate, "
    "PayoutAccount, IncomeAccount, Payout)",
    // A member's year by month and quarter (the annual chart), covering its sums.
    "create index ixPayoutPersonYear on fPayout (PersonName, YearNum, MonthNum, QuarterNum, "
    "IncomeAccount, PayoutAccount)",
    // A member's diary by day.
    "create index ixDiaryPersonDate on fDiary (PersonID, DiaryDate)",
};

// The bill import's own tables. A refund row keeps its own order number with the record it
// reduced (ItemType 退款), so a refund is applied at most once; ImportedUnits is the amount the
// import last wrote into the record (ten-thousandths of a yuan), RefundedUnits the refunds taken
// off it so far, so a record changed by hand since is told apart from one the import left.
const char* const ImportTables[] = {
    R"(create table if not exists fBillImport (
        Source text not null,
        OrderNo text not null,
        MerchantOrderNo text,
        PayoutID integer,
        ItemType text,
        ImportedUnits integer,
        RefundedUnits integer,
        primary key (Source, OrderNo)))",
    R"(create table if not exists bBillCategoryRule (
        Counterpart text collate nocase not null,
        ItemType text collate nocase not null,
        ItemProjectID integer,
        primary key (Counterpart, ItemType)))",
    // Facts about the ledger itself; LedgerId names this ledger in the identities of its
    // exported records, so that its own export is known when it comes back.
    R"(create table if not exists bLedgerInfo (
        Name text primary key,
        Value text))",
};

// The same tables on a PostgreSQL server. Names are folded to lower case there, as the unquoted
// names of every statement are, so the statements run unchanged. Text columns are citext in the
// "C" collation: compared without case for ASCII letters and ordered by their UTF-8 bytes, as
// the file's NOCASE columns are. Money is numeric (exact decimals, exact sums); day numbers are
// double precision under the name datetime, so the reader knows them as dates.
const char* const ServerTables[] = {
    "create extension if not exists citext",
    "create domain datetime as double precision",
    R"(create table bPerson (
        PersonID bigint primary key,
        PersonName citext collate "C" constraint "成员姓名不能超过50个字符" check (length(PersonName) <= 50),
        RoleName citext collate "C" constraint "家庭角色不能超过50个字符" check (length(RoleName) <= 50),
        LoginAccount citext collate "C" constraint "登录帐号不能超过50个字符" check (length(LoginAccount) <= 50),
        LoginPassword text collate "C" constraint "登录密码不能超过50个字符" check (length(LoginPassword) <= 50),
        Memos citext collate "C" constraint "备注不能超过200个字符" check (length(Memos) <= 200)))",
    R"(create table bItemProject (
        ItemProjectID bigint primary key,
        ItemProject citext collate "C" constraint "项目名称不能超过200个字符" check (length(ItemProject) <= 200),
        ItemType citext collate "C" constraint "项目类型不能超过50个字符" check (length(ItemType) <= 50),
        Memos citext collate "C" constraint "备注不能超过200个字符" check (length(Memos) <= 200)))",
    R"(create table fPayout (
        PayoutID bigint primary key,
        ItemProjectID bigint,
        Payout citext collate "C" constraint "收支内容不能超过200个字符" check (length(Payout) <= 200),
        PayoutAccount numeric,
        IncomeAccount numeric,
        UseDate datetime,
        PersonName citext collate "C" constraint "成员姓名不能超过50个字符" check (length(PersonName) <= 50),
        Memos citext collate "C",
        ItemType citext collate "C" constraint "收支类型不能超过50个字符" check (length(ItemType) <= 50),
        MonthNum bigint,
        YearNum bigint,
        QuarterNum bigint))",
    R"(create table fDiary (
        DiaryID bigint primary key,
        Diary citext collate "C",
        DiaryDate datetime,
        PersonID bigint))",
    "create index ixPersonAccount on bPerson (LoginAccount)",
    // A file's index carries the record's key (its rowid) with it; here it is included, so that
    // the details (which show the key) are read from the index alone, in the order of the day.
    "create index ixPayoutPersonDate on fPayout (PersonName, UseDate, ItemType, ItemProjectID, "
    "PayoutAccount, IncomeAccount, Payout) include (PayoutID)",
    "create index ixPayoutPersonItem on fPayout (PersonName, ItemType, ItemProjectID, UseDate, "
    "PayoutAccount, IncomeAccount, Payout)",
    "create index ixPayoutPersonYear on fPayout (PersonName, YearNum, MonthNum, QuarterNum, "
    "IncomeAccount, PayoutAccount)",
    "create index ixDiaryPersonDate on fDiary (PersonID, DiaryDate)",
};

const char* const ServerImportTables[] = {
    R"(create table if not exists fBillImport (
        Source text collate "C" not null,
        OrderNo text collate "C" not null,
        MerchantOrderNo text collate "C",
        PayoutID bigint,
        ItemType text collate "C",
        ImportedUnits bigint,
        RefundedUnits bigint,
        primary key (Source, OrderNo)))",
    R"(create table if not exists bBillCategoryRule (
        Counterpart citext collate "C" not null,
        ItemType citext collate "C" not null,
        ItemProjectID bigint,
        primary key (Counterpart, ItemType)))",
    R"(create table if not exists bLedgerInfo (
        Name text collate "C" primary key,
        Value text collate "C"))",
};

struct TCategory {
    const char* Name;
    const char* Type;
};

const TCategory Categories[] = {
    {"工资", "收入"},     {"奖金", "收入"},     {"投资收益", "收入"}, {"兼职收入", "收入"},
    {"礼金收入", "收入"}, {"其他收入", "收入"}, {"餐饮", "支出"},     {"交通", "支出"},
    {"住房", "支出"},     {"水电煤气", "支出"}, {"通讯", "支出"},     {"服装", "支出"},
    {"医疗", "支出"},     {"教育", "支出"},     {"娱乐", "支出"},     {"日用品", "支出"},
    {"人情往来", "支出"}, {"其他支出", "支出"},
};

// Why a folder cannot be made: a file in its way, or the system's reason.
QString FolderProblem(const QString& folder) {
    for (QFileInfo step(folder); !step.filePath().isEmpty(); step = QFileInfo(step.path())) {
        if (step.exists())
            return step.isDir() ? QStringLiteral("没有在 %1 中创建文件夹的权限")
                                      .arg(QDir::toNativeSeparators(step.filePath()))
                                : QStringLiteral("%1 是一个文件，不是文件夹")
                                      .arg(QDir::toNativeSeparators(step.filePath()));
        if (step.isRoot() || step.path() == step.filePath()) break;
    }
    return QStringLiteral("路径无效");
}

// Moves the finished file to target unless a file is there already.
void PlaceWithoutReplacing(TPartialFile& partial, const QString& target, const QString& shown) {
    QString reason;
    if (partial.Place(target, &reason)) return;
    if (QFileInfo::exists(target))
        throw EInOutError(QStringLiteral("数据库文件 %1 已经存在，不会覆盖。").arg(shown));
    throw EInOutError(QStringLiteral("无法创建数据库文件 %1：%2").arg(shown, reason));
}

void Exec(QSqlQuery& query, const QString& sql) {
    if (!query.exec(sql)) throw EDatabaseError(query.lastError().text());
}

} // namespace

namespace Schema {

QString LedgerFilePath() {
    const TLedgerLocation& location = TLedgerLocation::Current();
    return location.IsServer() ? DatabasePath : location.FilePath();
}

void CreateTables(QSqlDatabase& connection) {
    QSqlQuery query(connection);
    if (OnServer(connection)) {
        for (const char* statement : ServerTables)
            Exec(query, QString::fromUtf8(statement));
    } else {
        for (const char* statement : Tables)
            Exec(query, QString::fromUtf8(statement));
    }
    CreateImportTables(connection);
}

void CreateImportTables(QSqlDatabase& connection) {
    QSqlQuery query(connection);
    if (OnServer(connection)) {
        // Only when one is missing: a server tells every client of each "if not exists" it skips.
        const QStringList present = connection.tables();
        if (present.contains(QStringLiteral("fbillimport")) &&
            present.contains(QStringLiteral("bbillcategoryrule")) &&
            present.contains(QStringLiteral("bledgerinfo")))
            return;
        for (const char* statement : ServerImportTables)
            Exec(query, QString::fromUtf8(statement));
    } else {
        for (const char* statement : ImportTables)
            Exec(query, QString::fromUtf8(statement));
    }
}

QString LedgerId(QSqlDatabase& connection) {
    QSqlQuery query(connection);
    query.prepare(QStringLiteral("select Value from bLedgerInfo where Name = ?"));
    query.addBindValue(LedgerIdName);
    if (query.exec() && query.next()) return query.value(0).toString();
    // The first export of this ledger names it (an older ledger opened where its tables could
    // not be added gets them now, or refuses).
    CreateImportTables(connection);
    query.prepare(QStringLiteral("insert into bLedgerInfo (Name, Value) values (?, ?) on conflict (Name) do nothing"));
    query.addBindValue(LedgerIdName);
    query.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
    if (!query.exec()) throw EDatabaseError(query.lastError().text());
    query.prepare(QStringLiteral("select Value from bLedgerInfo where Name = ?"));
    query.addBindValue(LedgerIdName);
    if (!query.exec() || !query.next()) throw EDatabaseError(query.lastError().text());
    return query.value(0).toString();
}

void AddInitialContent(QSqlDatabase& connection) {
    QSqlQuery query(connection);
    query.prepare("insert into bPerson (PersonID, PersonName, RoleName, LoginAccount, "
                  "LoginPassword, Memos) values (1, ?, ?, ?, ?, ?)");
    query.addBindValue(DefaultPersonName);
    query.addBindValue(QStringLiteral("户主"));
    query.addBindValue(DefaultAccount);
    query.addBindValue(TCommon::EncodeText(DefaultPassword));
    query.addBindValue(QStringLiteral("默认帐户，不能删除"));
    if (!query.exec()) throw EDatabaseError(query.lastError().text());

    query.prepare(
        "insert into bItemProject (ItemProjectID, ItemProject, ItemType) values (?, ?, ?)");
    int id = 0;
    for (const auto& category : Categories) {
        query.addBindValue(++id);
        query.addBindValue(QString::fromUtf8(category.Name));
        query.addBindValue(QString::fromUtf8(category.Type));
        if (!query.exec()) throw EDatabaseError(query.lastError().text());
    }
}

bool RefreshStatistics(QSqlDatabase& connection) {
    // A server keeps its own statistics (autovacuum analyses what grows).
    if (OnServer(connection)) return false;
    QSqlQuery query(connection);
    const bool kept = query.exec(QStringLiteral(
                          "select count(*) from sqlite_master where name = 'sqlite_stat1'")) &&
                      query.next() && query.value(0).toInt() == 1;
    bool stale = !kept;
    // The highest key stands for a table's size (keys are the highest plus 1), read from the
    // key's b-tree at once where counting a million records would read a whole index.
    const std::pair<const char*, const char*> tables[] = {{"bPerson", "PersonID"},
                                                          {"bItemProject", "ItemProjectID"},
                                                          {"fPayout", "PayoutID"},
                                                          {"fDiary", "DiaryID"}};
    for (const auto& [table, key] : tables) {
        if (stale) break;
        const QString name = QString::fromLatin1(table);
        Exec(query, QStringLiteral("select coalesce(max(") + QString::fromLatin1(key) +
                        QStringLiteral("), 0) from ") + name);
        const qint64 records = query.next() ? query.value(0).toLongLong() : 0;
        // The first figure of a table's statistics is the number of rows it had when analysed;
        // an empty table has none.
        Exec(query, QStringLiteral("select stat from sqlite_stat1 where tbl = '") + name +
                        QStringLiteral("' limit 1"));
        const qint64 analysed =
            query.next() ? query.value(0).toString().section(u' ', 0, 0).toLongLong() : 0;
        stale = analysed == 0 ? records > 0 : records >= 2 * analysed || 2 * records <= analysed;
    }
    if (!stale) return false;
    Exec(query, QStringLiteral("pragma analysis_limit = 1000"));
    Exec(query, QStringLiteral("analyze"));
    return true;
}

void CreateDatabase(const QString& path) {
    const QFileInfo file(path);
    const QString shown = QDir::toNativeSeparators(file.absoluteFilePath());
    if (file.exists())
        throw EInOutError(QStringLiteral("数据库文件 %1 已经存在，不会覆盖。").arg(shown));
    const QString folder = file.absolutePath();
    if (!QDir().mkpath(folder))
        throw EInOutError(QStringLiteral("无法创建文件夹 %1：%2")
                              .arg(QDir::toNativeSeparators(folder), FolderProblem(folder)));

    // Build the file under a temporary name of this run's own and put it in place only when
    // complete, and only if no ledger has appeared there meanwhile: an interrupted create never
    // leaves a half-made ledger, and of two creates at once exactly one wins.
    TPartialFile partial(file.absoluteFilePath());
    if (const QString reason = partial.Create(); !reason.isEmpty())
        throw EInOutError(QStringLiteral("无法在文件夹 %1 中创建数据库文件 %2：%3")
                              .arg(QDir::toNativeSeparators(folder), file.fileName(), reason));
    const QString name = QStringLiteral("create-") + QUuid::createUuid().toString();
    try {
        QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        connection.setDatabaseName(partial.Path());
        auto failed = [&](const QSqlError& error) {
            return EInOutError(
                QStringLiteral("无法创建数据库文件 %1：%2").arg(shown, error.text()));
        };
        try {
            if (!connection.open()) throw failed(connection.lastError());
            if (const QSqlError journal = LedgerJournal::Apply(connection); journal.isValid())
                throw failed(journal);
            if (!connection.transaction()) throw failed(connection.lastError());
            CreateTables(connection);
            AddInitialContent(connection);
            RefreshStatistics(connection); // the file carries its statistics from the start
            if (!connection.commit()) throw failed(connection.lastError());
            connection.close();
        } catch (...) {
            connection.close();
            throw;
        }
    } catch (...) {
        QSqlDatabase::removeDatabase(name);
        throw;
    }
    QSqlDatabase::removeDatabase(name);
    PlaceWithoutReplacing(partial, file.absoluteFilePath(), shown);
}

void ClaimEmptyServerDatabase(QSqlDatabase& connection, const TLedgerLocation& location) {
    // Two creates (or copies) at once: the second waits here for the first, then finds its
    // tables.
    QSqlQuery query(connection);
    Exec(query, QStringLiteral("select pg_advisory_xact_lock(hashtext('pennyvale-create'))"));
    // citext folds case by the database's character classes (LC_CTYPE) where it compares for
    // equality: only in "C" does it fold the ASCII letters alone, as the file's NOCASE does, and
    // byte by byte (in C.UTF-8, say, "É" would equal "é", and every comparison would take twice
    // as long).
    Exec(query, QStringLiteral("select datctype from pg_database where datname = current_database()"));
    const QString ctype = query.next() ? query.value(0).toString() : QString();
    if (ctype != QLatin1String("C") && ctype != QLatin1String("POSIX"))
        throw EDatabaseError(
            QStringLiteral("服务器上的数据库 %1 的字符分类（LC_CTYPE）是 %2 而不是 C，在其中名称和帐号"
                           "不区分大小写的比较会与账本文件不同。请这样新建一个空数据库来存放账本："
                           "createdb --locale=C --encoding=UTF8 --template=template0 数据库名")
                .arg(location.Shown(), ctype));
    const QStringList tables = connection.tables();
    if (tables.isEmpty()) return;
    const bool book = std::any_of(tables.cbegin(), tables.cend(), [](const QString& t) {
        return t.compare(QLatin1String("fPayout"), Qt::CaseInsensitive) == 0;
    });
    throw EDatabaseError(book ? QStringLiteral("服务器上的数据库 %1 中已经有一个账本，不会覆盖。")
                                    .arg(location.Shown())
                              : QStringLiteral("服务器上的数据库 %1 不是空的（其中已有数据表 %2），"
                                               "不会在其中创建账本。请使用一个新建的空数据库。")
                                    .arg(location.Shown(), tables.first()));
}

void CreateServerBook(const TLedgerLocation& location) {
    TOwnConnection connection(location.DriverName(), QStringLiteral("create"));
    auto failed = [&](const QSqlError& error) {
        return EDatabaseError(QStringLiteral("无法在服务器上创建账本 %1：%2")
                                  .arg(location.Shown(), error.databaseText()));
    };
    ServerConnection::Connect(*connection, location); // a fault in plain words
    if (!connection->transaction()) throw failed(connection->lastError());
    try {
        ClaimEmptyServerDatabase(*connection, location);
        CreateTables(*connection);
        AddInitialContent(*connection);
    } catch (...) {
        connection->rollback();
        throw;
    }
    if (!connection->commit()) throw failed(connection->lastError());
}

} // namespace Schema
