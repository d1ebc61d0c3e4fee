#pragma once

#include "data/query/Query.h"
#include "platform/Exception.h"

#include <QSqlDatabase>
#include <functional>
#include <memory>

// What is wrong with a ledger file that cannot be opened.
enum class TLedgerProblem {
    None,
    Missing,       // no file (or no folder) there
    Folder,        // a folder stands where the file should be
    NotAFile,      // a named pipe, a device or a socket stands there (or beside it as a journal)
    Unreadable,    // the file cannot be read (permissions, a device error)
    Empty,         // 0 bytes
    AccessFormat,  // an Access (Jet or ACE) file of the old program
    NotALedger,    // some other kind of file, or a database without this program's tables
    Damaged,       // a ledger whose content or tables are broken
    Busy,          // locked by another program
};

// A ledger file that cannot be used, with what is wrong with it; the text names the file and
// says in plain words what is wrong and what the family can do.
class ELedgerFileError : public EDatabaseError {
public:
    ELedgerFileError(TLedgerProblem problem, QString message)
        : EDatabaseError(std::move(message)), Problem(problem) {}
    TLedgerProblem Problem;
};

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
    // usable now); throws ELedgerFileError with the file and the reason when it cannot.
    void Open();

    // Looks at the file without opening it as a database: missing, a folder, a pipe, device or
    // socket (itself or its -wal or -journal file: reading one would wait for ever), unreadable,
    // empty, an Access file, or not an SQLite file at all. None when it may be a ledger.
    static TLedgerProblem InspectFile(const QString& path, QString* reason = nullptr);
    // Whether an open database holds every table of this program with every column it reads or
    // writes: None, NotALedger (none of them) or Damaged (some missing), with what is missing.
    static TLedgerProblem CheckTables(QSqlDatabase& connection, QString* reason = nullptr);

    // Points a connection that is not open at the database file at path, to be opened read-only
    // (it never writes the file or undoes a save left unfinished beside it) and to wait
    // BusyTimeoutMs for another program's lock.
    static void SetReadOnlyFile(QSqlDatabase& connection, const QString& path);

    // What was wrong with the ledger the last time Open failed; None once it has opened.
    TLedgerProblem OpenProblem() const { return FOpenProblem; }

    QSqlDatabase cnHearthbook;
    std::unique_ptr<TQuery> qryCommon;

    // The name under which the connection is registered with Qt SQL.
    static inline const QString ConnectionName = QStringLiteral("cnHearthbook");
    // The program's connection, for the queries of the working forms: the data module's, or the
    // registered one (not opened) when no data module exists.
    static QSqlDatabase Ledger();
    // How long a statement waits for another program's lock on the file before it fails.
    static inline int BusyTimeoutMs = 5000;
    // Runs before every open of the closed connection, and refuses the open by throwing; the
    // program takes the ledger's lock here (see TLedgerGuard).
    static inline std::function<void()> BeforeOpen;

private:
    TLedgerProblem FOpenProblem = TLedgerProblem::None;
};

// The program's data module, created first at start-up and destroyed last.
extern TdmMain* dmMain;
