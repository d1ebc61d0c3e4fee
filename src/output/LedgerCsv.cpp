#include "output/LedgerCsv.h"

#include "data/Schema.h"
#include "data/query/DayNumber.h"
#include "import/readers/LedgerCsvLayout.h"
#include "output/CsvWriter.h"
#include "platform/Exception.h"
#include "widgets/Currency.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>

namespace LedgerCsv {

int Export(QSqlDatabase connection, const QString& person, const QString& path) {
    const QString ledgerId = Schema::LedgerId(connection);
    // A record that came from a book's export keeps the identity it came with, so it goes home
    // as the record it was.
    QHash<qint64, QString> cameAs;
    {
        QSqlQuery imported(connection);
        imported.setForwardOnly(true);
        imported.prepare(
            QStringLiteral("select PayoutID, OrderNo from fBillImport where Source = ? "
                           "and PayoutID is not null"));
        imported.addBindValue(LedgerCsvLayout::Source);
        if (!imported.exec()) throw EDatabaseError(imported.lastError().databaseText());
        while (imported.next())
            cameAs.insert(imported.value(0).toLongLong(), imported.value(1).toString());
    }
    QSqlQuery query(connection);
    query.setForwardOnly(true);
    // The kind's own column holds the amount; a record of another kind counts as expenditure,
    // as the entry form writes it.
    query.prepare(QStringLiteral(
        "select a.PayoutID, a.UseDate, a.ItemType = '收入', b.ItemProject, a.Payout, "
        "case when a.ItemType = '收入' then a.IncomeAccount else a.PayoutAccount end, "
        "a.PersonName, a.Memos from fPayout a left join bItemProject b "
        "on b.ItemProjectID = a.ItemProjectID where a.PersonName = ? order by a.UseDate, "
        "a.PayoutID"));
    query.addBindValue(person);
    if (!query.exec()) throw EDatabaseError(query.lastError().databaseText());

    TCsvWriter writer(path);
    writer.TextRow(LedgerCsvLayout::Header);
    int count = 0;
    const QString income = QStringLiteral("收入");
    const QString expenditure = QStringLiteral("支出");
    while (query.next()) {
        const qint64 id = query.value(0).toLongLong();
        const QVariant day = query.value(1);
        const QDateTime time = day.isNull() ? QDateTime() : DayNumber::ToDateTime(day.toDouble());
        qint64 units = 0;
        if (Currency::Read(query.value(5), units) == Currency::TReading::OutOfRange)
            throw EDatabaseError(
                QStringLiteral("记录 %1 的金额超出了账本能记的范围，没有导出。").arg(id));
        const auto earlier = cameAs.constFind(id);
        writer.Text(earlier != cameAs.constEnd() ? *earlier
                                                 : LedgerCsvLayout::IdentityOf(ledgerId, id));
        writer.Number(time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd")) : QString());
        writer.Number(time.isValid() ? time.toString(QStringLiteral("HH:mm:ss")) : QString());
        writer.Text(query.value(2).toBool() ? income : expenditure);
        writer.Text(query.value(3).toString());
        writer.Text(query.value(4).toString());
        writer.Number(LedgerCsvLayout::AmountText(units));
        writer.Text(query.value(6).toString());
        writer.Text(query.value(7).toString());
        writer.EndRow();
        ++count;
    }
    if (query.lastError().isValid()) throw EDatabaseError(query.lastError().databaseText());
    writer.Finish();
    return count;
}

} // namespace LedgerCsv
