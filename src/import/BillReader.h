#pragma once

#include "import/BillRow.h"
#include "platform/Exception.h"

#include <QString>
#include <functional>

// A file that is not a bill this program reads, or a row of it that cannot be understood. The
// message names the file and, for a row, its line.
class EBillError : public Exception {
public:
    using Exception::Exception;
};

// Told how far the reading has come (bytes of the file read, of total); returns false to stop
// the reading, which then throws EBillCancelled.
using TBillProgress = std::function<bool(qint64 done, qint64 total)>;

class EBillCancelled : public Exception {
public:
    using Exception::Exception;
};

// Reads one format of bill. A reader never touches the database.
class TBillReader {
public:
    virtual ~TBillReader() = default;
    // Whether the file looks like this format (its first bytes, its header row).
    virtual bool Recognises(const QString& path) const = 0;
    // Reads every row; throws EBillError naming the file and the line on anything it cannot
    // take as it is, never guessing a value.
    virtual TBill Read(const QString& path, const TBillProgress& progress = {}) const = 0;
};
