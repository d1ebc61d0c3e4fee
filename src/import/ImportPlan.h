#pragma once

#include "import/BillRow.h"

#include <QList>
#include <QString>

// What an import will do with each row of a bill, worked out before anything is written. The
// preview shows it and lets the user untick rows and change categories; the importer writes it.

// Why a row is not imported.
enum class TSkipReason {
    None,            // imported (or, for a refund of an earlier record, applied to it)
    AlreadyImported, // this payment is in the ledger from an earlier import
    Neutral,         // money between the user's own accounts (不计收支, "/")
    Closed,          // the payment never happened
    FullyRefunded,   // paid and refunded in full: nothing to record
    RefundNetted,    // a refund already taken off its payment
    ChangedByHand,   // a refund of an earlier record that was changed since: the user decides
    Unmatched,       // a refund of a payment that is neither in the bill nor in the ledger
};

// The reason as the preview shows it ("已导入过", "不计收支" …); empty for None.
QString SkipReasonText(TSkipReason reason);

struct TPlannedRow {
    int BillRow = -1;         // the row as read: its index in the plan's BillRows
    TSkipReason Reason = TSkipReason::None;
    bool Checked = true;      // the user's tick; starts as Reason == None. Only a row with
                              // Reason None or ChangedByHand is written when ticked
    QString Kind;             // "收入" or "支出"
    qint64 NetUnits = 0;      // the amount to record: the row's less its refunds
    qint64 RefundUnits = 0;   // the refunds taken off it
    qint64 ItemProjectID = 0; // the category; 0 for "其他支出"/"其他收入" when the ledger lacks it
    QString CategoryName;     // the category's name, as the preview shows it
    bool CategoryChosen = false; // set by the preview when the user picks a category
    qint64 ReducesPayoutID = 0;  // a refund of an earlier record: that record's key (with
                                 // Reason None or ChangedByHand, RefundUnits is what it takes
                                 // off and NetUnits what is left; a refund row has no category)
    QString Content;          // the record's content (Payout), cut to the column's width
    QString Key;              // "never twice": the order number, else a fingerprint of the row
    int NettedInto = -1;      // a refund taken off a payment of this bill: that row's index
};

struct TImportCounts {
    int Imported = 0;        // new records
    int AlreadyImported = 0; // rows already in the ledger
    int Skipped = 0;         // neutral, closed, fully refunded, unticked, unmatched
    int RefundsNetted = 0;   // refunds taken off a payment (in the bill or in the ledger)
    int ToDecide = 0;        // refunds of records changed by hand, left unticked (in Skipped)
};

struct TImportPlan {
    QString Path;          // the bill's file
    QString Source;        // "alipay", "wechat"
    QString Format;        // as the user reads it
    QString PersonName;    // the member the records are stamped with
    QList<TBillRow> BillRows; // the bill's rows as read, taken over whole from the bill
    QList<TPlannedRow> Rows;  // what becomes of each, in the bill's order

    // The bill's row a planned row stands for.
    const TBillRow& Bill(const TPlannedRow& planned) const { return BillRows.at(planned.BillRow); }
    const TBillRow& Bill(qsizetype row) const { return Bill(Rows.at(row)); }
};
