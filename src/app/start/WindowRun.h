#pragma once

// pennyvale [--check-start]: the run with the main window, from its start (the ledger's
// folder, its lock, the old-ledger question, the data module, the check at start, the login) to
// its end (the window closed, the backup at the end, the data module gone). Returns the exit code.
namespace WindowRun {

int Run(int argc, char* argv[]);

} // namespace WindowRun
