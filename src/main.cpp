#include "app/start/Commands.h"
#include "app/start/WindowRun.h"
#include "legacy/JetRowStream.h"

#include <QByteArray>

// The program: one of the command-line commands, or the run with the window.
int main(int argc, char* argv[]) {
    const auto is = [&](const char* option) { return argc > 1 && qstrcmp(argv[1], option) == 0; };
    // The process that reads an old ledger for a conversion; no window, no settings.
    if (argc == 3 && is(JetRowStream::Option)) return Commands::ReadOldLedger(argc, argv);
    if (is("--create-database")) return Commands::CreateDatabase(argc, argv);
    if (is("--import-access")) return Commands::ImportAccess(argc, argv);
    if (is("--import-bill")) return Commands::ImportBill(argc, argv);
    if (is("--export-csv")) return Commands::ExportCsv(argc, argv);
    if (is("--report")) return Commands::Report(argc, argv);
    if (is("--backup")) return Commands::Backup(argc, argv);
    if (is("--copy-ledger")) return Commands::CopyLedger(argc, argv);
    if (is("--restore")) return Commands::Restore(argc, argv);
    return WindowRun::Run(argc, argv);
}
