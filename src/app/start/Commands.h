#pragma once

// The program's command-line commands: each runs without a window in the current directory,
// prints what it did and returns the exit code.
namespace Commands {

// pennyvale --create-database
int CreateDatabase(int argc, char* argv[]);
// pennyvale --import-access FILE.mdb
int ImportAccess(int argc, char* argv[]);
// pennyvale --import-bill FILE --account ACCOUNT
int ImportBill(int argc, char* argv[]);
// pennyvale --export-csv FILE --account ACCOUNT
int ExportCsv(int argc, char* argv[]);
// pennyvale --report FILE.pdf --account ACCOUNT --year YYYY
int Report(int argc, char* argv[]);
// pennyvale --backup
int Backup(int argc, char* argv[]);
// pennyvale --restore FILE
int Restore(int argc, char* argv[]);
// pennyvale --copy-ledger FROM TO
int CopyLedger(int argc, char* argv[]);
// The process that reads an old ledger for a conversion (JetRowStream::Option FILE).
int ReadOldLedger(int argc, char* argv[]);

} // namespace Commands
