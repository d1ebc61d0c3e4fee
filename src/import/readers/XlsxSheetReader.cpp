#include "import/readers/XlsxSheetReader.h"

#include "import/readers/BillCells.h"
#include "import/readers/CsvRecordReader.h"

#include <QFile>
#include <QFileInfo>
#include <quazip/quazipfileinfo.h>

namespace {

// Columns beyond this hold nothing of a bill; a cell there is passed over.
constexpr int MaxColumns = 256;
constexpr qint64 ReportEvery = 256 * 1024;
// A cell's text (a shared string, an inline string, a value) is held to the CSV bills' limit.
constexpr qsizetype MaxTextChars = TCsvRecordReader::MaxRecordChars;
// The shared strings together, each charged its characters and what its entry in the list costs
// (so that millions of empty strings count too). A 100,000-row bill's table holds some
// 400,000 strings, about 25 million by this count.
constexpr qsizetype MaxStringTableChars = 100'000'000;
constexpr qsizetype StringEntryChars = 32;

// Adds the text of a Characters token to text; false when that makes it longer than a cell's.
bool Append(QString& text, const QXmlStreamReader& xml) {
    if (text.size() + xml.text().size() > MaxTextChars) return false;
    text += xml.text();
    return true;
}

// The text of a string item (<si> or <is>): its <t>, or the <t> of its rich-text runs <r>;
// phonetic hints (<rPh>) are not part of it. Leaves the reader on the item's end; false (and the
// reader inside the item) when the text is longer than a cell's.
bool ReadItem(QXmlStreamReader& xml, QString& text) {
    text.clear();
    int phonetic = 0;
    bool inText = false;
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            if (xml.name() == u"rPh") ++phonetic;
            else inText = xml.name() == u"t" && phonetic == 0;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            if (xml.name() == u"rPh") --phonetic;
            inText = false;
            break;
        case QXmlStreamReader::Characters:
            if (inText && !Append(text, xml)) return false;
            break;
        default: break;
        }
    }
    return true;
}

// The text of an element of text alone (<v>), leaving the reader on its end; false when it is
// longer than a cell's.
bool ReadValue(QXmlStreamReader& xml, QString& text) {
    text.clear();
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: ++depth; break;
        case QXmlStreamReader::EndElement: --depth; break;
        case QXmlStreamReader::Characters:
            if (depth == 1 && !Append(text, xml)) return false;
            break;
        default: break;
        }
    }
    return true;
}

// The column of a cell reference ("C12" → 2), or -1.
int ColumnOf(QStringView reference) {
    int column = 0;
    qsizetype i = 0;
    for (; i < reference.size() && reference[i] >= u'A' && reference[i] <= u'Z'; ++i) {
        column = column * 26 + (reference[i].unicode() - u'A' + 1);
        if (column > MaxColumns) return MaxColumns;
    }
    return i == 0 ? -1 : column - 1;
}

QString Trimmed(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t')) ++begin;
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t')) --end;
    return begin == 0 && end == text.size() ? text : text.sliced(begin, end - begin);
}

} // namespace

TXlsxSheetReader::TKind TXlsxSheetReader::Probe(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.peek(4) != QByteArray("PK\x03\x04", 4))
        return TKind::NotZip;
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip)) return TKind::Damaged;
    return zip.setCurrentFile(QStringLiteral("xl/workbook.xml")) ? TKind::Workbook : TKind::Zip;
}

TXlsxSheetReader::TXlsxSheetReader(const QString& path, const TBillProgress& progress,
                                   int stringLimit)
    : FFileName(QFileInfo(path).fileName()), FProgress(progress), FZip(path), FSheet(&FZip) {
    if (!FZip.open(QuaZip::mdUnzip)) Damaged(QStringLiteral("不是完整的 xlsx 文件"));
    const QString sheet = FirstSheet();
    if (FZip.setCurrentFile(QStringLiteral("xl/sharedStrings.xml"))) ReadStrings(stringLimit);
    if (!FZip.setCurrentFile(sheet))
        Damaged(QStringLiteral("找不到第一张工作表 %1").arg(sheet));
    FSheetName = sheet;
    QuaZipFileInfo64 info;
    if (FZip.getCurrentFileInfo(&info)) FSheetSize = static_cast<qint64>(info.uncompressedSize);
    if (!FSheet.open(QIODevice::ReadOnly))
        Damaged(QStringLiteral("打不开工作表 %1").arg(sheet));
    FXml.setDevice(&FSheet);
}

void TXlsxSheetReader::Damaged(const QString& what) const {
    throw EBillError(QStringLiteral("账单 %1 已损坏，读不出其中的表格（%2）。").arg(FFileName, what));
}

void TXlsxSheetReader::TooLarge(const QString& what, const QString& limit) const {
    throw EXlsxTooLarge(QStringLiteral("账单 %1 不是正常的微信支付账单：其中%2太大（%3）。")
                            .arg(FFileName, what, limit));
}

void TXlsxSheetReader::Refuse(const TXlsxPartDevice& device, const QString& name) const {
    switch (device.Fault()) {
    case TXlsxPartDevice::TFault::TooLarge:
        TooLarge(QStringLiteral(" %1 ").arg(name),
                 QStringLiteral("解压后超过 %1 MB").arg(TXlsxPartDevice::MaxBytes >> 20));
    case TXlsxPartDevice::TFault::LongRun:
        TooLarge(QStringLiteral(" %1 里的一段文字").arg(name),
                 QStringLiteral("超过 %1 MB").arg(TXlsxPartDevice::MaxRunBytes >> 20));
    case TXlsxPartDevice::TFault::None: break;
    }
}

void TXlsxSheetReader::OpenPart(TXlsxPartDevice& device, const QString& name) const {
    if (!device.open(QIODevice::ReadOnly)) Damaged(QStringLiteral("打不开 %1").arg(name));
}

void TXlsxSheetReader::ClosePart(TXlsxPartDevice& device, const QString& name) const {
    Refuse(device, name);
    device.close();
    if (device.ZipError() != UNZ_OK) Damaged(QStringLiteral("%1 已损坏").arg(name));
}

QString TXlsxSheetReader::FirstSheet() {
    const QString workbook = QStringLiteral("xl/workbook.xml");
    if (!FZip.setCurrentFile(workbook))
        Damaged(QStringLiteral("其中没有 xl/workbook.xml，不是电子表格"));
    QString id;
    {
        TXlsxPartDevice device(&FZip);
        OpenPart(device, workbook);
        QXmlStreamReader xml(&device);
        while (!xml.atEnd() && id.isEmpty())
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"sheet")
                for (const QXmlStreamAttribute& attribute : xml.attributes())
                    if (attribute.name() == u"id") id = attribute.value().toString();
        if (!id.isEmpty()) Refuse(device, workbook);
        else ClosePart(device, workbook);
    }
    QString target;
    const QString relationsName = QStringLiteral("xl/_rels/workbook.xml.rels");
    if (!id.isEmpty() && FZip.setCurrentFile(relationsName)) {
        TXlsxPartDevice device(&FZip);
        OpenPart(device, relationsName);
        QXmlStreamReader xml(&device);
        while (!xml.atEnd() && target.isEmpty())
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"Relationship" &&
                xml.attributes().value(QLatin1StringView("Id")) == id)
                target = xml.attributes().value(QLatin1StringView("Target")).toString();
        if (!target.isEmpty()) Refuse(device, relationsName);
        else ClosePart(device, relationsName);
    }
    if (target.isEmpty()) return QStringLiteral("xl/worksheets/sheet1.xml");
    return target.startsWith(u'/') ? target.mid(1) : QStringLiteral("xl/") + target;
}

void TXlsxSheetReader::ReadStrings(int limit) {
    const QString name = QStringLiteral("xl/sharedStrings.xml");
    TXlsxPartDevice device(&FZip);
    OpenPart(device, name);
    QXmlStreamReader xml(&device);
    qsizetype chars = 0;
    QString text;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"si") continue;
        if (limit >= 0 && FStrings.size() >= limit) {
            FStringsCut = true;
            return;
        }
        if (!ReadItem(xml, text))
            TooLarge(QStringLiteral("第 %1 个共享字符串").arg(FStrings.size() + 1),
                     QStringLiteral("超过 %1 个字").arg(MaxTextChars));
        chars += text.size() + StringEntryChars;
        if (chars > MaxStringTableChars)
            TooLarge(QStringLiteral("的共享字符串表"), QStringLiteral("超过 1 亿个字"));
        FStrings.append(text);
    }
    Refuse(device, name);
    if (xml.hasError())
        Damaged(QStringLiteral("共享字符串 xl/sharedStrings.xml 不完整或已损坏"));
}

bool TXlsxSheetReader::Next(TXlsxRow& row) {
    while (!FXml.atEnd()) {
        if (FXml.readNext() != QXmlStreamReader::StartElement || FXml.name() != u"row") continue;
        const QStringView number = FXml.attributes().value(QLatin1StringView("r"));
        FRow = number.isEmpty() ? FRow + 1 : number.toInt();
        row.Number = FRow;
        row.Cells.clear();
        row.Numeric.clear();
        int column = -1;
        while (!FXml.atEnd()) {
            const auto token = FXml.readNext();
            if (token == QXmlStreamReader::EndElement && FXml.name() == u"row") break;
            if (token != QXmlStreamReader::StartElement || FXml.name() != u"c") continue;
            const QXmlStreamAttributes attributes = FXml.attributes();
            const int at = ColumnOf(attributes.value(QLatin1StringView("r")));
            column = at >= 0 ? at : column + 1;
            const QString type = attributes.value(QLatin1StringView("t")).toString();
            QString text;
            while (!FXml.atEnd()) {
                const auto part = FXml.readNext();
                if (part == QXmlStreamReader::EndElement && FXml.name() == u"c") break;
                if (part != QXmlStreamReader::StartElement) continue;
                const bool value = FXml.name() == u"v";
                if (!value && FXml.name() != u"is") FXml.skipCurrentElement();
                else if (!(value ? ReadValue(FXml, text) : ReadItem(FXml, text)))
                    TooLarge(QStringLiteral("第 %1 行的一格文字").arg(FRow),
                             QStringLiteral("超过 %1 个字").arg(MaxTextChars));
            }
            if (type == u"s" && !text.isEmpty()) {
                bool ok = false;
                const int index = text.toInt(&ok);
                if (ok && index >= 0 && index < FStrings.size()) text = FStrings[index];
                else if (ok && index >= 0 && FStringsCut) text.clear();
                else
                    Damaged(QStringLiteral("第 %1 行引用了不存在的共享字符串 %2").arg(FRow).arg(text));
            }
            if (column >= MaxColumns) continue;
            while (row.Cells.size() <= column) {
                row.Cells.append(QString());
                row.Numeric.append(false);
            }
            row.Cells[column] = Trimmed(text);
            row.Numeric[column] = type.isEmpty() || type == u"n";
        }
        if (FXml.hasError()) break;
        if (FProgress && FSheet.Inflated() - FReported >= ReportEvery) {
            FReported = FSheet.Inflated();
            if (!FProgress(FReported, FSheetSize))
                throw EBillCancelled(QStringLiteral("已取消读取账单 %1。").arg(FFileName));
        }
        return true;
    }
    if (FXml.hasError()) {
        Refuse(FSheet, FSheetName);
        Damaged(QStringLiteral("工作表第 %1 行之后的内容不完整或已损坏").arg(FRow));
    }
    if (!FSheet.isOpen()) return false;
    FSheet.close();
    if (FSheet.ZipError() != UNZ_OK) Damaged(QStringLiteral("工作表的校验和不对"));
    if (FProgress && !FProgress(FSheetSize, FSheetSize))
        throw EBillCancelled(QStringLiteral("已取消读取账单 %1。").arg(FFileName));
    return false;
}
