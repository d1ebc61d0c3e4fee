#pragma once

#include <mutex>

struct sqlite3;

// Stops a check of a ledger file that runs in another thread: the checking thread names the
// connection it reads through, and Stop interrupts the statement running on it
// (sqlite3_interrupt), which then fails at once instead of reading the rest of the file.
class TCheckStop {
public:
    // From any thread. Interrupts the statement running now; one that starts later runs on, so a
    // caller that waits for the check repeats this until the check has ended.
    void Stop();
    // From the checking thread: the open connection Stop interrupts, or null before it closes.
    void Watch(sqlite3* connection);

private:
    std::mutex FLock;
    sqlite3* FConnection = nullptr;
};
