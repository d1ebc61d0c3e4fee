#include "Fixture.h"

#include "PgServer.h"

#include "data/ComboPub.h"
#include "data/Common.h"
#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/Schema.h"
#include "data/Services.h"
#include "data/query/StatementReader.h"
#include "platform/Exception.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

bool TTestLedger::OnServer() {
    return qgetenv("PENNYVALE_TEST_ENGINE") == "server";
}

// The ledger in a new database of the test's own server, made as CreateDatabase makes a file.
static void CreateServerLedger(TTestLedger::TContent content) {
    TPgServer& server = TPgServer::Shared();
    if (content == TTestLedger::NoDatabase) {
        TLedgerLocation::SetCurrent(server.Location(QStringLiteral("no_such_ledger")));
        return;
    }
    const TLedgerLocation location = server.NewDatabase();
    TLedgerLocation::SetCurrent(location);
    if (content == TTestLedger::WithInitialContent) {
        Schema::CreateServerBook(location);
        return;
    }
    {
        auto connection = QSqlDatabase::addDatabase("QPSQL", "fixture-create");
        location.ApplyTo(connection);
        if (!connection.open()) qFatal("%s", qPrintable(connection.lastError().text()));
        Schema::CreateTables(connection);
    }
    QSqlDatabase::removeDatabase("fixture-create");
}

TTestLedger::TTestLedger(TContent content) : FPreviousDir(QDir::currentPath()) {
    QDir::setCurrent(FDir.path());
    if (OnServer()) {
        CreateServerLedger(content);
    } else if (content != NoDatabase) {
        if (content == WithInitialContent) {
            Schema::CreateDatabase(Schema::DatabasePath);
        } else {
            QDir().mkpath(QStringLiteral("DataBase"));
            auto connection = QSqlDatabase::addDatabase("QSQLITE", "fixture-create");
            connection.setDatabaseName(Schema::DatabasePath);
            connection.open();
            Schema::CreateTables(connection);
            connection.close();
            connection = QSqlDatabase();
            QSqlDatabase::removeDatabase("fixture-create");
        }
    }
    TCommonDB::SetClock([] { return Now(); });
    TCommon::SetAppPath(FDir.path()); // settings and help file of the test's own
    SetStartDates(Now().date());
    dmMain = new TdmMain;
    dmMain->DataModuleCreate();
    FServices = std::make_unique<TServices>();
}

TTestLedger::~TTestLedger() {
    FServices.reset();
    delete dmMain;
    dmMain = nullptr;
    TCommonDB::SetClock({});
    TCommon::SetAppPath({});
    QDir::setCurrent(FPreviousDir);
    TLedgerLocation::SetCurrent(TLedgerLocation::File(Schema::DatabasePath));
}

void TTestLedger::ReleaseServices() {
    FServices.reset();
}

QSqlDatabase& TTestLedger::Connection() {
    return dmMain->cnHearthbook;
}

void TTestLedger::Exec(const QString& sql, const QVariantList& values) {
    QSqlQuery query(Connection());
    if (values.isEmpty()) { // a server prepares no schema change (alter, create trigger)
        if (!query.exec(sql)) QFAIL(qPrintable(sql + ": " + query.lastError().text()));
        return;
    }
    if (!query.prepare(sql)) QFAIL(qPrintable(query.lastError().text()));
    for (const auto& value : values)
        query.addBindValue(value);
    if (!query.exec()) QFAIL(qPrintable(sql + ": " + query.lastError().text()));
}

void TTestLedger::Refuse(const QString& event, const QString& table, const QString& message,
                         const QString& condition) {
    const QString name = QStringLiteral("refuse_") + event + u'_' + table;
    const QString when = condition.isEmpty() ? QString() : QStringLiteral(" when (%1)").arg(condition);
    if (OnServer()) {
        Exec(QStringLiteral("create function %1() returns trigger language plpgsql as "
                            "$$ begin raise exception '%2'; end $$")
                 .arg(name, message));
        Exec(QStringLiteral("create trigger %1 before %2 on %3 for each row%4 execute function %1()")
                 .arg(name, event, table, when));
    } else {
        Exec(QStringLiteral("create trigger %1 before %2 on %3%4 begin select raise(abort, '%5'); end")
                 .arg(name, event, table, when, message));
    }
}

void TTestLedger::Allow(const QString& event, const QString& table) {
    const QString name = QStringLiteral("refuse_") + event + u'_' + table;
    Exec(OnServer() ? QStringLiteral("drop trigger %1 on %2").arg(name, table)
                    : QStringLiteral("drop trigger %1").arg(name));
}

QString TTestLedger::KindOf(const QString& sql) {
    const TStatementRows rows = StatementReader::Read(Connection(), sql);
    if (rows.Rows.empty() || rows.Columns == 0) return QStringLiteral("no row");
    switch (rows.Rows.front()[0].typeId()) {
    case QMetaType::LongLong:
        return QStringLiteral("integer");
    case QMetaType::Double:
        return QStringLiteral("real");
    case QMetaType::QString:
        return QStringLiteral("text");
    case QMetaType::QByteArray:
        return QStringLiteral("blob");
    default:
        return rows.Rows.front()[0].isNull() ? QStringLiteral("null") : QStringLiteral("other");
    }
}

QStringList TTestLedger::Tables() {
    return Connection().tables();
}

QVariant TTestLedger::Scalar(const QString& sql, const QVariantList& values) {
    QSqlQuery query(Connection());
    query.prepare(sql);
    for (const auto& value : values)
        query.addBindValue(value);
    if (!query.exec() || !query.next()) {
        qWarning() << sql << query.lastError().text();
        return {};
    }
    return query.value(0);
}

void TTestLedger::AddPerson(int id, const QString& name, const QString& account,
                            const QString& password, const QString& role) {
    Exec("insert into bPerson (PersonID, PersonName, RoleName, LoginAccount, LoginPassword) "
         "values (?, ?, ?, ?, ?)",
         {id, name, role, account, TCommon::EncodeText(password)});
}

void TTestLedger::AddCategory(int id, const QString& name, const QString& type) {
    Exec("insert into bItemProject (ItemProjectID, ItemProject, ItemType) values (?, ?, ?)",
         {id, name, type});
}

void TTestLedger::AddPayout(int id, int categoryId, const QString& content, const QVariant& payout,
                            const QVariant& income, const QDate& day, const QString& person,
                            const QString& type, const QString& memos) {
    const QDate epoch(1899, 12, 30);
    Exec("insert into fPayout (PayoutID, ItemProjectID, Payout, PayoutAccount, IncomeAccount, "
         "UseDate, PersonName, Memos, ItemType, MonthNum, YearNum, QuarterNum) "
         "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
         {id, categoryId, content, payout, income, epoch.daysTo(day), person, memos, type,
          day.month(), day.year(), (day.month() - 1) / 3 + 1});
}

void TTestLedger::AddDiary(int id, const QString& text, const QDate& day, int personId) {
    Exec("insert into fDiary (DiaryID, Diary, DiaryDate, PersonID) values (?, ?, ?, ?)",
         {id, text, QDate(1899, 12, 30).daysTo(day), personId});
}
