#pragma once

#include "import/BillReader.h"

// WeChat Pay's spreadsheet bill (微信支付账单流水文件 ….xlsx): the columns of the CSV bill
// (TWeChatColumns) on the first sheet under the same preamble rows, amounts without "¥", 交易时间
// as text or as a spreadsheet date number (China time). Lines in messages are the sheet's rows.
// Its source is the CSV's, so both files of one period share their order numbers.
class TWeChatXlsxReader : public TBillReader {
public:
    bool Recognises(const QString& path) const override;
    TBill Read(const QString& path, const TBillProgress& progress = {}) const override;
};
