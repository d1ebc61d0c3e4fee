// Times the export of one member's 100,000 records to the book's CSV (LedgerCsv) and the import
// of that file into an empty ledger (read, plan, write in one transaction). Prints seconds for
// each step, the file's size and the peak resident memory (getrusage's ru_maxrss) after each.
// Target: the export under 2 s.
//
// bench_exportcsv [RECORDS]

#include "LargeLedger.h"
#include "data/DataModule.h"
#include "data/Schema.h"
#include "import/BillFormats.h"
#include "import/BillImporter.h"
#include "output/LedgerCsv.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {

double PeakMB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // KiB on Linux
}

double Seconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? QByteArray(argv[1]).toInt() : 100'000;
    QTemporaryDir dir;
    const QString member = LargeLedger::MemberName(0);
    const QString book = dir.filePath("book.csv");
    {
        // One member holds every record of a generated ledger.
        LargeLedger::Prepare(dir.filePath("from"), {.Records = records});
        TdmMain data;
        data.Open();
        QSqlQuery(data.cnHearthbook)
            .exec(QStringLiteral("update fPayout set PersonName = '%1'").arg(member));
        const double opened = PeakMB();
        QElapsedTimer timer;
        timer.start();
        const int count = LedgerCsv::Export(data.cnHearthbook, member, book);
        std::printf("export: %d records in %.2f s, %.1f MB file; peak memory %.0f MB (%.0f MB "
                    "before)\n",
                    count, Seconds(timer), QFileInfo(book).size() / 1048576.0, PeakMB(), opened);
    }
    {
        QDir().mkpath(dir.filePath("to"));
        QDir::setCurrent(dir.filePath("to"));
        Schema::CreateDatabase(Schema::DatabasePath);
        TdmMain data;
        data.Open();
        const TBillImporter importer(data.cnHearthbook, Schema::DefaultPersonName);
        QElapsedTimer timer;
        timer.start();
        TBill bill = BillFormats::Read(book);
        const double read = Seconds(timer);
        const double withBill = PeakMB();
        TImportPlan plan = importer.Plan(std::move(bill), book);
        const double planned = Seconds(timer);
        const TImportCounts counts = importer.Write(plan);
        std::printf("import: %d records: read %.2f s, plan %.2f s, write %.2f s, total %.2f s; "
                    "peak memory %.0f MB with the rows read, %.0f MB at the end\n",
                    counts.Imported, read, planned - read, Seconds(timer) - planned, Seconds(timer),
                    withBill, PeakMB());
    }
    return 0;
}
