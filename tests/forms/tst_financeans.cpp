#include "FormUnderTest.h"
#include "Resources.h"
#include "data/ComboPub.h"
#include "data/Common.h"
#include "data/DataModule.h"
#include "data/query/Query.h"
#include "forms/FinanceAns.h"
#include "forms/base/FormPanel.h"
#include "platform/Fonts.h"
#include "widgets/Panel.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QValueAxis>

#include <memory>

namespace {

const QString Member = QStringLiteral("家长"); // the default member, logged in
const QString Other = QStringLiteral("李四");
const QString Income = QStringLiteral("收入");
const QString Payout = QStringLiteral("支出");

QStringList Items(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

QList<double> Values(const QBarSet* set) {
    QList<double> values;
    for (int i = 0; i < set->count(); ++i)
        values << set->at(i);
    return values;
}

QStringList Years(int first, int last) {
    QStringList years;
    for (int year = first; year <= last; ++year)
        years << QString::number(year);
    return years;
}

} // namespace

class TestFinanceAns : public QObject, TFormUnderTest<TfrmFinanceAns> {
    Q_OBJECT

    int FNextId = 1;

    void Add(const QString& type, double amount, const QDate& day, const QString& person = Member) {
        const int category = type == Income ? 1 : 7; // 工资, 餐饮
        FLedger->AddPayout(FNextId++, category, QStringLiteral("记录"),
                           type == Payout ? QVariant(amount) : QVariant(),
                           type == Income ? QVariant(amount) : QVariant(), day, person, type);
    }

    TfrmFinanceAns* Show() {
        auto form = std::make_unique<TfrmFinanceAns>();
        frmFinanceAns = form.get();
        return ShowForm(std::move(form));
    }

    // The texts the chart shows, as drawn once its layout has settled.
    QStringList DrawnTexts() const {
        QCoreApplication::processEvents();
        FForm->Chart1->grab();
        QStringList texts;
        for (const QGraphicsItem* item : FForm->Chart1->scene()->items())
            if (const auto* text = dynamic_cast<const QGraphicsTextItem*>(item);
                text && text->isVisible())
                texts << text->toPlainText();
        return texts;
    }

    QBarCategoryAxis* PeriodAxis() const {
        return qobject_cast<QBarCategoryAxis*>(
            FForm->Chart1->chart()->axes(Qt::Horizontal).value(0));
    }

private slots:
    void init() {
        OpenLedger();
        ComboPub->CurPersonName = Member;
        ComboPub->CurPersonID = QStringLiteral("1");
        FLedger->AddPerson(2, Other, QStringLiteral("lisi"), QStringLiteral("1"));
        FNextId = 1;
    }

    void cleanup() { CloseForm(); }

    // -- the form as the user first sees it -----------------------------------------------------

    void topBarAndChart() {
        TfrmFinanceAns* form = Show();
        QCOMPARE(form->windowTitle(), QStringLiteral("财务统计分析"));
        QCOMPARE(form->Label1->text(),
                 QStringLiteral("请选择") + QString(26, u' ') + QStringLiteral("年份"));
        QCOMPARE(form->Label1->buddy(), form->cbYear);
        QVERIFY(qobject_cast<TPanel*>(form->findChild<QWidget*>("Panel8")));
        QCOMPARE(Items(form->cbType),
                 (QStringList{QStringLiteral("月度"), QStringLiteral("季度")}));
        QVERIFY(!form->cbYear->isEditable());
        QVERIFY(!form->cbType->isEditable());
        QCOMPARE(form->sbAns->text(), QStringLiteral("分析"));
        QCOMPARE(form->sbQuit->text(), QStringLiteral("退出"));
        // The year list stands in the gap between "请选择" and "年份", inside its label.
        const QRect label = form->Label1->geometry();
        const QRect year = form->cbYear->geometry();
        QVERIFY(year.left() > label.left() + 20);
        QVERIFY(year.right() < label.right() - 20);
        QVERIFY(form->cbType->geometry().left() > label.right());

        QChart* chart = form->Chart1->chart();
        QCOMPARE(chart->title(), QStringLiteral("财务统计分析"));
        QCOMPARE(chart->titleBrush().color(), QColor(Qt::blue));
        QVERIFY(!chart->isPlotAreaBackgroundVisible());
        QVERIFY(chart->legend()->isVisible());
        QCOMPARE(chart->series().size(), 1);
        auto* series = qobject_cast<QBarSeries*>(chart->series().first());
        QVERIFY(series);
        QCOMPARE(series->barSets(), (QList<QBarSet*>{form->Series1, form->Series2}));
        QVERIFY(series->isLabelsVisible());
        QCOMPARE(series->labelsPosition(), QAbstractBarSeries::LabelsOutsideEnd);
        QCOMPARE(form->Series1->label(), Income);
        QCOMPARE(form->Series2->label(), Payout);
        QCOMPARE(form->Series1->color(), QColor(Qt::red));
        QCOMPARE(form->Series2->color(), QColor(Qt::blue));
        // Each legend entry shows the colour its bars are drawn in.
        const auto markers = chart->legend()->markers(series);
        QCOMPARE(markers.size(), 2);
        QCOMPARE(markers[0]->label(), Income);
        QCOMPARE(markers[0]->brush().color(), QColor(Qt::red));
        QCOMPARE(markers[1]->label(), Payout);
        QCOMPARE(markers[1]->brush().color(), QColor(Qt::blue));
        QVERIFY(PeriodAxis());
    }

    // In the skinned host panel, with the program's fonts, the year box is wide enough for "2026"
    // and leaves "年份" clear.
    void yearBoxFitsTheYear() {
        InitPennyvaleResources();
        InstallFontSubstitutions();
        QWidget window;
        window.resize(792, 573);
        auto* layout = new QVBoxLayout(&window);
        frmPanel = new TfrmPanel(&window);
        layout->addWidget(frmPanel);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* form = new TfrmFinanceAns(frmPanel);
        frmFinanceAns = form;
        form->setWindowFlags(Qt::Widget);
        (new QVBoxLayout(frmPanel))->addWidget(form);
        frmPanel->sdMain.AddNestedForm(form);
        form->show();
        QCOMPARE(form->cbYear->currentText(), QStringLiteral("2026"));
        const QRect year = form->cbYear->geometry();
        QVERIFY2(
            year.width() >= form->cbYear->sizeHint().width(),
            qPrintable(
                QStringLiteral("%1 < %2").arg(year.width()).arg(form->cbYear->sizeHint().width())));
        const QFontMetrics metrics(form->Label1->font());
        const int yearWord = form->Label1->x() + metrics.horizontalAdvance(form->Label1->text()) -
                             metrics.horizontalAdvance(QStringLiteral("年份"));
        QVERIFY(year.right() < yearWord);
        frmPanel = nullptr;
    }

    // Started in 2026: the list reaches the current year, the form opens on it, by month, drawn
    // once, without a message.
    void showOpensOnTheCurrentYear() {
        Add(Income, 3000, QDate(2026, 3, 10));
        Add(Payout, 25, QDate(2026, 7, 1));
        FForm = std::make_unique<TfrmFinanceAns>();
        QSignalSpy drawn(FForm->Series1, &QBarSet::valuesAdded);
        FForm->show();
        QCOMPARE(Items(FForm->cbYear), Years(2005, 2026));
        QCOMPARE(FForm->cbYear->currentText(), QStringLiteral("2026"));
        QCOMPARE(FForm->cbType->currentText(), QStringLiteral("月度"));
        QCOMPARE(FLedger->Messages.Boxes.size(), 0);
        QCOMPARE(drawn.count(), 2); // one analysis of two months
        QCOMPARE(PeriodAxis()->categories(), (QStringList{"3月", "7月"}));

        // Each show resets the mode and the year and draws again.
        Choose(FForm->cbType, QStringLiteral("季度"));
        Choose(FForm->cbYear, QStringLiteral("2008"));
        FForm->hide();
        FForm->show();
        QCOMPARE(FForm->cbType->currentText(), QStringLiteral("月度"));
        QCOMPARE(FForm->cbYear->currentText(), QStringLiteral("2026"));
        QCOMPARE(PeriodAxis()->categories(), (QStringList{"3月", "7月"}));
        QCOMPARE(FLedger->Messages.Boxes.size(), 0);
    }

    void yearList_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QList<int>>("memberYears");
        QTest::addColumn<QList<int>>("otherYears");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<QString>("selected");
        QTest::newRow("in the fixed years")
            << QDate(2008, 5, 1) << QList<int>{2006} << QList<int>{} << 2005 << 2010 << "2008";
        QTest::newRow("today after them")
            << QDate(2026, 12, 7) << QList<int>{} << QList<int>{} << 2005 << 2026 << "2026";
        QTest::newRow("records from earlier and later years")
            << QDate(2026, 12, 7) << QList<int>{2001, 2028} << QList<int>{} << 2001 << 2028
            << "2026";
        QTest::newRow("other members' years are not listed")
            << QDate(2026, 12, 7) << QList<int>{2020} << QList<int>{1998, 2030} << 2005 << 2026
            << "2026";
    }

    void yearList() {
        QFETCH(QDate, today);
        QFETCH(QList<int>, memberYears);
        QFETCH(QList<int>, otherYears);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(QString, selected);
        SetStartDates(today);
        for (int year : memberYears)
            Add(Payout, 10, QDate(year, 6, 1));
        for (int year : otherYears)
            Add(Payout, 10, QDate(year, 6, 1), Other);
        Show();
        QCOMPARE(Items(FForm->cbYear), Years(first, last));
        QCOMPARE(FForm->cbYear->currentText(), selected);
        QCOMPARE(FLedger->Messages.Boxes.size(), 0);
    }

    // -- the analysis ----------------------------------------------------------------------------

    void statements() {
        Show();
        QCOMPARE(dmMain->qryCommon->SQL.join("\n"),
                 QStringLiteral("select MonthNum, sum(IncomeAccount) as fSum01, sum(PayoutAccount) "
                                "as fSum02 from fPayout where PersonName = '家长' and YearNum = "
                                "2026 group by MonthNum"));
        Choose(FForm->cbType, QStringLiteral("季度"));
        QCOMPARE(dmMain->qryCommon->SQL.join("\n"),
                 QStringLiteral("select QuarterNum, sum(IncomeAccount) as fSum01, "
                                "sum(PayoutAccount) as fSum02 from fPayout where PersonName = "
                                "'家长' and YearNum = 2026 group by QuarterNum"));
        Choose(FForm->cbYear, QStringLiteral("2009"));
        QVERIFY(dmMain->qryCommon->SQL.join("\n").endsWith(
            QStringLiteral("and YearNum = 2009 group by QuarterNum")));
    }

    // A member's name with an apostrophe neither breaks the statement nor loses its records.
    void memberNameWithApostrophe() {
        ComboPub->CurPersonName = QStringLiteral("O'Neil");
        Add(Income, 500, QDate(2026, 2, 2), QStringLiteral("O'Neil"));
        Show();
        QCOMPARE(FLedger->Messages.Boxes.size(), 0);
        QCOMPARE(PeriodAxis()->categories(), QStringList{"2月"});
        QCOMPARE(Values(FForm->Series1), QList<double>{500});
    }

    // Records only in March and July: two adjacent pairs; a period with one kind has 0 for the
    // other; other members and other years never count.
    void monthsWithRecords() {
        Add(Income, 3000, QDate(2026, 7, 15));
        Add(Payout, 25, QDate(2026, 3, 1));
        Add(Payout, 100.5, QDate(2026, 3, 31));
        Add(Income, 1000, QDate(2026, 7, 1));
        Add(Payout, 1234, QDate(2026, 7, 2));
        Add(Income, 99999, QDate(2026, 3, 5), Other);
        Add(Payout, 777, QDate(2026, 5, 5), Other);
        Add(Payout, 888, QDate(2025, 5, 5));
        Show();
        QCOMPARE(PeriodAxis()->categories(), (QStringList{"3月", "7月"}));
        QCOMPARE(Values(FForm->Series1), (QList<double>{0, 4000}));
        QCOMPARE(Values(FForm->Series2), (QList<double>{125.5, 1234}));
        QCOMPARE(FLedger->Messages.Boxes.size(), 0);
    }

    void quarters() {
        Add(Payout, 40, QDate(2026, 12, 31));
        Add(Income, 10, QDate(2026, 1, 1));
        Add(Income, 20, QDate(2026, 3, 31));
        Add(Payout, 30, QDate(2026, 10, 1));
        Add(Income, 5, QDate(2026, 5, 1), Other);
        Show();
        Choose(FForm->cbType, QStringLiteral("季度"));
        QCOMPARE(PeriodAxis()->categories(), (QStringList{"1季度", "4季度"}));
        QCOMPARE(Values(FForm->Series1), (QList<double>{30, 0}));
        QCOMPARE(Values(FForm->Series2), (QList<double>{0, 70}));
        // Back to months.
        Choose(FForm->cbType, QStringLiteral("月度"));
        QCOMPARE(PeriodAxis()->categories(), (QStringList{"1月", "3月", "10月", "12月"}));
    }

    // A year without records of the member: both series cleared, no message.
    void yearWithoutRecords() {
        Add(Income, 3000, QDate(2026, 7, 15));
        Add(Income, 3000, QDate(2024, 7, 15), Other);
        Show();
        QCOMPARE(FForm->Series1->count(), 1);
        QVERIFY(DrawnTexts().contains(QStringLiteral("7月")));
        Choose(FForm->cbYear, QStringLiteral("2024"));
        QCOMPARE(FForm->Series1->count(), 0);
        QCOMPARE(FForm->Series2->count(), 0);
        QVERIFY(PeriodAxis()->categories().isEmpty());
        QVERIFY(!DrawnTexts().contains(QStringLiteral("7月"))); // an empty chart shows no months
        // and the next year with records has its months again
        Choose(FForm->cbYear, QStringLiteral("2026"));
        QCOMPARE(PeriodAxis()->categories(), QStringList{"7月"});
        QVERIFY(DrawnTexts().contains(QStringLiteral("7月")));
        QCOMPARE(FLedger->Messages.Boxes.size(), 0);
    }

    // A month whose total is beyond what the currency columns hold (written by another tool) has
    // no bar of that kind and says it is out of range; the other months are drawn as ever.
    void totalOutOfRange() {
        Add(Income, 1e300, QDate(2026, 7, 15));
        Add(Payout, 25, QDate(2026, 7, 1));
        Add(Payout, 40, QDate(2026, 3, 1));
        Show();
        QCOMPARE(PeriodAxis()->categories(), (QStringList{"3月", "7月（超出范围）"}));
        QCOMPARE(Values(FForm->Series1), (QList<double>{0, 0}));
        QCOMPARE(Values(FForm->Series2), (QList<double>{40, 25}));
        QVERIFY(FForm->Chart1->chart()->axes(Qt::Vertical).size() == 1);
        QCOMPARE(
            qobject_cast<QValueAxis*>(FForm->Chart1->chart()->axes(Qt::Vertical).first())->max(),
            50.0);
        QCOMPARE(FLedger->Messages.Boxes.size(), 0);
    }

    // "分析" repeats the drawing; the lists redraw at once when the user changes them, and
    // choosing the item already selected draws nothing new.
    void analyseButtonAndChanges() {
        Add(Income, 3000, QDate(2026, 7, 15));
        Add(Income, 10, QDate(2010, 1, 15));
        Show();
        QSignalSpy drawn(FForm->Series1, &QBarSet::valuesAdded);
        QTest::mouseClick(FForm->sbAns, Qt::LeftButton);
        QCOMPARE(drawn.count(), 1);
        Choose(FForm->cbType, QStringLiteral("月度"));
        Choose(FForm->cbYear, QStringLiteral("2026"));
        QCOMPARE(drawn.count(), 1);
        Choose(FForm->cbYear, QStringLiteral("2010"));
        QCOMPARE(drawn.count(), 2);
        QCOMPARE(PeriodAxis()->categories(), QStringList{"1月"});
        QCOMPARE(FLedger->Messages.Boxes.size(), 0);
    }

    void warnings() {
        Add(Income, 3000, QDate(2026, 7, 15));
        Show();
        FForm->cbYear->setCurrentIndex(-1);
        QTest::mouseClick(FForm->sbAns, Qt::LeftButton);
        QCOMPARE(FLedger->Messages.Texts(), QStringList{"请选择年份！"});
        QCOMPARE(FLedger->Messages.Boxes.first().Kind, TMessageKind::Warning);
        QCOMPARE(Values(FForm->Series1), QList<double>{3000}); // the chart keeps what it showed

        FLedger->Messages.Boxes.clear();
        FForm->cbYear->setCurrentIndex(FForm->cbYear->findText("2026"));
        FForm->cbType->setCurrentIndex(-1);
        QTest::mouseClick(FForm->sbAns, Qt::LeftButton);
        QCOMPARE(FLedger->Messages.Texts(), QStringList{"请选择统计分析方式！"});
        QCOMPARE(Values(FForm->Series1), QList<double>{3000});
    }

    // A failing statement is reported and the chart keeps the old bars.
    void failingStatementKeepsTheChart() {
        Add(Income, 3000, QDate(2026, 7, 15));
        Show();
        FLedger->Exec("alter table fPayout rename to fPayoutGone");
        QTest::mouseClick(FForm->sbAns, Qt::LeftButton);
        QCOMPARE(FLedger->Messages.Boxes.size(), 1);
        QCOMPARE(FLedger->Messages.Boxes.first().Kind, TMessageKind::Error);
        QVERIFY(LastMessage().contains("fPayout"));
        QCOMPARE(Values(FForm->Series1), QList<double>{3000});
        QCOMPARE(PeriodAxis()->categories(), QStringList{"7月"});
    }

    // 打印 opens the print preview of the chart on one landscape page.
    void printPreviewsTheChart() {
        Add(Income, 3000, QDate(2026, 3, 1));
        const TPreviewSeen preview = PreviewOf(Show()->sbPrint);
        QCOMPARE(preview.Pages, 1);
        QCOMPARE(preview.Orientation, QPageLayout::Landscape);
    }

    void quitHidesTheForm() {
        Show();
        QVERIFY(FForm->isVisible());
        QTest::mouseClick(FForm->sbQuit, Qt::LeftButton);
        QVERIFY(!FForm->isVisible());
    }
};

// The fonts are picked as on a Chinese desktop, where the year list was cut before.
int main(int argc, char** argv) {
    qputenv("LC_ALL", "zh_CN.UTF-8");
    QApplication app(argc, argv);
    TestFinanceAns test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_financeans.moc"
