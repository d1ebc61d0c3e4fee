// Benchmark of the expenditure entry form on the large ledger.
//
//   bench_entry [ledger-folder]
//
// Generates (once, then reuses, as bench_ledger does) the ledger of 1,000,000 records, works on
// a copy of it, and prints for the member with about 100,000 records: opening the form (show to
// the first paint of the list), and saving new records through the form's buttons, one at a
// time and 1,000 in a row (from the click of "保存" until the list has been painted again).
#include "LargeLedger.h"
#include "Resources.h"
#include "data/ComboPub.h"
#include "data/Common.h"
#include "data/CommonDB.h"
#include "data/DataModule.h"
#include "data/query/Query.h"
#include "forms/PayoutBase.h"
#include "forms/base/FormPanel.h"
#include "platform/Fonts.h"
#include "platform/MessagePresenter.h"
#include "widgets/grid/DBGrid.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

namespace {

using namespace LargeLedger;

// Any box the form shows would mean the run measured something else: count and print them.
class TCountingPresenter final : public TMessagePresenter {
public:
    bool Show(TMessageKind, const QString& text) override {
        ++Boxes;
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
        return true;
    }
    int Boxes = 0;
};

// Notes the first paint of a widget.
class TPaintWatch : public QObject {
public:
    bool Painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) Painted = true;
        return false;
    }
};

// Runs the event loop until the widget has painted (what the user sees is on the screen).
void UntilPainted(QWidget* widget) {
    TPaintWatch watch;
    widget->installEventFilter(&watch);
    widget->update();
    for (int guard = 0; !watch.Painted && guard < 100000; ++guard)
        QApplication::processEvents();
    QApplication::processEvents();
    widget->removeEventFilter(&watch);
}

double Ms(const QElapsedTimer& timer) {
    return timer.nsecsElapsed() / 1e6;
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double Mean(const std::vector<double>& times, size_t from, size_t count) {
    return std::accumulate(times.begin() + from, times.begin() + from + count, 0.0) / count;
}

// The widget whose paint shows the records.
QWidget* ListOf(TfrmPayoutBase* form) {
    return form->dbgPayout->View()->viewport();
}

// Opens the expenditure form embedded in the host panel, as the main window does, and returns
// the time from show to the first paint of the list.
TfrmPayoutBase* OpenForm(double* ms) {
    auto* form = new TfrmPayout(frmPanel);
    form->FItemType = QStringLiteral("支出");
    form->setWindowFlags(Qt::Widget);
    frmPanel->layout()->addWidget(form);
    if (frmPanel->sdMain.Active()) frmPanel->sdMain.AddNestedForm(form);
    QElapsedTimer timer;
    timer.start();
    form->show();
    UntilPainted(ListOf(form));
    *ms = Ms(timer);
    return form;
}

// One new record through the buttons; returns the time of "保存" until the list is painted.
double SaveOne(TfrmPayoutBase* form, int n) {
    form->sbAppend->click();
    form->edtPayout->setText(QStringLiteral("午饭%1").arg(n));
    form->cbItemProject->setCurrentIndex(n % form->cbItemProject->count());
    form->dtpUseDate->setDate(QDate(2026, 12, 1 + n % 31));
    form->ceAccount->setText(QString::number(1 + n % 300));
    QElapsedTimer timer;
    timer.start();
    form->sbSave->click();
    UntilPainted(ListOf(form));
    return Ms(timer);
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitPennyvaleResources();
    InstallFontSubstitutions();

    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QDir::tempPath() + QStringLiteral("/pennyvale-bench");
    Prepare(folder);
    const QString source = QDir(folder).absoluteFilePath(Schema::DatabasePath);
    QTemporaryDir work; // the saves go into a copy; the shared ledger stays as generated
    QDir::setCurrent(work.path());
    QDir().mkpath(QStringLiteral("DataBase"));
    if (!QFile::copy(source, Schema::DatabasePath)) {
        std::fprintf(stderr, "cannot copy %s\n", source.toUtf8().constData());
        return 1;
    }

    TCountingPresenter presenter;
    SetMessagePresenter(&presenter);
    const QDateTime now(QDate(2026, 12, 7), QTime(10, 30));
    TCommonDB::SetClock([now] { return now; });
    SetStartDates(now.date());
    dmMain = new TdmMain;
    dmMain->DataModuleCreate();
    if (!dmMain->cnHearthbook.isOpen()) return 1;
    Common = new TCommon;
    CommonDB = new TCommonDB;
    ComboPub = new TComboPub;
    ComboPub->CurPersonName = MemberName(3);

    frmPanel = new TfrmPanel;
    new QVBoxLayout(frmPanel);
    frmPanel->layout()->setContentsMargins(0, 0, 0, 0);
    frmPanel->resize(668, 479);
    frmPanel->show();
    UntilPainted(frmPanel);

    std::printf("ledger of %d records; member %s with %lld records\n", Records,
                ComboPub->CurPersonName.toUtf8().constData(),
                [] {
                    TQuery count(dmMain->cnHearthbook);
                    TCommonDB::OpenSQL(QStringLiteral("select count(*) from fPayout where "
                                                      "PersonName = '") +
                                           ComboPub->CurPersonName + u'\'',
                                       count);
                    return count.Fields(0).AsInteger();
                }());

    std::vector<double> opens;
    TfrmPayoutBase* form = nullptr;
    for (int run = 0; run < 7; ++run) {
        delete form;
        double ms = 0;
        form = OpenForm(&ms);
        opens.push_back(ms);
    }
    std::printf("%-44s %8.2f ms (first %.2f ms)   %d rows listed%s\n",
                "open the form, show to first paint", Median(opens), opens.front(),
                form->qryPayout->RecordCount(), Median(opens) < 50 ? "" : "   (over 50 ms)");

    std::vector<double> saves;
    const int Saves = 1000;
    saves.reserve(Saves);
    for (int n = 0; n < Saves; ++n)
        saves.push_back(SaveOne(form, n));
    const double first = Mean(saves, 0, 10);
    const double last = Mean(saves, Saves - 10, 10);
    std::printf("%-44s %8.2f ms%s\n", "save a new record (first)", saves.front(),
                saves.front() < 50 ? "" : "   (over 50 ms)");
    std::printf("%-44s %8.2f ms median, %.2f ms slowest%s\n", "1,000 saves in a row",
                Median(saves), *std::max_element(saves.begin(), saves.end()),
                Median(saves) < 50 ? "" : "   (over 50 ms)");
    std::printf("%-44s %8.2f ms -> %.2f ms%s\n", "  first 10 saves -> last 10 saves", first, last,
                last < 2 * first + 1 ? "   (flat)" : "   (grows)");
    std::printf("%-44s %8d rows listed, %d boxes shown\n", "after the saves",
                form->qryPayout->RecordCount(), presenter.Boxes);

    delete form;
    delete frmPanel;
    frmPanel = nullptr;
    delete ComboPub;
    delete CommonDB;
    delete Common;
    delete dmMain;
    SetMessagePresenter(nullptr);
    return presenter.Boxes == 0 ? 0 : 1;
}
