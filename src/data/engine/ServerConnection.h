#pragma once

#include "data/engine/LedgerLocation.h"
#include "platform/Exception.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

// Why a book on a server could not be opened, in the words a family can act on.
enum class TServerFault {
    None,
    Refused,       // nothing answers there: no server on that socket, or the connection refused
    UnknownHost,   // the server's name does not resolve
    NoPassword,    // the server asks for a password and none was given
    WrongPassword, // the password was refused
    UnknownUser,   // the server has no such role
    NotAllowed,    // the server's pg_hba.conf lets no such connection in
    NoDatabase,    // no database of that name
    NotABook,      // a database without this program's tables
    Timeout,       // no answer within the connection's timeout
    Other,
};

// A book on a server that could not be opened: the fault and the message that names the server
// (never its password) and the cause.
class EServerError : public EDatabaseError {
public:
    EServerError(TServerFault fault, QString message, QString detail = {})
        : EDatabaseError(std::move(message)), Fault(fault), Detail(std::move(detail)) {}
    TServerFault Fault;
    QString Detail; // the engine's own text
};

// The connection was open and its server is gone (the server stopped, the network broke, the
// backend was ended): libpq says CONNECTION_BAD. Every later statement on it fails until it is
// closed and opened again. False for a file, a connection never opened or a healthy one.
bool ConnectionLost(const QSqlDatabase& connection);

namespace ServerConnection {

// The fault a QPSQL error tells: its SQLSTATE where the driver kept one, else libpq's message
// (in English, or in Chinese where libpq or the server speak it).
TServerFault Classify(const QSqlError& error);

// How the message ends for the fault: advice for the window, or for a command, which cannot ask
// for a password.
enum class TAdvice { Window, Command };

// "无法连接账本服务器 …：" and the cause in plain words; detail is the engine's own text, shown
// where no plain cause fits.
QString FaultText(TServerFault fault, const TLedgerLocation& location, const QString& detail,
                  TAdvice advice = TAdvice::Command);

// Connects connection (a QPSQL connection, not open) to the database at location. Throws
// EServerError naming the fault, the connection left closed.
void Connect(QSqlDatabase& connection, const TLedgerLocation& location,
             TAdvice advice = TAdvice::Command);

// Opens connection (a QPSQL connection, not open) on the server at location and checks that
// the database holds this program's tables. Throws EServerError on any fault, the connection
// left closed.
void Open(QSqlDatabase& connection, const TLedgerLocation& location,
          TAdvice advice = TAdvice::Command);

} // namespace ServerConnection
