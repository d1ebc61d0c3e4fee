#pragma once

#include "import/BillReader.h"

// WeChat Pay's CSV bill (微信支付账单), UTF-8 with a BOM: the table under a preamble of some 16
// lines, found by its header row; amounts "¥28.16". The columns: TWeChatColumns.
class TWeChatCsvReader : public TBillReader {
public:
    bool Recognises(const QString& path) const override;
    TBill Read(const QString& path, const TBillProgress& progress = {}) const override;
};
