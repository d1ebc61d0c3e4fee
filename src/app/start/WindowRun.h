#pragma once

struct TProgramArguments;

// pennyvale [--ledger LOCATION] [--check-start]: the run with the main window, from its start
// (the book chosen, the ledger's folder, and for a ledger file its lock and the old-ledger
// question; for a book on a server its connection), the data module, the check at start, the
// login) to its end (the window closed, a ledger file's backup at the end, the data module gone).
// Returns the exit code.
namespace WindowRun {

int Run(int argc, char* argv[], const TProgramArguments& arguments);

} // namespace WindowRun
