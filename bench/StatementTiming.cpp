#include "StatementTiming.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double TimeStatement(QSqlDatabase& connection, const QString& sql, int* rows) {
    std::vector<double> times;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer timer;
        timer.start();
        QSqlQuery q(connection);
        q.setForwardOnly(true);
        if (!q.exec(sql)) {
            std::fprintf(stderr, "%s\n%s\n", sql.toUtf8().constData(),
                         q.lastError().text().toUtf8().constData());
            std::exit(1);
        }
        int n = 0;
        const int columns = q.record().count();
        while (q.next()) {
            for (int i = 0; i < columns; ++i)
                q.value(i);
            ++n;
        }
        times.push_back(timer.nsecsElapsed() / 1e6);
        *rows = n;
    }
    return Median(times);
}
