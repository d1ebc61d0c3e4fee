#include "import/readers/XlsxSheetReader.h"

#include "import/readers/BillCells.h"

#include <QFile>
#include <QFileInfo>
#include <quazip/quazipfileinfo.h>

namespace {

// Columns beyond this hold nothing of a bill; a cell there is passed over.
constexpr int MaxColumns = 256;
constexpr qint64 ReportEvery = 256 * 1024;

// The text of a string item (<si> or <is>): its <t>, or the <t> of its rich-text runs <r>;
// phonetic hints (<rPh>) are not part of it. Leaves the reader on the item's end.
QString ReadItem(QXmlStreamReader& xml) {
    QString text;
    int phonetic = 0;
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (xml.name() == u"rPh") {
                ++phonetic;
                ++depth;
            } else if (xml.name() == u"t" && phonetic == 0) {
                text += xml.readElementText();
            } else {
                ++depth;
            }
            break;
        case QXmlStreamReader::EndElement:
            if (xml.name() == u"rPh") --phonetic;
            --depth;
            break;
        default: break;
        }
    }
    return text;
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
    QuaZipFileInfo64 info;
    if (FZip.getCurrentFileInfo(&info)) FSheetSize = static_cast<qint64>(info.uncompressedSize);
    if (!FSheet.open(QIODevice::ReadOnly))
        Damaged(QStringLiteral("打不开工作表 %1").arg(sheet));
    FXml.setDevice(&FSheet);
}

void TXlsxSheetReader::Damaged(const QString& what) const {
    throw EBillError(QStringLiteral("账单 %1 已损坏，读不出其中的表格（%2）。").arg(FFileName, what));
}

QByteArray TXlsxSheetReader::Part(const QString& name) {
    if (!FZip.setCurrentFile(name)) return {};
    QuaZipFile file(&FZip);
    if (!file.open(QIODevice::ReadOnly)) Damaged(QStringLiteral("打不开 %1").arg(name));
    QByteArray bytes = file.readAll();
    file.close();
    if (file.getZipError() != UNZ_OK) Damaged(QStringLiteral("%1 已损坏").arg(name));
    return bytes;
}

QString TXlsxSheetReader::FirstSheet() {
    const QByteArray workbook = Part(QStringLiteral("xl/workbook.xml"));
    if (workbook.isEmpty()) Damaged(QStringLiteral("其中没有 xl/workbook.xml，不是电子表格"));
    QString id;
    for (QXmlStreamReader xml(workbook); !xml.atEnd() && id.isEmpty();)
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"sheet")
            for (const QXmlStreamAttribute& attribute : xml.attributes())
                if (attribute.name() == u"id") id = attribute.value().toString();
    QString target;
    const QByteArray relations = Part(QStringLiteral("xl/_rels/workbook.xml.rels"));
    for (QXmlStreamReader xml(relations); !xml.atEnd() && target.isEmpty() && !id.isEmpty();)
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"Relationship" &&
            xml.attributes().value(QLatin1StringView("Id")) == id)
            target = xml.attributes().value(QLatin1StringView("Target")).toString();
    if (target.isEmpty()) return QStringLiteral("xl/worksheets/sheet1.xml");
    return target.startsWith(u'/') ? target.mid(1) : QStringLiteral("xl/") + target;
}

void TXlsxSheetReader::ReadStrings(int limit) {
    QuaZipFile file(&FZip);
    if (!file.open(QIODevice::ReadOnly)) Damaged(QStringLiteral("打不开 xl/sharedStrings.xml"));
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"si") continue;
        if (limit >= 0 && FStrings.size() >= limit) {
            FStringsCut = true;
            return;
        }
        FStrings.append(ReadItem(xml));
    }
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
                if (FXml.name() == u"v") text = FXml.readElementText();
                else if (FXml.name() == u"is") text = ReadItem(FXml);
                else FXml.skipCurrentElement();
            }
            if (type == u"s") {
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
        if (FProgress && FSheet.pos() - FReported >= ReportEvery) {
            FReported = FSheet.pos();
            if (!FProgress(FReported, FSheetSize))
                throw EBillCancelled(QStringLiteral("已取消读取账单 %1。").arg(FFileName));
        }
        return true;
    }
    if (FXml.hasError())
        Damaged(QStringLiteral("工作表第 %1 行之后的内容不完整或已损坏").arg(FRow));
    if (!FSheet.isOpen()) return false;
    FSheet.close();
    if (FSheet.getZipError() != UNZ_OK) Damaged(QStringLiteral("工作表的校验和不对"));
    if (FProgress && !FProgress(FSheetSize, FSheetSize))
        throw EBillCancelled(QStringLiteral("已取消读取账单 %1。").arg(FFileName));
    return false;
}
