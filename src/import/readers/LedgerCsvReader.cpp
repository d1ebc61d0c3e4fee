#include "import/readers/LedgerCsvReader.h"

#include "import/readers/BillCells.h"
#include "import/readers/CsvRecordReader.h"
#include "import/readers/LedgerCsvLayout.h"
#include "import/readers/StringPool.h"

namespace {

using TCells = TCsvRecordReader::TCells;
namespace Layout = LedgerCsvLayout;

bool IsHeader(const QStringList& cells) {
    return cells == Layout::Header;
}

} // namespace

bool TLedgerCsvReader::Recognises(const QString& path) const {
    try {
        TCsvRecordReader reader(path, {}, TCells::Exact);
        QStringList header;
        return reader.Next(header) && IsHeader(header);
    } catch (const EBillError&) {
        return false;
    }
}

TBill TLedgerCsvReader::Read(const QString& path, const TBillProgress& progress) const {
    TCsvRecordReader reader(path, progress, TCells::Exact);
    QStringList cells;
    if (!reader.Next(cells) || !IsHeader(cells))
        throw EBillError(QStringLiteral("文件 %1 的第一行不是账本导出文件的表头（%2）。")
                             .arg(reader.FileName(), Layout::Header.join(u',')));
    TBill bill;
    bill.Source = Layout::Source;
    bill.Format = Layout::Format;
    TStringPool pool;
    const QString income = QStringLiteral("收入");
    const QString expenditure = QStringLiteral("支出");
    while (reader.Next(cells)) {
        if (cells.size() == 1 && cells[0].isEmpty()) continue; // a blank line
        const TBillCells row(reader.FileName(), reader.Line(), cells);
        if (cells.size() != Layout::Header.size())
            row.Fail(QStringLiteral("有 %1 列，账本导出文件每行 %2 列。")
                         .arg(cells.size())
                         .arg(Layout::Header.size()));
        const auto text = [&](int column) { return Layout::Unguarded(cells[column]); };
        TBillRow record;
        record.Line = row.Line();
        record.OrderNo = text(Layout::Identity);
        if (record.OrderNo.isEmpty()) row.Fail(QStringLiteral("标识是空的。"));
        const QString date = cells[Layout::Date];
        const QString time = cells[Layout::Time];
        record.Time = BillCells::ParseTime(date + u' ' + time);
        if (!record.Time.isValid() || date.size() != 10)
            row.Fail(QStringLiteral("日期和时间“%1 %2”不对（应当像 2026-11-03 00:00:00）。")
                         .arg(date, time));
        const QString kind = text(Layout::Kind);
        if (kind == income)
            record.Direction = TBillDirection::Income;
        else if (kind == expenditure)
            record.Direction = TBillDirection::Expenditure;
        else
            row.Fail(QStringLiteral("收支类型“%1”不是“收入”或“支出”。").arg(kind));
        record.Units = row.Units(Layout::Amount, QStringLiteral("金额"));
        record.Category = pool(text(Layout::Category));
        record.Item = text(Layout::Content);
        record.Note = text(Layout::Note);
        bill.Rows.append(std::move(record));
    }
    return bill;
}
