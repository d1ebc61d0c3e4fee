#pragma once

#include "platform/Exception.h"

#include <QVariant>
#include <vector>

// A save or deletion that found the record no longer as the query read it: another program
// changed or deleted it since. Nothing was written; the query shows the record as it is now
// (or no longer lists it) when this reaches the caller.
class ERecordChanged : public EDatabaseError {
public:
    ERecordChanged(QString message, bool deleted, std::vector<QVariant> current = {})
        : EDatabaseError(std::move(message)), Deleted(deleted), Current(std::move(current)) {}
    bool Deleted;                  // the record is gone from the table
    std::vector<QVariant> Current; // else the record as the table holds it now
};
