#include "import/readers/CsvRecordReader.h"

#include "import/readers/BillCells.h"

#include <QFileInfo>
#include <utility>

namespace {

// Bytes between two reports of progress.
constexpr qint64 ReportEvery = 256 * 1024;

// Whether the bytes are UTF-8 text: a BOM, or a first part (up to its last whole line) that
// decodes without error and holds more than ASCII.
bool LooksUtf8(const QByteArray& head) {
    if (head.startsWith("\xEF\xBB\xBF")) return true;
    const qsizetype end = head.lastIndexOf('\n');
    const QByteArray whole = end < 0 ? head : head.left(end + 1);
    bool ascii = true;
    for (const char byte : whole)
        if (static_cast<unsigned char>(byte) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) return false;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(whole);
    return !decoder.hasError();
}

void TrimInto(QStringList& cells, QString& cell) {
    qsizetype begin = 0;
    qsizetype end = cell.size();
    while (begin < end && (cell[begin] == u' ' || cell[begin] == u'\t')) ++begin;
    while (end > begin && (cell[end - 1] == u' ' || cell[end - 1] == u'\t')) --end;
    cells.append(begin == 0 && end == cell.size() ? cell : cell.sliced(begin, end - begin));
    cell.clear();
}

} // namespace

TCsvRecordReader::TCsvRecordReader(const QString& path, const TBillProgress& progress, TCells cells)
    : FFile(path), FFileName(QFileInfo(path).fileName()), FProgress(progress),
      FExact(cells == TCells::Exact) {
    if (!FFile.open(QIODevice::ReadOnly))
        throw EBillError(QStringLiteral("无法读取账单 %1：%2").arg(FFileName, FFile.errorString()));
    FSize = FFile.size();
    FUtf8 = LooksUtf8(FFile.peek(64 * 1024));
    if (FUtf8) FDecoder.emplace(QStringDecoder::Utf8);
    else FDecoder.emplace("GB18030");
}

void TCsvRecordReader::Report(bool last) {
    if (!FProgress) return;
    const qint64 done = FFile.pos();
    if (!last && done - FReported < ReportEvery) return;
    FReported = done;
    if (!FProgress(done, FSize))
        throw EBillCancelled(QStringLiteral("已取消读取账单 %1。").arg(FFileName));
}

bool TCsvRecordReader::ReadLine(QString& line) {
    if (FFile.atEnd()) return false;
    QByteArray bytes = FFile.readLine(MaxLineBytes);
    if (bytes.isEmpty() && FFile.error() != QFileDevice::NoError)
        throw EBillError(BillCells::LineError(
            FFileName, FLine + 1, QStringLiteral("读不下去（%1）。").arg(FFile.errorString())));
    ++FLine;
    if (!bytes.endsWith('\n') && !FFile.atEnd())
        throw EBillError(BillCells::LineError(
            FFileName, FLine, QStringLiteral("这一行超过 1 MB，不像账单的一行。")));
    FLineEnd.clear();
    if (bytes.endsWith('\n')) {
        bytes.chop(1);
        FLineEnd = QStringLiteral("\n");
    }
    if (bytes.endsWith('\r')) {
        bytes.chop(1);
        FLineEnd.prepend(u'\r');
    }
    line = (*FDecoder)(bytes);
    if (FDecoder->hasError())
        throw EBillError(BillCells::LineError(
            FFileName, FLine,
            FUtf8 ? QStringLiteral("有不是 UTF-8 文字的字节，文件可能已损坏。")
                  : QStringLiteral("有不是 GBK 文字的字节，文件可能已损坏。")));
    Report(false);
    return true;
}

bool TCsvRecordReader::Next(QStringList& cells) {
    cells.clear();
    QString line;
    if (!ReadLine(line)) {
        Report(true);
        return false;
    }
    FRecordLine = FLine;
    QString cell;
    qsizetype recordChars = 0;
    bool quoted = false;      // inside quotes
    bool wasQuoted = false;   // the cell had quotes: what follows them up to the comma is padding
    for (;;) {
        const qsizetype size = line.size();
        for (qsizetype i = 0; i < size; ++i) {
            const QChar c = line[i];
            if (quoted) {
                if (c != u'"') {
                    cell.append(c);
                } else if (i + 1 < size && line[i + 1] == u'"') {
                    cell.append(c);
                    ++i;
                } else {
                    quoted = false;
                }
            } else if (c == u',') {
                if (FExact) cells.append(std::exchange(cell, QString()));
                else TrimInto(cells, cell);
                wasQuoted = false;
            } else if (c == u'"' && !wasQuoted &&
                       (FExact ? cell.isEmpty() : cell.trimmed().isEmpty())) {
                cell.clear();
                quoted = wasQuoted = true;
            } else if (!(wasQuoted && (c == u' ' || c == u'\t'))) {
                cell.append(c);
            }
        }
        if (!quoted) break;
        // A line break inside quotes belongs to the cell.
        recordChars += size;
        const QString lineEnd = FLineEnd;
        if (recordChars > MaxRecordChars || !ReadLine(line))
            throw EBillError(BillCells::LineError(
                FFileName, FRecordLine, QStringLiteral("引号从这一行开始就没有结束，文件可能不完整。")));
        cell.append(FExact ? lineEnd : QStringLiteral("\n"));
    }
    if (FExact) cells.append(cell);
    else TrimInto(cells, cell);
    return true;
}

bool TCsvRecordReader::FindHeader(const std::function<bool(const QStringList&)>& isHeader,
                                  QStringList& header) {
    for (int record = 0; record < HeaderSearch && Next(header); ++record)
        if (isHeader(header)) return true;
    header.clear();
    return false;
}

void TCsvRecordReader::ReadTable(const QStringList& header,
                                 const std::function<void(const QStringList& cells)>& row) {
    qsizetype columns = header.size(); // the named columns (the header ends with a comma)
    while (columns > 0 && header[columns - 1].isEmpty()) --columns;
    QStringList cells;
    int endLine = 0;
    while (Next(cells)) {
        if (BillCells::IsBlank(cells)) continue;
        if (endLine != 0) {
            if (cells.size() >= columns)
                throw EBillError(BillCells::LineError(
                    FFileName, FRecordLine,
                    QStringLiteral("账单的表格在第 %1 行已经结束，这一行却还像是账单的一行。")
                        .arg(endLine)));
            continue;
        }
        if (BillCells::IsTableEnd(cells)) {
            endLine = FRecordLine;
            continue;
        }
        if (cells.size() < columns)
            throw EBillError(BillCells::LineError(
                FFileName, FRecordLine,
                QStringLiteral("只有 %1 列，账单的表头有 %2 列。").arg(cells.size()).arg(columns)));
        // A row as wide as the header, or one empty cell wider where the rows end with a comma
        // and the header does not; a wider one has a comma out of quotes.
        const bool trailing = cells.size() == header.size() + 1 && cells.last().isEmpty() &&
                              !header.last().isEmpty();
        if (cells.size() > header.size() && !trailing)
            throw EBillError(BillCells::LineError(
                FFileName, FRecordLine,
                QStringLiteral("有 %1 列，比账单的表头多（某一格里的逗号没有加引号？）。")
                    .arg(cells.size())));
        row(cells);
    }
}
