#include "data/Schema.h"
#include "platform/Exception.h"

#include <QApplication>
#include <QLabel>
#include <cstdio>

namespace {

// pennyvale --create-database: writes a new ledger below the current directory.
int CreateDatabase() {
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
    if (argc > 1 && qstrcmp(argv[1], "--create-database") == 0) {
        QCoreApplication app(argc, argv);
        return CreateDatabase();
    }
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Pennyvale"));
    QLabel window(QStringLiteral("Pennyvale"));
    window.show();
    return app.exec();
}
