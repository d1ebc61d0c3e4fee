#pragma once

struct TProgramArguments;

// The program's command-line commands: each runs without a window in the current directory,
// on the book --ledger names (else the setting file's, else the ledger file), prints what it did
// and returns the exit code.
namespace Commands {

// Chooses the book of the run (TLedgerLocation::SetCurrent) and runs the command arguments
// name. A location or setting that cannot be used is printed and gives 2.
int Run(int argc, char* argv[], const TProgramArguments& arguments);

// The process that reads an old ledger for a conversion (JetRowStream::Option FILE).
int ReadOldLedger(int argc, char* argv[]);

} // namespace Commands
