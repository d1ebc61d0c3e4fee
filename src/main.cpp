#include "Resources.h"
#include "app/Application.h"
#include "app/LedgerHome.h"
#include "app/MainWindow.h"
#include "app/StartCheck.h"
#include "data/DataModule.h"
#include "data/Schema.h"
#include "platform/Exception.h"
#include "platform/Fonts.h"
#include "platform/InstallLayout.h"

#include <QCoreApplication>
#include <cstdio>
#include <memory>

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
    std::unique_ptr<TStartCheck> check;
    if (argc > 1 && qstrcmp(argv[1], "--check-start") == 0) check = std::make_unique<TStartCheck>();
    if (!EnterLedgerHome(InstallLayout::RunsInstalled())) return 1;

    dmMain = new TdmMain;
    dmMain->DataModuleCreate();
    frmMain = new TfrmMain;
    frmMain->show(); // runs the login
    const int result = app.exec();
    delete frmMain;
    frmMain = nullptr;
    delete dmMain;
    dmMain = nullptr;
    return check ? check->Result(result) : result;
}
