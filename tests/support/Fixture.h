#pragma once

#include "ScriptedPresenter.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>

class TdmMain;
class TServices;

// A fresh ledger for one test: a temporary folder made the current directory, the ledger file
// created in it (with the default member and categories unless asked otherwise), the data module
// and the three services created (held by a TServices, as the main window holds them), scripted message boxes, and the clock fixed at
// 7 December 2026, 10:30.
class TTestLedger {
public:
    enum TContent { WithInitialContent, EmptyTables, NoDatabase };

    explicit TTestLedger(TContent content = WithInitialContent);
    ~TTestLedger();

    // Whether this run's ledgers are databases on the test process's own PostgreSQL server
    // (PENNYVALE_TEST_ENGINE=server; see TPgServer) rather than files.
    static bool OnServer();

    static QDateTime Now() { return QDateTime(QDate(2026, 12, 7), QTime(10, 30)); }

    // Rows the test asks for, written straight into the file.
    void AddPerson(int id, const QString& name, const QString& account, const QString& password,
                   const QString& role = QString());
    void AddCategory(int id, const QString& name, const QString& type);
    void AddPayout(int id, int categoryId, const QString& content, const QVariant& payout,
                   const QVariant& income, const QDate& day, const QString& person,
                   const QString& type, const QString& memos = QString());
    void AddDiary(int id, const QString& text, const QDate& day, int personId);
    void Exec(const QString& sql, const QVariantList& values = {});
    // From now on every "insert", "update" or "delete" (event) on table fails with message,
    // on either engine (a trigger).
    // When condition is given (an expression on the row "new"), only the writes it holds for.
    void Refuse(const QString& event, const QString& table, const QString& message,
                const QString& condition = QString());
    void Allow(const QString& event, const QString& table); // undoes Refuse
    // How the first row's first value of sql is held, as the program's reader gives it:
    // "integer", "real", "text", "blob" or "null" (SQLite's typeof, on either engine).
    QString KindOf(const QString& sql);
    // The names of the book's tables, as the engine keeps them.
    QStringList Tables();
    QVariant Scalar(const QString& sql, const QVariantList& values = {});

    // Frees the three services, for a test whose main window creates (and frees) its own.
    void ReleaseServices();

    QSqlDatabase& Connection();
    QString Folder() const { return FDir.path(); }

    TScriptedPresenter Messages;

private:
    QTemporaryDir FDir;
    QString FPreviousDir;
    std::unique_ptr<TServices> FServices;
};
