// Reads arbitrary bytes as an old Access (Jet 4) ledger with TJetReader: the catalog, each of the
// ledger's tables with its columns, every row and value. A damaged file must end in EInOutError;
// a crash, a sanitizer report, a hang or a run-away memory is a finding.
//
// The reader runs in-process here. mdbtools itself loops on some damaged files (in reading the
// catalog), which the program survives by reading in a separate process with a memory limit;
// here those files show as timeouts or out-of-memory reports within seconds of fuzzing. Fork
// mode writes them out and goes on, so run it with limits like this:
//
//   build-fuzz/bin/fuzz_jetreader -fork=1 -ignore_timeouts=1 -ignore_ooms=1 -timeout=10 \
//       -rss_limit_mb=1024 -max_total_time=600 -artifact_prefix=/tmp/jet- \
//       /tmp/jet-corpus fuzz/corpus-jetreader
//
// (/tmp/jet-corpus, empty at first, collects the inputs that reach new code; the seeds are the
// sample ledger and a copy with a damaged memo). A crash or a sanitizer report stops it. Only
// this reader carries the coverage instrumentation; the library is Debian's, as the program
// uses it. Each file found can be tried on the program: pennyvale --import-access FILE.

#include "legacy/JetReader.h"
#include "platform/Exception.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// The ledger's tables and the columns the conversion reads.
const QList<QPair<QString, QStringList>> LedgerTables = {
    {"bPerson", {"PersonID", "PersonName", "RoleName", "LoginAccount", "LoginPassword", "Memos"}},
    {"bItemProject", {"ItemProjectID", "ItemProject", "ItemType", "Memos"}},
    {"fPayout",
     {"PayoutID", "ItemProjectID", "Payout", "PayoutAccount", "IncomeAccount", "UseDate",
      "PersonName", "Memos", "ItemType", "MonthNum", "YearNum", "QuarterNum"}},
    {"fDiary", {"DiaryID", "Diary", "DiaryDate", "PersonID"}},
};

void ReadTable(TJetReader& reader, const QString& table, QStringList columns) {
    if (!reader.HasTable(table)) return;
    reader.RowCount(table);
    try {
        reader.OpenTable(table, columns);
    } catch (const EInOutError&) {
        columns.clear(); // a column missing: the rows alone
        reader.OpenTable(table, columns);
    }
    while (reader.Next())
        for (int c = 0; c < columns.size(); ++c)
            (void)reader.Value(c).toString().size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static QTemporaryDir dir;
    if (!dir.isValid()) std::abort();
    const QString path = dir.filePath(QStringLiteral("fuzz.mdb"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
        file.write(reinterpret_cast<const char*>(bytes), qint64(size));
    }
    try {
        TJetReader reader(path);
        for (const auto& [table, columns] : LedgerTables)
            ReadTable(reader, table, columns);
    } catch (const EInOutError&) {
        // A damaged file, named as such: the expected end.
    }
    return 0;
}
