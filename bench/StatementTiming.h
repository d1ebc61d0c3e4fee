#pragma once

#include <QSqlDatabase>
#include <QString>
#include <vector>

// The middle of a benchmark's runs (the upper one of an even count).
double Median(std::vector<double> times);

// Median milliseconds of seven runs of the statement on connection, each reading every row and
// value through Qt SQL; rows gets the number of rows. Ends the benchmark when it fails.
double TimeStatement(QSqlDatabase& connection, const QString& sql, int* rows);
