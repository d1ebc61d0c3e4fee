#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Pennyvale"));
    QLabel window(QStringLiteral("Pennyvale"));
    window.show();
    return app.exec();
}
