#include "output/CsvWriter.h"

#include "platform/Exception.h"
#include "platform/SystemError.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Bytes gathered before they go to the file.
constexpr qsizetype BufferBytes = 256 * 1024;

bool RunsAsFormula(const QString& text) {
    if (text.isEmpty()) return false;
    switch (text.front().unicode()) {
    case u'=':
    case u'+':
    case u'-':
    case u'@':
    case u'\t':
    case u'\r':
    case u'\'':
        return true;
    default:
        return false;
    }
}

bool NeedsQuotes(const QString& cell) {
    for (const QChar c : cell)
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n') return true;
    return false;
}

} // namespace

TCsvWriter::TCsvWriter(const QString& target) : FTarget(target), FPartial(target) {
    const QString reason = FPartial.Create();
    if (!reason.isEmpty()) Fail(reason);
    FFile.setFileName(FPartial.Path());
    if (!FFile.open(QIODevice::WriteOnly)) Fail(FFile.errorString());
    FBuffer.reserve(BufferBytes + 4096);
    FBuffer.append("\xEF\xBB\xBF");
}

TCsvWriter::~TCsvWriter() = default; // an unfinished file goes with its partial file

QString TCsvWriter::TextCell(const QString& text) {
    QString cell = RunsAsFormula(text) ? u'\'' + text : text;
    if (!NeedsQuotes(cell)) return cell;
    cell.replace(u'"', QStringLiteral("\"\""));
    return u'"' + cell + u'"';
}

void TCsvWriter::Separate() {
    if (FRowStarted) FBuffer.append(',');
    FRowStarted = true;
}

void TCsvWriter::Text(const QString& text) {
    Separate();
    FBuffer.append(TextCell(text).toUtf8());
}

void TCsvWriter::Number(const QString& number) {
    Separate();
    FBuffer.append(number.toLatin1());
}

void TCsvWriter::EndRow() {
    FBuffer.append("\r\n");
    FRowStarted = false;
    if (FBuffer.size() >= BufferBytes) Flush();
}

void TCsvWriter::TextRow(const QStringList& cells) {
    for (const QString& cell : cells)
        Text(cell);
    EndRow();
}

void TCsvWriter::Flush() {
    if (FFile.write(FBuffer) != FBuffer.size()) Fail(FFile.errorString());
    FBuffer.clear();
}

void TCsvWriter::Finish() {
    Flush();
    if (!FFile.flush()) Fail(FFile.errorString());
    FFile.close();
    FPartial.TakeDocumentPermissions(FTarget);
    QString reason;
    if (!FPartial.PlaceOver(FTarget, &reason)) Fail(reason);
}

void TCsvWriter::Fail(const QString& systemReason) const {
    const QFileInfo folder(QFileInfo(FTarget).absolutePath());
    const QString reason =
        folder.exists() || QFileInfo(folder.path()).isFile()
            ? systemReason
            : QStringLiteral("文件夹 %1 不存在").arg(QDir::toNativeSeparators(folder.filePath()));
    throw EInOutError(
        QStringLiteral("无法写入文件 %1：%2。请另选一个可以写入的文件夹。")
            .arg(ShownPath(FTarget), reason.isEmpty() ? QStringLiteral("文件夹不能写入") : reason));
}
