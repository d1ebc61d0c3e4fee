#include "import/readers/WeChatCsvReader.h"

#include "import/readers/BillCells.h"
#include "import/readers/CsvRecordReader.h"
#include "import/readers/StringPool.h"
#include "import/readers/WeChatColumns.h"

bool TWeChatCsvReader::Recognises(const QString& path) const {
    try {
        TCsvRecordReader reader(path);
        QStringList header;
        TWeChatColumns columns;
        return reader.FindHeader([&](const QStringList& cells) { return columns.Find(cells); },
                                 header);
    } catch (const EBillError&) {
        return false;
    }
}

TBill TWeChatCsvReader::Read(const QString& path, const TBillProgress& progress) const {
    TCsvRecordReader reader(path, progress);
    QStringList header;
    TWeChatColumns columns;
    if (!reader.FindHeader([&](const QStringList& cells) { return columns.Find(cells); }, header))
        throw EBillError(QStringLiteral("账单 %1 里找不到微信支付账单的表头（交易时间,交易类型,…）。")
                             .arg(reader.FileName()));
    TBill bill;
    bill.Source = QStringLiteral("wechat");
    bill.Format = QStringLiteral("微信支付账单（CSV）");
    TStringPool pool;
    reader.ReadTable(header, [&](const QStringList& cells) {
        bill.Rows.append(columns.Row(TBillCells(reader.FileName(), reader.Line(), cells), pool));
    });
    return bill;
}
