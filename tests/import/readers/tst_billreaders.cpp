// The bill readers: the synthetic bills read to their rows and sums (tests/fixtures/bills/README.md),
// the fields the formats write awkwardly, and every way a file is refused, with its message.

#include "BillFixture.h"
#include "ErrorOf.h"
#include "Files.h"
#include "import/BillFormats.h"

#include <QTemporaryDir>
#include <QTest>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

namespace {

QString DirectionText(TBillDirection direction) {
    switch (direction) {
    case TBillDirection::Expenditure: return QStringLiteral("支出");
    case TBillDirection::Income: return QStringLiteral("收入");
    case TBillDirection::Neutral: return QStringLiteral("中性");
    }
    return QString();
}

// A field of a row as text, named as in TBillRow.
QString Field(const TBillRow& row, const QString& name) {
    const QString yes = QStringLiteral("true");
    const QString no = QStringLiteral("false");
    if (name == u"Line") return QString::number(row.Line);
    if (name == u"Time") return row.Time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (name == u"Direction") return DirectionText(row.Direction);
    if (name == u"Units") return QString::number(row.Units);
    if (name == u"Category") return row.Category;
    if (name == u"Counterpart") return row.Counterpart;
    if (name == u"Item") return row.Item;
    if (name == u"ItemChars") return QString::number(row.Item.size());
    if (name == u"Method") return row.Method;
    if (name == u"Status") return row.Status;
    if (name == u"OrderNo") return row.OrderNo;
    if (name == u"MerchantOrderNo") return row.MerchantOrderNo;
    if (name == u"Note") return row.Note;
    if (name == u"Closed") return row.Closed ? yes : no;
    if (name == u"IsRefund") return row.IsRefund ? yes : no;
    if (name == u"RefundOf") return row.RefundOf;
    if (name == u"RefundedUnits") return QString::number(row.RefundedUnits);
    return QStringLiteral("<no field %1>").arg(name);
}

// Every field but the line, to compare the same row read from two files.
QString Fields(const TBillRow& row) {
    QStringList fields;
    for (const char* name : {"Time", "Direction", "Units", "Category", "Counterpart", "Item",
                             "Method", "Status", "OrderNo", "MerchantOrderNo", "Note", "Closed",
                             "IsRefund", "RefundOf", "RefundedUnits"})
        fields << Field(row, QString::fromLatin1(name));
    return fields.join(u'|');
}

void WriteZip(const QString& path, const QList<QPair<QString, QByteArray>>& parts) {
    QuaZip zip(path);
    QVERIFY(zip.open(QuaZip::mdCreate));
    for (const auto& [name, bytes] : parts) {
        QuaZipFile file(&zip);
        QVERIFY(file.open(QIODevice::WriteOnly, QuaZipNewInfo(name)));
        QCOMPARE(file.write(bytes), bytes.size());
        file.close();
    }
    zip.close();
}

// A workbook whose first sheet holds the given <sheetData> content, with the shared strings
// (the <si> items) when given.
void WriteWorkbook(const QString& path, const QByteArray& sheetData,
                   const QByteArray& sharedStrings = {}) {
    QList<QPair<QString, QByteArray>> parts = {
        {QStringLiteral("xl/workbook.xml"),
         "<workbook xmlns:r=\"r\"><sheets><sheet name=\"s\" sheetId=\"1\" r:id=\"rId1\"/>"
         "</sheets></workbook>"},
        {QStringLiteral("xl/_rels/workbook.xml.rels"),
         "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
         "</Relationships>"},
        {QStringLiteral("xl/worksheets/sheet1.xml"), "<worksheet><sheetData>" + sheetData}};
    if (!sharedStrings.isEmpty())
        parts.append({QStringLiteral("xl/sharedStrings.xml"), "<sst>" + sharedStrings + "</sst>"});
    WriteZip(path, parts);
}

// The bytes with the first occurrence of before replaced.
QByteArray Replaced(QByteArray bytes, const QByteArray& before, const QByteArray& after) {
    const qsizetype at = bytes.indexOf(before);
    if (at < 0) return "<" + before + " not found>";
    return bytes.replace(at, before.size(), after);
}

QByteArray Gbk(const char* text) {
    QStringEncoder encoder("GB18030");
    return encoder(QString::fromUtf8(text));
}

} // namespace

class TestBillReaders : public QObject {
    Q_OBJECT

private slots:
    void ReadsEachBill_data();
    void ReadsEachBill();
    void ReadsFields_data();
    void ReadsFields();
    void ReadsWrittenVariants_data();
    void ReadsWrittenVariants();
    void WeChatCsvAndXlsxGiveTheSameRows();
    void RefusesDamagedBills_data();
    void RefusesDamagedBills();
    void ProgressStopsTheReading_data();
    void ProgressStopsTheReading();

private:
    QTemporaryDir FDir;
};

void TestBillReaders::ReadsEachBill_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("format");
    // Rows and sum in ten-thousandths of a yuan per direction: 支出, 收入, 中性.
    QTest::addColumn<QList<qint64>>("counts");
    QTest::addColumn<QList<qint64>>("sums");
    QTest::addColumn<int>("closed");
    QTest::addColumn<int>("refunds");
    QTest::addColumn<qint64>("refunded"); // RefundedUnits of the payments, summed

    QTest::newRow("alipay new layout") << "alipay-new.csv" << "alipay" << "支付宝账单（CSV）"
        << QList<qint64>{21, 3, 6} << QList<qint64>{35706500, 52012300, 23260000} << 1 << 2
        << qint64(0);
    QTest::newRow("alipay old layout") << "alipay-old.txt" << "alipay" << "支付宝账单（旧版 TXT）"
        << QList<qint64>{8, 2, 2} << QList<qint64>{5444000, 31000000, 5600000} << 1 << 0
        << qint64(1790000);
    QTest::newRow("wechat csv") << "wechat.csv" << "wechat" << "微信支付账单（CSV）"
        << QList<qint64>{20, 5, 5} << QList<qint64>{15246500, 7683000, 22500000} << 1 << 2
        << qint64(3511000);
    QTest::newRow("wechat xlsx") << "wechat.xlsx" << "wechat" << "微信支付账单（XLSX）"
        << QList<qint64>{20, 5, 5} << QList<qint64>{15246500, 7683000, 22500000} << 1 << 2
        << qint64(3511000);
}

void TestBillReaders::ReadsEachBill() {
    QFETCH(QString, file);
    const TBill bill = BillFormats::Read(BillFixture::Path(file));
    QTEST(bill.Source, "source");
    QTEST(bill.Format, "format");
    QList<qint64> counts{0, 0, 0};
    QList<qint64> sums{0, 0, 0};
    int closed = 0;
    int refunds = 0;
    qint64 refunded = 0;
    for (const TBillRow& row : bill.Rows) {
        const int direction = static_cast<int>(row.Direction);
        ++counts[direction];
        sums[direction] += row.Units;
        closed += row.Closed;
        refunds += row.IsRefund;
        refunded += row.RefundedUnits;
    }
    QTEST(counts, "counts");
    QTEST(sums, "sums");
    QTEST(closed, "closed");
    QTEST(refunds, "refunds");
    QTEST(refunded, "refunded");
}

void TestBillReaders::ReadsFields_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");

    const QString alipay = QStringLiteral("alipay-new.csv");
    QTest::newRow("alipay: line of the first row under the preamble") << alipay << 0 << "Line" << "24";
    QTest::newRow("alipay: order number without its tab") << alipay << 0 << "OrderNo" << "2026110922001400000000000001";
    QTest::newRow("alipay: merchant number without its tab") << alipay << 0 << "MerchantOrderNo" << "T2026M01";
    QTest::newRow("alipay: padded status") << alipay << 0 << "Status" << "交易成功";
    QTest::newRow("alipay: time") << alipay << 1 << "Time" << "2026-11-02 12:31:05";
    QTest::newRow("alipay: quoted comma") << alipay << 2 << "Item" << "洗衣液,纸巾";
    QTest::newRow("alipay: empty merchant number") << alipay << 3 << "MerchantOrderNo" << "";
    QTest::newRow("alipay: exact amount") << alipay << 6 << "Units" << "2103500";
    QTest::newRow("alipay: long item") << alipay << 7 << "ItemChars" << "211";
    QTest::newRow("alipay: closed") << alipay << 8 << "Closed" << "true";
    QTest::newRow("alipay: doubled quotes") << alipay << 14 << "Item" << "儿童绘本 \"小熊\"系列";
    QTest::newRow("alipay: refund row") << alipay << 25 << "IsRefund" << "true";
    QTest::newRow("alipay: refund of") << alipay << 25 << "RefundOf" << "2026110922001400000000000005";
    QTest::newRow("alipay: refund is neutral") << alipay << 25 << "Direction" << "中性";
    QTest::newRow("alipay: partial refund of") << alipay << 26 << "RefundOf" << "2026110922001400000000000006";
    QTest::newRow("alipay: payment is no refund") << alipay << 5 << "IsRefund" << "false";

    const QString old = QStringLiteral("alipay-old.txt");
    QTest::newRow("old: padded order number") << old << 0 << "OrderNo" << "2016031021001004000000000001";
    QTest::newRow("old: refunded part") << old << 1 << "RefundedUnits" << "590000";
    QTest::newRow("old: padded quoted item") << old << 1 << "Item" << "衬衫,白色 L码";
    QTest::newRow("old: never paid: created time") << old << 2 << "Time" << "2016-03-03 18:30:00";
    QTest::newRow("old: closed") << old << 2 << "Closed" << "true";
    QTest::newRow("old: no direction, no funds: neutral") << old << 2 << "Direction" << "中性";
    QTest::newRow("old: funds moved: neutral") << old << 4 << "Direction" << "中性";
    QTest::newRow("old: no direction, paid out") << old << 5 << "Direction" << "支出";
    QTest::newRow("old: refunded in full is a payment") << old << 6 << "IsRefund" << "false";
    QTest::newRow("old: refunded in full") << old << 6 << "RefundedUnits" << "1200000";
    QTest::newRow("old: last row before the dashes") << old << 11 << "Item" << "盖浇饭 \"加蛋\"";

    const QString wechat = QStringLiteral("wechat.csv");
    QTest::newRow("wechat: line") << wechat << 0 << "Line" << "18";
    QTest::newRow("wechat: quoted order number and tab") << wechat << 0 << "OrderNo" << "42000026012026110000000000000000001";
    QTest::newRow("wechat: slash note") << wechat << 0 << "Note" << "";
    QTest::newRow("wechat: yuan sign") << wechat << 1 << "Units" << "281600";
    QTest::newRow("wechat: fully refunded") << wechat << 2 << "RefundedUnits" << "453000";
    QTest::newRow("wechat: quoted comma") << wechat << 2 << "Item" << "美团订单-外卖,含配送费";
    QTest::newRow("wechat: refunded (x)") << wechat << 3 << "RefundedUnits" << "1000000";
    QTest::newRow("wechat: sent back") << wechat << 4 << "RefundedUnits" << "2000000";
    QTest::newRow("wechat: slash merchant number") << wechat << 4 << "MerchantOrderNo" << "";
    QTest::newRow("wechat: slash item") << wechat << 6 << "Item" << "";
    QTest::newRow("wechat: closed") << wechat << 7 << "Closed" << "true";
    QTest::newRow("wechat: refunded x without brackets") << wechat << 11 << "RefundedUnits" << "58000";
    QTest::newRow("wechat: line break in quotes") << wechat << 14 << "Note" << "周五晚\n老地方";
    QTest::newRow("wechat: line after it") << wechat << 15 << "Line" << "34";
    QTest::newRow("wechat: refund row") << wechat << 21 << "IsRefund" << "true";
    QTest::newRow("wechat: refund row's payment untold") << wechat << 21 << "RefundOf" << "";
    QTest::newRow("wechat: refund row's merchant number") << wechat << 21 << "MerchantOrderNo" << "1000050001202611000000003";
    QTest::newRow("wechat: refund row refunds nothing itself") << wechat << 21 << "RefundedUnits" << "0";
    QTest::newRow("wechat: slash direction") << wechat << 23 << "Direction" << "中性";
    QTest::newRow("wechat: thousands separator") << wechat << 25 << "Units" << "12000000";

    const QString xlsx = QStringLiteral("wechat.xlsx");
    QTest::newRow("xlsx: date number") << xlsx << 0 << "Time" << "2026-11-01 08:05:12";
    QTest::newRow("xlsx: date number at midnight's edge") << xlsx << 27 << "Time" << "2026-11-29 12:00:00";
    QTest::newRow("xlsx: text time") << xlsx << 1 << "Time" << "2026-11-02 12:30:00";
    QTest::newRow("xlsx: line is the sheet's row") << xlsx << 1 << "Line" << "19";
    QTest::newRow("xlsx: rich text") << xlsx << 3 << "Item" << "京东-订单编号1234567";
    QTest::newRow("xlsx: binary fraction") << xlsx << 5 << "Units" << "234500";
    QTest::newRow("xlsx: inline string") << xlsx << 0 << "Method" << "零钱";
}

void TestBillReaders::ReadsFields() {
    QFETCH(QString, file);
    QFETCH(int, row);
    QFETCH(QString, field);
    const TBill bill = BillFormats::Read(BillFixture::Path(file));
    QVERIFY(row < bill.Rows.size());
    QTEST(Field(bill.Rows[row], field), "value");
}

void TestBillReaders::ReadsWrittenVariants_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("before"); // text of the fixture replaced (UTF-8; GBK in the file)
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");

    const QString wechat = QStringLiteral("wechat.csv");
    const QString time = QStringLiteral("2026-11-02 12:30:00");
    QTest::newRow("slashes") << wechat << time << "2026/11/02 12:30:00" << 1 << "Time" << time;
    QTest::newRow("one-digit day, no seconds") << wechat << time << "2026/11/2 12:30" << 1 << "Time" << "2026-11-02 12:30:00";
    QTest::newRow("wide yuan sign") << wechat << "¥28.16" << "￥28.16" << 1 << "Units" << "281600";
    QTest::newRow("no yuan sign") << wechat << "¥28.16" << "28.1600" << 1 << "Units" << "281600";
    QTest::newRow("refunded (x) in wide brackets") << wechat << "已退款(￥100.00)" << "已退款（￥100.5）" << 3 << "RefundedUnits" << "1005000";
    QTest::newRow("the largest amount") << QStringLiteral("alipay-new.csv") << ",1280.00," << ",922337203685477.5807," << 10 << "Units" << "9223372036854775807";
    // A bill saved again by a spreadsheet program, as UTF-8.
    QTest::newRow("alipay as UTF-8") << QStringLiteral("alipay-new.csv") << "" << "" << 29 << "Counterpart" << "哈啰出行";
}

void TestBillReaders::ReadsWrittenVariants() {
    QFETCH(QString, file);
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(int, row);
    QFETCH(QString, field);
    const QByteArray bytes = ReadAll(BillFixture::Path(file));
    const bool gbk = file.startsWith(u"alipay");
    const QByteArray utf8 = gbk ? QString(QStringDecoder("GB18030")(bytes)).toUtf8() : bytes;
    const QString path = FDir.filePath(QStringLiteral("variant.csv"));
    if (before.isEmpty()) WriteAll(path, utf8);
    else if (gbk) WriteAll(path, Replaced(bytes, Gbk(qPrintable(before)), Gbk(qPrintable(after))));
    else WriteAll(path, Replaced(bytes, before.toUtf8(), after.toUtf8()));
    const TBill bill = BillFormats::Read(path);
    QCOMPARE(bill.Rows.size(), 30);
    QTEST(Field(bill.Rows[row], field), "value");
}

void TestBillReaders::WeChatCsvAndXlsxGiveTheSameRows() {
    const TBill csv = BillFormats::Read(BillFixture::Path(QStringLiteral("wechat.csv")));
    const TBill xlsx = BillFormats::Read(BillFixture::Path(QStringLiteral("wechat.xlsx")));
    QCOMPARE(xlsx.Source, csv.Source);
    QCOMPARE(xlsx.Rows.size(), csv.Rows.size());
    for (qsizetype i = 0; i < csv.Rows.size(); ++i)
        QCOMPARE(Fields(xlsx.Rows[i]), Fields(csv.Rows[i]));
}

void TestBillReaders::RefusesDamagedBills_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // the file's bytes; empty with a zip written instead
    QTest::addColumn<QString>("message");

    const QByteArray alipay = ReadAll(BillFixture::Path(QStringLiteral("alipay-new.csv")));
    const QByteArray old = ReadAll(BillFixture::Path(QStringLiteral("alipay-old.txt")));
    const QByteArray wechat = ReadAll(BillFixture::Path(QStringLiteral("wechat.csv")));
    const QByteArray xlsx = ReadAll(BillFixture::Path(QStringLiteral("wechat.xlsx")));

    QTest::newRow("amount not a number") << "bill.csv" << Replaced(wechat, "¥28.16", "¥28.1a")
        << "账单 bill.csv 第 19 行：金额(元)“¥28.1a”不是数字。";
    QTest::newRow("negative amount") << "bill.csv" << Replaced(alipay, ",28.00,", ",-28.00,")
        << "账单 bill.csv 第 25 行：金额“-28.00”是负数，账单的金额不会是负数。";
    QTest::newRow("amount beyond the currency") << "bill.csv"
        << Replaced(alipay, ",1280.00,", ",922337203685477.5808,")
        << "账单 bill.csv 第 34 行：金额“922337203685477.5808”超出了账本能记的范围（最多 922,337,203,685,477.5807 元）。";
    QTest::newRow("five decimals") << "bill.csv" << Replaced(alipay, ",12.50,", ",12.50001,")
        << "账单 bill.csv 第 24 行：金额“12.50001”的小数超过四位。";
    QTest::newRow("no date") << "bill.csv"
        << Replaced(wechat, "2026-11-02 12:30:00", "2026-02-30 12:30:00")
        << "账单 bill.csv 第 19 行：交易时间“2026-02-30 12:30:00”不是日期和时间（应当像 2026-11-03 12:31:05）。";
    QTest::newRow("refund beyond the amount") << "bill.csv"
        << Replaced(wechat, "已退款(￥100.00)", "已退款(￥400.00)")
        << "账单 bill.csv 第 21 行：当前状态“已退款(￥400.00)”退回的钱比金额“¥399.00”还多。";
    QTest::newRow("unknown direction") << "bill.csv" << Replaced(alipay, Gbk(",支出,"), Gbk(",借出,"))
        << "账单 bill.csv 第 24 行：收/支“借出”不是支出、收入或不计收支。";
    QTest::newRow("bytes that are no GBK") << "bill.csv"
        << Replaced(alipay, Gbk("牛肉面"), QByteArray("\x81\x20\x81\x20", 4))
        << "账单 bill.csv 第 25 行：有不是 GBK 文字的字节，文件可能已损坏。";
    QTest::newRow("a comma without quotes") << "bill.csv"
        << Replaced(alipay, Gbk("\"洗衣液,纸巾\""), Gbk("洗衣液,纸巾"))
        << "账单 bill.csv 第 26 行：有 14 列，比账单的表头多（某一格里的逗号没有加引号？）。";
    QTest::newRow("quote never closed") << "bill.csv" << wechat.left(wechat.indexOf("老地方"))
        << "账单 bill.csv 第 32 行：引号从这一行开始就没有结束，文件可能不完整。";
    QTest::newRow("row cut short") << "bill.csv" << wechat.left(wechat.indexOf(",¥4.00"))
        << "账单 bill.csv 第 48 行：只有 5 列，账单的表头有 11 列。";
    QTest::newRow("a line of megabytes") << "bill.csv" << wechat + QByteArray(2 << 20, 'x') + "\n"
        << "账单 bill.csv 第 49 行：这一行超过 1 MB，不像账单的一行。";
    QTest::newRow("rows after the end of the table") << "bill.txt"
        << Replaced(old, "2016031021001004000000000012", "-----\r\n2016031021001004000000000012")
        << "账单 bill.txt 第 18 行：账单的表格在第 17 行已经结束，这一行却还像是账单的一行。";
    QTest::newRow("xlsx cut short") << "bill.xlsx" << xlsx.left(xlsx.size() / 2)
        << "无法导入 bill.xlsx：它是不完整或已损坏的压缩文件（xlsx），可能没有下载完，请重新下载账单。";
    QTest::newRow("xlsx amount not a number") << "bad.xlsx" << QByteArray("amount")
        << "账单 bad.xlsx 第 3 行：金额(元)“12..5”不是数字。";
    QTest::newRow("xlsx sheet cut short") << "cut.xlsx" << QByteArray("cut")
        << "账单 cut.xlsx 已损坏，读不出其中的表格（工作表第 3 行之后的内容不完整或已损坏）。";
    QTest::newRow("workbook without a bill") << "other.xlsx" << QByteArray("workbook")
        << "无法导入 other.xlsx：它不是支付宝或微信支付的账单（是一个电子表格，但第一张表里没有账单的表头）。";
    // Workbooks that inflate to more than a bill holds (a small file of one huge text).
    const QString tooLarge = QStringLiteral("账单 big.xlsx 不是正常的微信支付账单：其中%1太大（%2）。");
    const QString cellLimit = QStringLiteral("超过 65536 个字");
    QTest::newRow("xlsx inline string beyond a cell") << "big.xlsx" << QByteArray("long inline")
        << tooLarge.arg(QStringLiteral("第 3 行的一格文字"), cellLimit);
    QTest::newRow("xlsx value beyond a cell") << "big.xlsx" << QByteArray("long value")
        << tooLarge.arg(QStringLiteral("第 3 行的一格文字"), cellLimit);
    QTest::newRow("xlsx shared string beyond a cell") << "big.xlsx" << QByteArray("long shared")
        << tooLarge.arg(QStringLiteral("第 2 个共享字符串"), cellLimit);
    QTest::newRow("xlsx shared string of runs beyond a cell") << "big.xlsx" << QByteArray("long runs")
        << tooLarge.arg(QStringLiteral("第 2 个共享字符串"), cellLimit);
    QTest::newRow("xlsx shared string of tens of MB") << "big.xlsx" << QByteArray("huge shared")
        << tooLarge.arg(QStringLiteral(" xl/sharedStrings.xml 里的一段文字"), QStringLiteral("超过 1 MB"));
    QTest::newRow("xlsx shared strings beyond the table") << "big.xlsx" << QByteArray("many shared")
        << tooLarge.arg(QStringLiteral("的共享字符串表"), QStringLiteral("超过 1 亿个字"));
    QTest::newRow("xlsx sheet beyond a part") << "big.xlsx" << QByteArray("huge sheet")
        << tooLarge.arg(QStringLiteral(" xl/worksheets/sheet1.xml "), QStringLiteral("解压后超过 256 MB"));
    QTest::newRow("zip without a bill") << "photos.zip" << QByteArray("zip")
        << "无法导入 photos.zip：它不是支付宝或微信支付的账单（是一个压缩文件，里面没有账单的表格）。";
    QTest::newRow("no file") << "gone.csv" << QByteArray("missing")
        << "无法导入 gone.csv：找不到这个文件。";
    QTest::newRow("empty file") << "empty.csv" << QByteArray("\r\n")
        << "无法导入 empty.csv：它不是支付宝或微信支付的账单（是一个空文件）。";
    QTest::newRow("some text") << "notes.txt"
        << QByteArray("\n\n  日期,摘要,金额,余额,对方户名,对方账号,交易渠道,附言,流水号,记账时间,网点\n1,2\n")
        << "无法导入 notes.txt：它不是支付宝或微信支付的账单（是文字，第一行是“日期,摘要,金额,余额,对方户名,对方账号,交易渠道,附言,流水号,记账时间,网…”）。";
    QTest::newRow("binary data") << "picture.csv" << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)
        << "无法导入 picture.csv：它不是支付宝或微信支付的账单（是二进制数据，不是文字）。";
}

void TestBillReaders::RefusesDamagedBills() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const QString path = FDir.filePath(name);
    const QByteArray header =
        "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>交易时间</t></is></c>"
        "<c r=\"B2\" t=\"str\"><v>交易类型</v></c><c t=\"str\"><v>交易对方</v></c>"
        "<c t=\"str\"><v>商品</v></c><c t=\"str\"><v>收/支</v></c><c t=\"str\"><v>金额(元)</v></c>"
        "<c t=\"str\"><v>支付方式</v></c><c t=\"str\"><v>当前状态</v></c><c t=\"str\"><v>交易单号</v></c>"
        "<c t=\"str\"><v>商户单号</v></c><c t=\"str\"><v>备注</v></c></row>";
    const QByteArray row =
        "<row r=\"3\"><c r=\"A3\"><v>46329.5</v></c><c r=\"B3\" t=\"str\"><v>商户消费</v></c>"
        "<c r=\"E3\" t=\"str\"><v>支出</v></c><c r=\"F3\" t=\"str\"><v>12..5</v></c></row>";
    const QByteArray end = "</sheetData></worksheet>";
    const QByteArray cellText(70'000, 'a'); // beyond a cell's 65,536 characters
    const QByteArray item = "<si><t>a</t></si>";
    if (bytes == "amount") WriteWorkbook(path, header + row + end);
    else if (bytes == "long inline")
        WriteWorkbook(path, header + Replaced(row, "<v>商户消费</v>", "<is><t>" + cellText + "</t></is>") + end);
    else if (bytes == "long value") WriteWorkbook(path, header + Replaced(row, "12..5", cellText) + end);
    else if (bytes == "long shared")
        WriteWorkbook(path, header + row + end, item + "<si><t>" + cellText + "</t></si>");
    else if (bytes == "long runs")
        WriteWorkbook(path, header + row + end,
                      item + "<si><r><t>" + cellText.left(40'000) + "</t></r><r><t>" +
                          cellText.left(40'000) + "</t></r></si>");
    else if (bytes == "huge shared")
        WriteWorkbook(path, header + row + end, "<si><t>" + QByteArray(40 << 20, 'a') + "</t></si>");
    else if (bytes == "many shared")
        WriteWorkbook(path, header + row + end,
                      ("<si><t>" + QByteArray(60'000, 'a') + "</t></si>").repeated(1700));
    else if (bytes == "huge sheet")
        WriteWorkbook(path, header + Replaced(row, "12..5", "12.5") +
                                (QByteArray((1 << 20) - 16, ' ') + "<x/>").repeated(260) + end);
    else if (bytes == "cut") WriteWorkbook(path, header + row.left(40));
    else if (bytes == "workbook") WriteWorkbook(path, row + "</sheetData></worksheet>");
    else if (bytes == "zip") WriteZip(path, {{QStringLiteral("a.txt"), "hello"}});
    else if (bytes == "missing") QFile::remove(path);
    else WriteAll(path, bytes);
    QTEST(ErrorOf([&] { BillFormats::Read(path); }), "message");
}

void TestBillReaders::ProgressStopsTheReading_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("stopAt"); // the report that answers "stop", from 1; 0: never
    QTest::addColumn<QString>("message");

    QTest::newRow("csv read to its end") << "big.csv" << 0 << "<no error>";
    QTest::newRow("csv stopped half-way") << "big.csv" << 2 << "已取消读取账单 big.csv。";
    QTest::newRow("xlsx stopped at its end") << "wechat.xlsx" << 1 << "已取消读取账单 wechat.xlsx。";
}

void TestBillReaders::ProgressStopsTheReading() {
    QFETCH(QString, name);
    QFETCH(int, stopAt);
    QString path = BillFixture::Path(name);
    if (name == u"big.csv") {
        // The Alipay bill with its rows repeated to some megabytes, for several reports.
        const QByteArray bill = ReadAll(BillFixture::Path(QStringLiteral("alipay-new.csv")));
        const qsizetype first = bill.indexOf("2026-11-01 08:12:30");
        QByteArray bytes = bill.left(first);
        for (int copy = 0; copy < 400; ++copy) bytes += bill.mid(first);
        path = FDir.filePath(name);
        WriteAll(path, bytes);
    }
    QList<QPair<qint64, qint64>> reports;
    const QString error = ErrorOf([&] {
        const TBill bill = BillFormats::Read(path, [&](qint64 done, qint64 total) {
            reports.append({done, total});
            return reports.size() != stopAt;
        });
        QCOMPARE(bill.Rows.size(), 30 * 400);
    });
    QTEST(error, "message");
    QVERIFY(!reports.isEmpty());
    for (qsizetype i = 1; i < reports.size(); ++i) QVERIFY(reports[i].first > reports[i - 1].first);
    if (stopAt == 0) {
        QVERIFY(reports.size() > 3);
        QCOMPARE(reports.last().first, reports.last().second);
    } else {
        QCOMPARE(reports.size(), stopAt);
    }
}

QTEST_GUILESS_MAIN(TestBillReaders)
#include "tst_billreaders.moc"
