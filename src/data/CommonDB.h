#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

class TQuery;

// Statements, the clock and new keys.
class TCommonDB {
public:
    // Closes the query, makes the statement its only SQL line and opens it.
    static void OpenSQL(const QString& sql, TQuery& query);
    // The one source of "now" in the program: the local date and time.
    static QDateTime GetSysDateTime();
    // The highest value of the key column in the table, or 0 when the table is empty or a name
    // is empty. Runs on the shared query, which it leaves open on its one-row result.
    static qint64 GetMaxID(const QString& table, const QString& keyColumn);

    // Replaces the clock (tests fix "now"); an empty function restores the system clock.
    static void SetClock(std::function<QDateTime()> clock);
};

extern TCommonDB* CommonDB;
