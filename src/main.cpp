#include "app/start/Commands.h"
#include "app/start/ProgramArguments.h"
#include "app/start/WindowRun.h"
#include "legacy/JetRowStream.h"
#include "platform/Exception.h"

#include <QByteArray>
#include <cstdio>

// The program: one of the command-line commands, or the run with the window.
int main(int argc, char* argv[]) {
    // The process that reads an old ledger for a conversion; no window, no settings.
    if (argc == 3 && qstrcmp(argv[1], JetRowStream::Option) == 0)
        return Commands::ReadOldLedger(argc, argv);
    TProgramArguments arguments;
    try {
        arguments = TProgramArguments::Read(argc, argv);
    } catch (const EArgumentError& error) {
        std::fprintf(stderr, "%s\n", error.Message.toUtf8().constData());
        return 2;
    }
    if (arguments.Command.isEmpty()) return WindowRun::Run(argc, argv, arguments);
    return Commands::Run(argc, argv, arguments);
}
