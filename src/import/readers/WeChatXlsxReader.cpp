#include "import/readers/WeChatXlsxReader.h"

#include "import/readers/BillCells.h"
#include "import/readers/StringPool.h"
#include "import/readers/WeChatColumns.h"
#include "import/readers/XlsxSheetReader.h"

namespace {

// Shared strings enough for the preamble and the header.
constexpr int GlanceStrings = 4096;
// Rows searched for the header.
constexpr int HeaderSearch = 200;

bool FindHeader(TXlsxSheetReader& sheet, TWeChatColumns& columns) {
    TXlsxRow row;
    for (int read = 0; read < HeaderSearch && sheet.Next(row); ++read)
        if (columns.Find(row.Cells)) return true;
    return false;
}

} // namespace

bool TWeChatXlsxReader::Recognises(const QString& path) const {
    if (TXlsxSheetReader::Probe(path) != TXlsxSheetReader::TKind::Workbook) return false;
    try {
        TXlsxSheetReader sheet(path, {}, GlanceStrings);
        TWeChatColumns columns;
        return FindHeader(sheet, columns);
    } catch (const EXlsxTooLarge&) {
        throw;
    } catch (const EBillError&) {
        return false;
    }
}

TBill TWeChatXlsxReader::Read(const QString& path, const TBillProgress& progress) const {
    TXlsxSheetReader sheet(path, progress);
    TWeChatColumns columns;
    if (!FindHeader(sheet, columns))
        throw EBillError(QStringLiteral("账单 %1 里找不到微信支付账单的表头（交易时间,交易类型,…）。")
                             .arg(sheet.FileName()));
    const int time = columns.Columns()[TWeChatColumns::Time];
    const int amount = columns.Columns()[TWeChatColumns::Amount];
    const int width = static_cast<int>(TWeChatColumns::Note) + 1;
    TBill bill;
    bill.Source = QStringLiteral("wechat");
    bill.Format = QStringLiteral("微信支付账单（XLSX）");
    TStringPool pool;
    TXlsxRow row;
    int endRow = 0;
    while (sheet.Next(row)) {
        if (BillCells::IsBlank(row.Cells)) continue;
        qsizetype filled = 0;
        for (const QString& cell : row.Cells) filled += cell.isEmpty() ? 0 : 1;
        if (endRow != 0) {
            if (filled >= width - 1)
                throw EBillError(BillCells::LineError(
                    sheet.FileName(), row.Number,
                    QStringLiteral("账单的表格在第 %1 行已经结束，这一行却还像是账单的一行。")
                        .arg(endRow)));
            continue;
        }
        if (BillCells::IsTableEnd(row.Cells)) {
            endRow = row.Number;
            continue;
        }
        // Dates and amounts the sheet holds as numbers.
        if (row.Numeric.value(time)) {
            const QString text = BillCells::SerialTimeText(row.Cells[time]);
            if (!text.isEmpty()) row.Cells[time] = text;
        }
        if (row.Numeric.value(amount)) row.Cells[amount] = BillCells::RoundedToUnits(row.Cells[amount]);
        bill.Rows.append(columns.Row(TBillCells(sheet.FileName(), row.Number, row.Cells), pool));
    }
    return bill;
}
