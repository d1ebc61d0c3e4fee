#pragma once

#include <QString>
#include <functional>
#include <optional>

// The start of a window run on a book on a server: the data module connects, and a server that
// cannot be reached is named with the cause. When the server asks for a password and none was
// given (neither in ~/.pgpass nor in PGPASSWORD), the user is asked for it once; it is kept in
// memory for this run only. On any other fault the user chooses between the ledger file of this
// computer and the end of the run.
namespace ServerStart {

enum class TOutcome { Open, UseFile, End };

// The question after a fault.
inline const QString UseFileQuestion = QStringLiteral("要改用本机的账本文件吗？");

// Asks for the password with the given prompt; nothing when the user cancels. A password line
// edit by default; tests put their own answer here.
extern std::function<std::optional<QString>(const QString& prompt)> AskPassword;

// Opens dmMain (made for the server's driver) on TLedgerLocation::Current().
TOutcome Open();

} // namespace ServerStart
