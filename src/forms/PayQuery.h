#pragma once

#include "forms/base/FormBase.h"
#include "output/StatementTable.h"

#include <QDateTime>
#include <QPointer>
#include <memory>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;
class TDBGrid;
class TPanel;
class TQuery;

// The working form for looking the current member's records up by kind, member, period and
// content, with per-category totals in which expenditure counts negative. It only reads.
class TfrmPayQuery : public TfrmBase {
    Q_OBJECT

public:
    explicit TfrmPayQuery(QWidget* parent = nullptr);
    ~TfrmPayQuery() override;

    // The value a date picker carries for a moment: the moment itself, but never the first
    // second after midnight, so that "the begin value less one day" always lies after the
    // midnight of the day before and the date filter keeps excluding that day.
    static QDateTime PickerValue(const QDateTime& moment);

    // The filters of a query; an empty text or an unset period filters nothing.
    struct TFilter {
        QString Kind;
        QString Person;
        bool ByDate = false;
        QDateTime Begin;
        QDateTime End;
        QString Content;
    };
    // The statements of the details and of the per-category totals of a member's records: as the
    // form first opens, and with the filters.
    static QString FirstDetailsStatement(const QString& person);
    static QString FirstStatisticsStatement(const QString& person);
    static QString DetailsStatement(const QString& person, const TFilter& filter);
    static QString StatisticsStatement(const QString& person, const TFilter& filter);
    // The columns the two grids show their rows by (and a printed statement prints them by).
    static const QList<TGridColumn>& DetailColumns();
    static const QList<TGridColumn>& StatColumns();
    // The details' and the totals' tables of a printed statement, from the queries the grids
    // show: the details with their footer sums, the totals by kind with the balance.
    static TStatementTable DetailsTable(TQuery& details, const std::vector<int>& order = {});
    static TStatementTable StatisticsTable(TQuery& statistics);

    TPanel* Panel8;
    QLabel* lblItemType;
    QComboBox* cbItemType;
    QLabel* lblPerson;
    QComboBox* cbPerson;
    QCheckBox* cbDate;
    QDateTimeEdit* dtpBegin;
    QLabel* lblTo;
    QDateTimeEdit* dtpEnd;
    QLabel* lblContent;
    QLineEdit* edtContent;
    QPushButton* sbQuery;
    QPushButton* sbExport; // "导出": the current page to a CSV file
    QPushButton* sbPrint;  // "打印": a print preview of the current page
    QPushButton* sbQuit;
    QTabWidget* pcPayout;
    QWidget* TabSheet1; // 帐目细节
    QWidget* TabSheet2; // 帐目统计
    TDBGrid* dbgPayout;  // details, over qryPayout
    TDBGrid* dbgStat;    // totals grouped by kind, over qryStat

    std::unique_ptr<TQuery> qryItemProject; // the category names, for the details' lookup
    std::unique_ptr<TQuery> qryPayout;      // details
    std::unique_ptr<TQuery> qryStat;        // totals per kind and category

    void sbQueryClick();
    void sbExportClick();
    void sbPrintClick();
    void sbQuitClick();

    // The file name the export proposes: "收支明细-家长-20261201-20261231.csv" for the details,
    // "收支统计-…" for the totals; without dates when the period is not set.
    QString ExportName() const;

protected:
    void FormShow() override;

private:
    static QString Conditions(const TFilter& filter, const QString& prefix);
    TFilter CurrentFilter() const;
    void ExpandStatGroups();
    TFilter FShownFilter; // the filters of the rows the grids show
};

extern QPointer<TfrmPayQuery> frmPayQuery;
