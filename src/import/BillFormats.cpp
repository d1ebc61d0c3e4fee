#include "import/BillFormats.h"

#include "import/readers/AlipayCsvReader.h"
#include "import/readers/LedgerCsvReader.h"
#include "import/readers/WeChatCsvReader.h"
#include "import/readers/WeChatXlsxReader.h"
#include "import/readers/XlsxSheetReader.h"
#include "platform/FileKind.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

// What a file that no reader takes looks like, for the message that refuses it.
QString Looks(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("打不开：%1").arg(file.errorString());
    const QByteArray head = file.read(4096);
    if (head.trimmed().isEmpty()) return QStringLiteral("是一个空文件");
    switch (TXlsxSheetReader::Probe(path)) {
    case TXlsxSheetReader::TKind::Workbook:
        return QStringLiteral("是一个电子表格，但第一张表里没有账单的表头");
    case TXlsxSheetReader::TKind::Zip: return QStringLiteral("是一个压缩文件，里面没有账单的表格");
    case TXlsxSheetReader::TKind::Damaged: // told apart by Read
    case TXlsxSheetReader::TKind::NotZip: break;
    }
    if (head.startsWith("\xD0\xCF\x11\xE0"))
        return QStringLiteral("是旧版 Excel 文件（.xls），请用表格软件另存为 xlsx 或 CSV 后再导入");
    if (head.contains('\0')) return QStringLiteral("是二进制数据，不是文字");
    const bool utf8 = [&] {
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString text = decoder(head.left(head.lastIndexOf('\n') + 1));
        return !decoder.hasError();
    }();
    QStringDecoder decoder = utf8 ? QStringDecoder(QStringDecoder::Utf8) : QStringDecoder("GB18030");
    QString first;
    for (const QByteArray& line : head.split('\n')) {
        first = QString(decoder(line)).trimmed();
        if (!first.isEmpty()) break;
    }
    if (decoder.hasError()) return QStringLiteral("是二进制数据，不是文字");
    if (first.size() > 40) first = first.left(40) + QStringLiteral("…");
    return QStringLiteral("是文字，第一行是“%1”").arg(first);
}

} // namespace

namespace BillFormats {

const std::vector<std::unique_ptr<TBillReader>>& Readers() {
    static const std::vector<std::unique_ptr<TBillReader>> readers = [] {
        std::vector<std::unique_ptr<TBillReader>> list;
        list.push_back(std::make_unique<TAlipayCsvReader>());
        list.push_back(std::make_unique<TWeChatCsvReader>());
        list.push_back(std::make_unique<TWeChatXlsxReader>());
        list.push_back(std::make_unique<TLedgerCsvReader>());
        return list;
    }();
    return readers;
}

TBill Read(const QString& path, const TBillProgress& progress) {
    const QString name = QFileInfo(path).fileName();
    switch (FileKindOf(path)) {
    case TFileKind::Missing:
        throw EBillError(QStringLiteral("无法导入 %1：找不到这个文件。").arg(name));
    case TFileKind::Folder:
    case TFileKind::Special:
        throw EBillError(QStringLiteral("无法导入 %1：它是%2，不是文件。").arg(name, FileKindWord(path)));
    case TFileKind::Regular: break;
    }
    for (const std::unique_ptr<TBillReader>& reader : Readers())
        if (reader->Recognises(path)) return reader->Read(path, progress);
    // A spreadsheet cut short (a download that stopped) is a bill to fetch again.
    if (TXlsxSheetReader::Probe(path) == TXlsxSheetReader::TKind::Damaged)
        throw EBillError(QStringLiteral("无法导入 %1：它是不完整或已损坏的压缩文件（xlsx），"
                                        "可能没有下载完，请重新下载账单。")
                             .arg(name));
    throw EBillError(QStringLiteral("无法导入 %1：它不是支付宝或微信支付的账单（%2）。")
                         .arg(name, Looks(path)));
}

} // namespace BillFormats
