// ledgersaver FOLDER payout|diary [STEPS]: opens the ledger below FOLDER as the program does
// (its lock, then the data module) and saves the records of TSaveSequence through a query,
// one step after another, for ever or for STEPS steps. After each save has returned it prints
// "<step> <key>" and flushes, so whoever reads the output knows which saves were done.
// The kill test starts it, kills it at some moment and checks the file.

#include "SaveSequence.h"

#include "data/DataModule.h"
#include "data/ledgerfile/LedgerLock.h"
#include "data/query/Query.h"
#include "data/Schema.h"
#include "platform/Exception.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

namespace {

int Fail(const QString& text, int code) {
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    return code;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 3 || (arguments[2] != u"payout" && arguments[2] != u"diary"))
        return Fail(QStringLiteral("usage: ledgersaver FOLDER payout|diary [STEPS]"), 2);
    if (!QDir::setCurrent(arguments[1]))
        return Fail(QStringLiteral("no folder ") + arguments[1], 2);
    const TSaveSequence sequence(arguments[2] == u"payout" ? TSaveSequence::Payout
                                                           : TSaveSequence::Diary);
    const int steps = arguments.size() > 3 ? arguments[3].toInt() : -1;

    TLedgerLock lock(Schema::DatabasePath);
    if (!lock.TryLock()) return Fail(lock.RefusalText(), 3);
    try {
        TdmMain dataModule;
        dataModule.Open();
        TQuery query(dataModule.cnHearthbook);
        query.SQL = QStringList{sequence.Select()};
        query.Open();
        if (!query.IsEmpty())
            return Fail(sequence.TableName() + QStringLiteral(" is not empty"), 2);
        for (int index = 0; steps < 0 || index < steps; ++index) {
            const TSaveSequence::TStep step = sequence.Step(index);
            if (step.Edit) {
                query.SetRecNo(int(step.Key)); // the keys are 1, 2, 3… in key order
                if (query.FieldByName(sequence.KeyColumn()).AsInteger() != step.Key)
                    return Fail(QStringLiteral("record %1 not found").arg(step.Key), 1);
                query.Edit();
            } else {
                query.Append();
            }
            for (auto it = step.Values.begin(); it != step.Values.end(); ++it)
                query.FieldByName(it.key()).SetValue(it.value());
            query.Post();
            std::printf("%d %lld\n", index, step.Key);
            std::fflush(stdout);
        }
    } catch (const Exception& error) {
        return Fail(error.Message, 1);
    }
    return 0;
}
