#include "data/ledgerfile/CheckStop.h"

#include <sqlite3.h>

void TCheckStop::Stop() {
    // Under the lock the connection cannot be closed while it is interrupted.
    const std::lock_guard<std::mutex> guard(FLock);
    if (FConnection) sqlite3_interrupt(FConnection);
}

void TCheckStop::Watch(sqlite3* connection) {
    const std::lock_guard<std::mutex> guard(FLock);
    FConnection = connection;
}
