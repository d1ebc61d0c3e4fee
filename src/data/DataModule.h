#pragma once

#include "data/ledgerfile/LedgerFile.h"
#include "data/query/Query.h"
#include "platform/Exception.h"

#include <QSqlDatabase>
#include <functional>
#include <memory>

// Owns the program's one connection to the ledger and the shared scratch query.
class TdmMain {
public:
    TdmMain();
    ~TdmMain();
    TdmMain(const TdmMain&) = delete;
    TdmMain& operator=(const TdmMain&) = delete;

    // Opens DataBase/Hearthbook.mdb below the current directory, read-write, never creating it.
    // A file that is missing, cannot be read, or is not this program's ledger is reported
    // through the general error report and leaves the connection closed; every later statement
    // then fails with a database error, until Open succeeds.
    void DataModuleCreate();

    // Opens the connection if it is closed (a ledger that was busy or missing at start may be
    // usable now); throws ELedgerFileError with the file and the reason when it cannot, or for a
    // book on a server EServerError naming the server and the cause.
    void Open();

    // Run at the end of the program: when the ledger is open and was changed during the run,
    // writes a backup copy at the program's time and rotates the backup folder
    // (LedgerBackup::WriteAtEnd). Returns the copy's path, empty when none was needed.
    QString BackupAtEnd();

    // What was wrong with the ledger the last time Open failed; None once it has opened.
    TLedgerProblem OpenProblem() const { return FOpenProblem; }

    QSqlDatabase cnHearthbook;
    std::unique_ptr<TQuery> qryCommon;

    // The name under which the connection is registered with Qt SQL.
    static inline const QString ConnectionName = QStringLiteral("cnHearthbook");
    // The program's connection, for the queries of the working forms: the data module's, or the
    // registered one (not opened) when no data module exists.
    static QSqlDatabase Ledger();
    // How long a statement waits for another program's lock on the file before it fails (the
    // ledger file's own setting).
    static inline int& BusyTimeoutMs = LedgerFile::BusyTimeoutMs;
    // Runs before every open of the closed connection, and refuses the open by throwing; the
    // program takes the ledger's lock here (see TLedgerGuard).
    static inline std::function<void()> BeforeOpen;

private:
    TLedgerProblem FOpenProblem = TLedgerProblem::None;
};

// The program's data module, created first at start-up and destroyed last.
extern TdmMain* dmMain;
