#include "app/start/ReportCommand.h"

#include "app/start/MemberLedger.h"
#include "data/DataModule.h"
#include "data/Schema.h"
#include "data/query/Query.h"
#include "forms/FinanceAns.h"
#include "forms/PayQuery.h"
#include "output/StatementDocument.h"
#include "output/StatementPrint.h"
#include "output/YearChart.h"
#include "platform/Exception.h"
#include "platform/PartialFile.h"
#include "platform/SystemError.h"
#include "widgets/Currency.h"

#include <QChart>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QPdfWriter>
#include <QSqlError>
#include <QSqlQuery>
#include <cerrno>
#include <cstdio>
#include <memory>

namespace {

void Open(TQuery& query, const QString& sql) {
    query.Close();
    query.SQL = QStringList{sql};
    query.Open();
}

double Yuan(const Currency::TTotal& total) {
    return double(total.Units()) / double(Currency::UnitsPerYuan);
}

// The months of the year from the chart's own statement: the bars, and the table of income,
// expenditure and their balance with the year's sums.
struct TMonths {
    TYearChartData Chart;
    TStatementTable Table;
};

TMonths Months(QSqlDatabase& connection, const QString& member, int year) {
    TQuery query(connection);
    Open(query,
         TfrmFinanceAns::ChartStatement(QStringLiteral("MonthNum"), member, QString::number(year)));
    TMonths months;
    months.Table.Columns = {{QStringLiteral("月份"), Qt::AlignHCenter, 1},
                            {QStringLiteral("收入"), Qt::AlignRight, 2},
                            {QStringLiteral("支出"), Qt::AlignRight, 2},
                            {QStringLiteral("结余"), Qt::AlignRight, 2}};
    Currency::TTotal income[13], payout[13];
    for (query.First(); !query.Eof(); query.Next()) {
        const qint64 month = query.Fields(0).AsInteger();
        if (month < 1 || month > 12) continue;
        income[month].Add(query.FieldByName(QStringLiteral("fSum01")).Value());
        payout[month].Add(query.FieldByName(QStringLiteral("fSum02")).Value());
    }
    qint64 yearIncome = 0, yearPayout = 0;
    for (int month = 1; month <= 12; ++month) {
        months.Chart.Periods.append(QStringLiteral("%1月").arg(month));
        months.Chart.Income.append(Yuan(income[month]));
        months.Chart.Payout.append(Yuan(payout[month]));
        months.Table.Rows.append(
            {{QStringLiteral("%1月").arg(month), income[month].Text(), payout[month].Text(),
              Currency::Text(income[month].Units() - payout[month].Units())}});
        yearIncome += income[month].Units();
        yearPayout += payout[month].Units();
    }
    months.Table.Footer = {QStringLiteral("全年"), Currency::Text(yearIncome),
                           Currency::Text(yearPayout), Currency::Text(yearIncome - yearPayout)};
    return months;
}

// The whole year, 1 January 00:00 to 31 December 23:59:59.999, as the query form's period
// filter reads it (it starts from the day before the begin date, at the begin's time).
TfrmPayQuery::TFilter YearFilter(int year) {
    TfrmPayQuery::TFilter filter;
    filter.ByDate = true;
    filter.Begin = QDateTime(QDate(year, 1, 2), QTime(0, 0));
    filter.End = QDateTime(QDate(year, 12, 31), QTime(23, 59, 59, 999));
    return filter;
}

// The partial file the PDF writer writes to, keeping the system's reason for the first write that
// failed: the writer goes on as if every write went through, and a later write clears the
// file's error.
class TReportFile : public QFile {
public:
    using QFile::QFile;
    int WriteError = 0;

protected:
    qint64 writeData(const char* data, qint64 size) override {
        errno = 0;
        const qint64 put = QFile::writeData(data, size);
        if (put != size && WriteError == 0) WriteError = errno != 0 ? errno : EIO;
        return put;
    }
};

} // namespace

namespace ReportCommand {

int Run(const QString& file, const QString& account, int year) {
    try {
        TdmMain data;
        data.Open();
        QSqlDatabase& connection = data.cnHearthbook;
        const QString member =
            MemberLedger::MemberOf(connection, account, QStringLiteral("没有生成报表。"));
        const TfrmPayQuery::TFilter filter = YearFilter(year);

        // The details and the totals by the query form's own statements and columns.
        TQuery categories(connection);
        Open(categories, QStringLiteral("select * from bItemProject order by ItemProjectID"));
        TQuery details(connection);
        details.AddLookupField(QStringLiteral("ItemProject"), QStringLiteral("ItemProjectID"),
                               categories, QStringLiteral("ItemProjectID"),
                               QStringLiteral("ItemProject"));
        Open(details, TfrmPayQuery::DetailsStatement(member, filter));
        TQuery statistics(connection);
        Open(statistics, TfrmPayQuery::StatisticsStatement(member, filter));

        TStatementDocument document(QStringLiteral("%1 年收支报表").arg(year),
                                    {QStringLiteral("成员：%1").arg(member),
                                     QStringLiteral("期间：%1-01-01 至 %1-12-31").arg(year)});
        QGraphicsScene scene;
        std::unique_ptr<QChart> chart; // goes before the scene, leaving it
        if (details.IsEmpty()) {
            document.AddParagraph(
                QStringLiteral("%1 在 %2 年没有收支记录。").arg(member).arg(year));
        } else {
            const TMonths months = Months(connection, member, year);
            chart.reset(NewYearChart(months.Chart, TStatementDocument::Font(11), QSizeF(960, 600)));
            scene.addItem(chart.get());
            document.AddHeading(QStringLiteral("各月收支"));
            document.AddTable(months.Table);
            document.AddHeading(QStringLiteral("分类合计"));
            document.AddTable(TfrmPayQuery::StatisticsTable(statistics));
            document.AddHeading(QStringLiteral("收支明细"));
            document.AddTable(TfrmPayQuery::DetailsTable(details));
        }

        // Written beside the target under a name of its own, and named only when every page
        // went to the disk whole.
        const auto fail = [&file](const QString& reason) {
            throw Exception(QStringLiteral("无法写入报表文件 %1：%2").arg(ShownPath(file), reason));
        };
        TPartialFile partial(file);
        const QString reason = partial.Create();
        if (!reason.isEmpty()) fail(reason);
        TReportFile pdf(partial.Path());
        if (!pdf.open(QIODevice::WriteOnly)) fail(pdf.errorString());
        int pages = 0;
        {
            QPdfWriter writer(&pdf);
            writer.setResolution(1200);
            writer.setPageSize(QPageSize(QPageSize::A4));
            writer.setPageOrientation(QPageLayout::Portrait);
            writer.setTitle(QStringLiteral("%1 %2 年收支报表").arg(member).arg(year));
            writer.setCreator(QStringLiteral("Pennyvale"));
            pages = StatementPrint::Print(
                writer, {chart.get(), QStringLiteral("%1　%2 年各月收支").arg(member).arg(year),
                         &document});
        }
        if (pdf.WriteError != 0) fail(SystemErrorText(pdf.WriteError));
        if (pages == 0) fail(QStringLiteral("无法生成 PDF。"));
        errno = 0;
        if (!pdf.flush()) fail(errno != 0 ? SystemErrorText(errno) : pdf.errorString());
        // what the writer wrote is what the file holds
        if (pdf.pos() <= 0 || pdf.size() != pdf.pos()) fail(QStringLiteral("文件没有写完整"));
        pdf.close();
        partial.TakeDocumentPermissions(file);
        QString placeReason;
        if (!partial.PlaceOver(file, &placeReason)) fail(placeReason);
        MemberLedger::Print(
            stdout, QStringLiteral("已生成报表 %1，共 %2 页。").arg(ShownPath(file)).arg(pages));
        return 0;
    } catch (const Exception& error) {
        MemberLedger::Print(stderr, error.Message);
        return 1;
    }
}

} // namespace ReportCommand
