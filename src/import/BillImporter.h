#pragma once

#include "import/ImportPlan.h"

#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QString>

// Turns a bill into records of one member's ledger: plans what each row becomes (category,
// refunds, rows already imported), then writes the plan in one transaction. Never parses a file.
class TBillImporter {
public:
    // Works on the open ledger connection; records are stamped with personName.
    TBillImporter(QSqlDatabase connection, QString personName);

    // What importing the bill would do. Reads the ledger, writes nothing.
    TImportPlan Plan(const TBill& bill, const QString& path = QString()) const;
    // The same, taking the bill's rows over instead of copying them (a bill of 100,000 rows is
    // held once).
    TImportPlan Plan(TBill&& bill, const QString& path = QString()) const;

    // The categories of one kind ("收入"/"支出") the preview offers: key and name, in the order of
    // the Chinese collation (pinyin).
    QList<QPair<qint64, QString>> Categories(const QString& kind) const;

    // Writes the ticked rows of the plan as one transaction: new records, reductions of earlier
    // records by their refunds, the rows' order numbers (so they are never imported twice), and
    // the categories the user chose for counterparts (proposed the next time). On any failure
    // the ledger is left as it was and EDatabaseError says which row of the file failed.
    TImportCounts Write(const TImportPlan& plan) const;

    // The counts of a plan as written by Write (the preview's summary line).
    static TImportCounts Count(const TImportPlan& plan);
    // One line of counts, as the command line prints it.
    static QString CountsText(const TImportCounts& counts);

private:
    QSqlDatabase FConnection;
    QString FPersonName;
};
