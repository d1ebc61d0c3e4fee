#pragma once

#include "data/Query.h"

#include <QSqlDatabase>
#include <memory>

// Owns the program's one connection to the ledger and the shared scratch query.
class TdmMain {
public:
    TdmMain();
    ~TdmMain();
    TdmMain(const TdmMain&) = delete;
    TdmMain& operator=(const TdmMain&) = delete;

    // Opens DataBase/Hearthbook.mdb below the current directory, read-write, never creating it.
    // A missing or unreadable file is reported through the general error report and leaves the
    // connection closed; every later statement then fails with a database error.
    void DataModuleCreate();

    QSqlDatabase cnHearthbook;
    std::unique_ptr<TQuery> qryCommon;

    // The name under which the connection is registered with Qt SQL.
    static inline const QString ConnectionName = QStringLiteral("cnHearthbook");
};

// The program's data module, created first at start-up and destroyed last.
extern TdmMain* dmMain;
