#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QUuid>

// A connection of the caller's own for one piece of work: registered with Qt SQL under a name no
// other holds, and closed and removed again however the work ends.
class TOwnConnection {
public:
    TOwnConnection(const QString& driver, const QString& purpose)
        : FName(purpose + u'-' + QUuid::createUuid().toString(QUuid::WithoutBraces)),
          FConnection(QSqlDatabase::addDatabase(driver, FName)) {}
    ~TOwnConnection() {
        FConnection.close();
        FConnection = QSqlDatabase();
        QSqlDatabase::removeDatabase(FName);
    }
    TOwnConnection(const TOwnConnection&) = delete;
    TOwnConnection& operator=(const TOwnConnection&) = delete;

    QSqlDatabase& operator*() { return FConnection; }
    QSqlDatabase* operator->() { return &FConnection; }

private:
    QString FName;
    QSqlDatabase FConnection;
};
