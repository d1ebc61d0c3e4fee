#include "output/YearChart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QFont>
#include <QValueAxis>
#include <algorithm>

QChart* NewYearChart(const TYearChartData& data, const QFont& font, const QSizeF& size) {
    auto* income = new QBarSet(QStringLiteral("收入"));
    income->setColor(Qt::red);
    income->setBorderColor(Qt::red);
    income->setLabelColor(Qt::black);
    income->setLabelFont(font);
    auto* payout = new QBarSet(QStringLiteral("支出"));
    payout->setColor(Qt::blue);
    payout->setBorderColor(Qt::blue);
    payout->setLabelColor(Qt::black);
    payout->setLabelFont(font);
    double highest = 0;
    for (double value : data.Income) {
        income->append(value);
        highest = std::max(highest, value);
    }
    for (double value : data.Payout) {
        payout->append(value);
        highest = std::max(highest, value);
    }
    auto* series = new QBarSeries;
    series->append(income);
    series->append(payout);
    series->setLabelsVisible(true);
    series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    series->setLabelsPrecision(12);

    auto* chart = new QChart;
    chart->setPlotAreaBackgroundVisible(false);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->addSeries(series);
    auto* periods = new QBarCategoryAxis;
    periods->setCategories(data.Periods);
    periods->setLabelsFont(font);
    auto* amounts = new QValueAxis;
    amounts->setLabelFormat(QStringLiteral("%.0f"));
    amounts->setLabelsFont(font);
    amounts->setRange(0, highest > 0 ? highest * 1.15 : 100); // room for the top bar's value
    amounts->applyNiceNumbers();
    chart->addAxis(periods, Qt::AlignBottom);
    chart->addAxis(amounts, Qt::AlignLeft);
    series->attachAxis(periods);
    series->attachAxis(amounts);
    chart->legend()->setVisible(true);
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->legend()->setFont(font);
    chart->resize(size);
    return chart;
}
