#pragma once

#include <QFont>
#include <QList>
#include <QSizeF>
#include <QString>
#include <QStringList>

class QChart;

// A year's income against expenditure as the annual chart draws it: two bar series side by
// side per period (income red, expenditure blue), each bar's value above it, the legend on the
// right, no title of its own (the page carries it). For a chart printed without the chart form.
struct TYearChartData {
    QStringList Periods;
    QList<double> Income;
    QList<double> Payout;
};

// A new chart of the data, owned by the caller, sized in pixels for drawing.
QChart* NewYearChart(const TYearChartData& data, const QFont& font, const QSizeF& size);
