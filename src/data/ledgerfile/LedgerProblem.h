#pragma once

#include "platform/Exception.h"

#include <QString>

// What is wrong with a ledger file that cannot be opened.
enum class TLedgerProblem {
    None,
    Missing,      // no file (or no folder) there
    Folder,       // a folder stands where the file should be
    NotAFile,     // a named pipe, a device or a socket stands there (or beside it as a journal)
    Unreadable,   // the file cannot be read (permissions, a device error)
    Empty,        // 0 bytes
    AccessFormat, // an Access (Jet or ACE) file of the old program
    NotALedger,   // some other kind of file, or a database without this program's tables
    Damaged,      // a ledger whose content or tables are broken
    Busy,         // locked by another program
};

// A ledger file that cannot be used, with what is wrong with it; the text names the file and
// says in plain words what is wrong and what the family can do.
class ELedgerFileError : public EDatabaseError {
public:
    ELedgerFileError(TLedgerProblem problem, QString message)
        : EDatabaseError(std::move(message)), Problem(problem) {}
    TLedgerProblem Problem;
};
