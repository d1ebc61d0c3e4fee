#include "Resources.h"
#include "app/Application.h"
#include "app/MainWindow.h"
#include "data/DataModule.h"
#include "data/Schema.h"
#include "platform/ErrorReport.h"
#include "platform/Exception.h"
#include "platform/Fonts.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

// pennyvale --create-database: writes a new ledger below the current directory.
int CreateDatabase(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    try {
        Schema::CreateDatabase(Schema::DatabasePath);
        std::printf(
            "%s\n",
            QStringLiteral("已创建数据库 %1").arg(Schema::DatabasePath).toUtf8().constData());
        return 0;
    } catch (const Exception& error) {
        std::fprintf(stderr, "%s\n", error.Message.toUtf8().constData());
        return 1;
    }
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc > 1 && qstrcmp(argv[1], "--create-database") == 0) return CreateDatabase(argc, argv);

    TApplication app(argc, argv);
    InitPennyvaleResources();
    InstallFontSubstitutions();

    // Every step of the start and of the end is guarded: a failure is reported and the program
    // goes on as far as it can.
    RunGuarded([] {
        dmMain = new TdmMain;
        dmMain->DataModuleCreate();
    });
    RunGuarded([] {
        frmMain = new TfrmMain;
        frmMain->show(); // runs the login
    });
    int result = 1;
    if (frmMain) result = app.exec();
    RunGuarded([] {
        delete frmMain;
        frmMain = nullptr;
    });
    RunGuarded([] {
        delete dmMain;
        dmMain = nullptr;
    });
    return result;
}
