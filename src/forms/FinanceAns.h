#pragma once

#include "forms/base/FormBase.h"

#include <QPointer>

class QBarCategoryAxis;
class QBarSeries;
class QBarSet;
class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QPushButton;
class QValueAxis;
class TField;
class TPanel;

// The working form for a year of income against expenditure as a bar chart, by month or by
// quarter, for the current member.
class TfrmFinanceAns : public TfrmBase {
    Q_OBJECT

public:
    explicit TfrmFinanceAns(QWidget* parent = nullptr);

    // The first year of the list, unless the member has records from before it; the list runs
    // at least to LastListedYear and on to the current year and the member's latest record.
    static constexpr int FirstListedYear = 2005;
    static constexpr int LastListedYear = 2010;

    TPanel* Panel8;
    QLabel* Label1;
    QComboBox* cbYear;
    QComboBox* cbType;
    QPushButton* sbAns;
    QPushButton* sbPrint;
    QPushButton* sbQuit;
    QChartView* Chart1;
    QBarSet* Series1; // income, red
    QBarSet* Series2; // expenditure, blue

    void sbAnsClick();
    void sbPrintClick();
    void cbYearChange();
    void cbTypeChange();
    void sbQuitClick();

    // The member's sums of income and expenditure per period (MonthNum or QuarterNum) of a year.
    static QString ChartStatement(const QString& periodColumn, const QString& person,
                                  const QString& year);

protected:
    void FormShow() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FillYears();
    void Analyse(const QString& periodColumn, const QString& periodSuffix);
    void PlaceTopBar();
    void ShowPeriods(const QStringList& labels);
    static double BarValue(const TField& sum, bool& outOfRange);

    QChart* FChart;
    QBarSeries* FSeries;
    QBarCategoryAxis* FPeriodAxis;
    QValueAxis* FAmountAxis;
    int FYearIndex = -1; // the selections the chart was last asked for, to react to changes only
    int FTypeIndex = -1;
    QString FShownTitle; // the member, year and mode of the chart drawn
};

extern QPointer<TfrmFinanceAns> frmFinanceAns;
