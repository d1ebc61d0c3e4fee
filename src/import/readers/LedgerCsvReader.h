#pragma once

#include "import/BillReader.h"

// The program's own export of a member's book (LedgerCsvLayout.h): recognised by its header row,
// the first row of the file. Each record becomes a row: the time from 日期 and 时间, the kind,
// the amount exact, the category's name, the content as the item, the note, and the identity as
// the order number. Cells are read exactly as written, less the apostrophe that guards a text
// from spreadsheets.
class TLedgerCsvReader : public TBillReader {
public:
    bool Recognises(const QString& path) const override;
    TBill Read(const QString& path, const TBillProgress& progress = {}) const override;
};
