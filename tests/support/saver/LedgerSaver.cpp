// ledgersaver FOLDER payout|diary [STEPS]: opens the ledger below FOLDER as the program does
// (its lock, then the data module) and saves the records of TSaveSequence through a query,
// one step after another, for ever or for STEPS steps. After each save has returned it prints
// "<step> <key>" and flushes, so whoever reads the output knows which saves were done.
// The kill test starts it, kills it at some moment and checks the file.
//
// ledgersaver --ledger URI add TAG COUNT | edit KEY TEXT: opens the book at URI (a server's),
// prints "ready" and waits for a line on its input, so that several savers start saving at one
// moment. "add" then saves COUNT new records of the member TAG as the entry form does (the
// form's kind of query, the key taken by its rule at the save), printing "<n> <key>" after
// each; "edit" changes the text of the record KEY, which it read before "ready", and prints
// "saved", or "changed" (exit 4) when another program changed or deleted it in the meantime.

#include "SaveSequence.h"

#include "data/DataModule.h"
#include "data/NewKeys.h"
#include "data/engine/LedgerLocation.h"
#include "data/ledgerfile/LedgerLock.h"
#include "data/query/Query.h"
#include "data/Schema.h"
#include "platform/Exception.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <cstdlib>

namespace {

int Fail(const QString& text, int code) {
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    return code;
}

// Waits for the line that says go.
void AwaitGo() {
    std::printf("ready\n");
    std::fflush(stdout);
    char line[16];
    if (!std::fgets(line, sizeof line, stdin)) std::exit(2);
}

// The record n of the member tag: a fractional day and amount, as a server holds them.
void FillRecord(TQuery& query, const QString& tag, int n) {
    query.FieldByName(QStringLiteral("Payout")).SetAsString(QStringLiteral("%1-%2").arg(tag).arg(n));
    query.FieldByName(QStringLiteral("ItemProjectID")).SetAsInteger(7);
    query.FieldByName(QStringLiteral("ItemType")).SetAsString(QStringLiteral("支出"));
    query.FieldByName(QStringLiteral("UseDate")).SetAsFloat(46357.75 + n % 30);
    query.FieldByName(QStringLiteral("PayoutAccount")).SetAsFloat(n + 1.1234);
    query.FieldByName(QStringLiteral("PersonName")).SetAsString(tag);
    query.FieldByName(QStringLiteral("Memos")).SetAsString(QStringLiteral("第 %1 笔").arg(n));
    query.FieldByName(QStringLiteral("MonthNum")).SetAsInteger(12);
    query.FieldByName(QStringLiteral("YearNum")).SetAsInteger(2026);
    query.FieldByName(QStringLiteral("QuarterNum")).SetAsInteger(4);
}

int SaveOnServer(const QStringList& arguments) {
    if (arguments.size() < 6 || (arguments[3] != u"add" && arguments[3] != u"edit"))
        return Fail(QStringLiteral("usage: ledgersaver --ledger URI add TAG COUNT | edit KEY TEXT"),
                    2);
    try {
        TLedgerLocation::SetCurrent(TLedgerLocation::Parse(arguments[2]));
        TdmMain dataModule;
        dataModule.Open();
        TQuery query(dataModule.cnHearthbook);
        if (arguments[3] == u"add") {
            const QString tag = arguments[4];
            const int count = arguments[5].toInt();
            query.SQL = QStringList{
                QStringLiteral("select * from fPayout where PersonName = '%1' order by UseDate")
                    .arg(tag)};
            query.SetNewKeyRule(NewKeys::Payout());
            query.Open();
            AwaitGo();
            for (int n = 0; n < count; ++n) {
                query.Append();
                FillRecord(query, tag, n);
                query.Post();
                std::printf("%d %lld\n", n, query.FieldByName(QStringLiteral("PayoutID")).AsInteger());
                std::fflush(stdout);
            }
            return 0;
        }
        query.SQL = QStringList{QStringLiteral("select * from fPayout where PayoutID = %1")
                                    .arg(arguments[4].toLongLong())};
        query.Open();
        if (query.IsEmpty()) return Fail(QStringLiteral("record not found"), 1);
        AwaitGo();
        query.Edit();
        query.FieldByName(QStringLiteral("Payout")).SetAsString(arguments[5]);
        query.FieldByName(QStringLiteral("PayoutAccount")).SetAsFloat(88.5);
        try {
            query.Post();
        } catch (const ERecordChanged& changed) {
            std::printf("changed\n");
            return Fail(changed.Message, 4);
        }
        std::printf("saved\n");
        return 0;
    } catch (const Exception& error) {
        return Fail(error.Message, 1);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() > 2 && arguments[1] == u"--ledger") return SaveOnServer(arguments);
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
