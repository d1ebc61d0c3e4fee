// Benchmark of the query form and the annual chart on the large ledger of bench_ledger.
//
//   QT_QPA_PLATFORM=offscreen bench_analysis [ledger-folder]
//
// Uses the ledger that bench_ledger generates (run it first; same default folder). For one
// member with about 100,000 records it prints the median of several runs of: the query form
// shown with its default result, a click of "查询" with each single filter, the chart shown and
// drawn, and the statistics statement taken apart: the whole statement, one half, the same half
// without the grouping by the category's texts, and a plain sum over the member's rows.
#include "data/ComboPub.h"
#include "data/Common.h"
#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/Schema.h"
#include "forms/FinanceAns.h"
#include "forms/PayQuery.h"
#include "platform/Fonts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

const QString Person = QStringLiteral("成员4");

// Median milliseconds of the action over the runs; prepare runs untimed before each one.
double Median(const std::function<void()>& action, const std::function<void()>& prepare = {},
              int runs = 7) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        if (prepare) prepare();
        QElapsedTimer timer;
        timer.start();
        action();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void Print(const char* name, double ms, double target) {
    std::printf("%-44s %8.2f ms%s\n", name, ms,
                target > 0 && ms > target ? "   (over target)" : "");
}

// Runs the statement and reads every row.
void Run(const QString& sql) {
    QSqlQuery q(dmMain->cnHearthbook);
    q.setForwardOnly(true);
    if (!q.exec(sql)) {
        std::fprintf(stderr, "%s\n", q.lastError().text().toUtf8().constData());
        std::exit(1);
    }
    while (q.next())
        q.value(0);
}

// Shows the form the way the main window does and lets it lay itself out and paint.
template <class Form> std::unique_ptr<Form> ShowForm() {
    auto form = std::make_unique<Form>();
    form->resize(1000, 640);
    form->show();
    QApplication::processEvents();
    return form;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QDir::tempPath() + QStringLiteral("/pennyvale-bench");
    QDir::setCurrent(folder);
    if (!QFile::exists(Schema::DatabasePath)) {
        std::fprintf(stderr, "no ledger in %s: run bench_ledger first\n",
                     folder.toUtf8().constData());
        return 1;
    }
    dmMain = new TdmMain;
    dmMain->DataModuleCreate();
    if (!dmMain->cnHearthbook.isOpen()) return 1;
    Common = new TCommon;
    CommonDB = new TCommonDB;
    ComboPub = new TComboPub;
    ComboPub->CurPersonName = Person;
    ComboPub->CurPersonID = QStringLiteral("4");
    TCommonDB::SetClock([] { return QDateTime(QDate(2026, 12, 7), QTime(10, 30)); });
    SetStartDates(QDate(2026, 12, 7));

    std::printf("member %s\n", Person.toUtf8().constData());

    // The statistics statement taken apart.
    const QString half =
        " select b.ItemType, a.ItemProjectID, b.ItemProject, 0 - sum(a.PayoutAccount) as iSum "
        "from fPayout a, bItemProject b where a.PersonName = '" +
        Person + "' and a.ItemProjectID = b.ItemProjectID and a.ItemType = '支出'";
    const QString group = " group by b.ItemType, a.ItemProjectID, b.ItemProject";
    const QString statistics =
        "select b.ItemType, a.ItemProjectID, b.ItemProject, sum(a.IncomeAccount) as iSum from "
        "fPayout a, bItemProject b where a.PersonName = '" +
        Person + "' and a.ItemProjectID = b.ItemProjectID and a.ItemType = '收入'" + group +
        " union" + half + group;
    Run(statistics); // warm the page cache
    Print("statistics statement, unfiltered", Median([&] { Run(statistics); }), 40);
    Print("  its expenditure half", Median([&] { Run(half + group); }), 0);
    Print("  that half grouped by category id alone", Median([&] {
              Run(half + " group by b.ItemProjectID");
          }),
          0);
    Print("  that half joined and summed, not grouped", Median([&] {
              Run("select count(*), sum(a.PayoutAccount) from fPayout a, bItemProject b where "
                  "a.PersonName = '" +
                  Person + "' and a.ItemProjectID = b.ItemProjectID and a.ItemType = '支出'");
          }),
          0);
    Print("plain sum of the member's rows", Median([&] {
              Run("select sum(IncomeAccount), sum(PayoutAccount) from fPayout where PersonName "
                  "= '" +
                  Person + "'");
          }),
          0);

    // The query form.
    std::unique_ptr<TfrmPayQuery> shown = ShowForm<TfrmPayQuery>(); // warm-up
    Print("query form shown with its default result",
          Median([&] { shown = ShowForm<TfrmPayQuery>(); }, [&] { shown.reset(); }, 5), 400);
    shown.reset();
    {
        auto form = ShowForm<TfrmPayQuery>();
        TfrmPayQuery* f = form.get();
        auto reset = [f] {
            f->cbItemType->setCurrentIndex(-1);
            f->cbPerson->setCurrentIndex(-1);
            f->cbDate->setChecked(false);
            f->edtContent->clear();
        };
        auto click = [f] {
            f->sbQuery->click();
            QApplication::processEvents();
        };
        Print("查询, no filter", Median(click, reset, 5), 300);
        Print("查询, kind 支出", Median(click, [&] {
                  reset();
                  f->cbItemType->setCurrentIndex(2);
              }, 5),
              300);
        Print("查询, kind 收入", Median(click, [&] {
                  reset();
                  f->cbItemType->setCurrentIndex(1);
              }, 5),
              300);
        Print("查询, member (the current one)", Median(click, [&] {
                  reset();
                  f->cbPerson->setCurrentIndex(f->cbPerson->findText(Person));
              }, 5),
              300);
        Print("查询, period (the next 30 days)", Median(click, [&] {
                  reset();
                  f->cbDate->setChecked(true);
              }, 5),
              300);
        Print("查询, period (all 20 years)", Median(click, [&] {
                  reset();
                  f->cbDate->setChecked(true);
                  f->dtpBegin->setDate(QDate(2007, 1, 1));
              }, 5),
              300);
        Print("查询, content 午饭", Median(click, [&] {
                  reset();
                  f->edtContent->setText(QStringLiteral("午饭"));
              }, 5),
              300);
    }

    // The chart.
    std::unique_ptr<TfrmFinanceAns> chart = ShowForm<TfrmFinanceAns>(); // warm-up
    Print("chart shown and drawn (by month)",
          Median([&] { chart = ShowForm<TfrmFinanceAns>(); }, [&] { chart.reset(); }), 50);
    chart.reset();
    {
        auto form = ShowForm<TfrmFinanceAns>();
        TfrmFinanceAns* f = form.get();
        Print("分析 by month, redrawn", Median([f] {
                  f->sbAns->click();
                  f->repaint();
              }),
              50);
        f->cbType->setCurrentIndex(1);
        Print("分析 by quarter, redrawn", Median([f] {
                  f->sbAns->click();
                  f->repaint();
              }),
              50);
    }

    delete ComboPub;
    delete CommonDB;
    delete Common;
    delete dmMain;
    return 0;
}
