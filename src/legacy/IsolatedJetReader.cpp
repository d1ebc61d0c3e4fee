#include "legacy/IsolatedJetReader.h"

#include "legacy/JetRowStream.h"
#include "platform/Exception.h"

#include <QCoreApplication>
#include <QDir>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

using namespace JetRowStream;

namespace {

constexpr int PollMs = 100;

} // namespace

TIsolatedJetReader::TIsolatedJetReader(const QString& path, TWaiting waiting)
    : FPath(path), FWaiting(std::move(waiting)) {
    FProcess.setProgram(Program());
    FProcess.setArguments({QString::fromLatin1(Option), path});
    // What the library says about the file is of no use to the user; the frames say it all.
    FProcess.setStandardErrorFile(QProcess::nullDevice());
    // Armed before the reader even starts (both survive the exec): it dies with this program, so
    // a program killed in the instant after the start cannot leave it looping on its own; and it
    // ignores the stop signals a logout or Ctrl+C sends the whole session, which this program
    // handles by ending it, so that one arriving while it starts up is no "damaged file".
    const pid_t parent = ::getpid();
    FProcess.setChildProcessModifier([parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(1);
        for (const int stop : {SIGTERM, SIGHUP, SIGINT})
            ::signal(stop, SIG_IGN);
    });
    FProcess.start();
    if (!FProcess.waitForStarted())
        throw EInOutError(
            QStringLiteral("无法启动 %1 来读取 Access 数据库 %2：%3")
                .arg(QDir::toNativeSeparators(Program()), path, FProcess.errorString()));
    quint8 kind = 0;
    try {
        Receive(kind);
    } catch (...) { // a failure or a cancel: no destructor runs to end the process
        Stop();
        throw;
    }
    if (TKind(kind) != TKind::Ready) Damaged();
}

TIsolatedJetReader::~TIsolatedJetReader() {
    Stop();
}

void TIsolatedJetReader::Stop() {
    // Whatever it is doing, the reader has nothing more to give.
    FProcess.kill();
    FProcess.waitForFinished();
}

QString TIsolatedJetReader::DamagedText(const QString& path) {
    return QStringLiteral("Access 数据库 %1 已损坏，无法读取：读取它时出错中止或没有响应。"
                          "原文件没有改动。可先用 Access 的“压缩和修复数据库”修复后再试。")
        .arg(path);
}

QString TIsolatedJetReader::Program() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/pennyvale");
}

void TIsolatedJetReader::Damaged() {
    Stop();
    throw EInOutError(DamagedText(FPath));
}

void TIsolatedJetReader::Request(const QByteArray& frame) {
    FSilence.start();
    FProcess.write(frame);
    while (FProcess.bytesToWrite() > 0)
        if (!FProcess.waitForBytesWritten(PollMs)) Wait();
}

// One wait for the reading process: a dead or silent one means a damaged file.
void TIsolatedJetReader::Wait() {
    if (FProcess.state() == QProcess::NotRunning && FProcess.bytesAvailable() == 0) Damaged();
    if (FSilence.hasExpired(SilenceMs)) Damaged();
    if (FWaiting) FWaiting();
}

QByteArray TIsolatedJetReader::Receive(quint8& kind) {
    // The silence counts while the answer is awaited, not while the conversion writes rows.
    FSilence.start();
    for (;;) {
        quint32 length = 0;
        if (FrameLength(FInput, FInputStart, length) &&
            FInput.size() - FInputStart - 4 >= qsizetype(length)) {
            QByteArray frame = FInput.mid(FInputStart + 4, length);
            FInputStart += 4 + length;
            if (FInputStart == FInput.size()) {
                FInput.clear();
                FInputStart = 0;
            }
            kind = frame.isEmpty() ? quint8(TKind::Failure) : quint8(frame[0]);
            if (TKind(kind) == TKind::Failure) {
                QDataStream in(frame);
                in.setVersion(Version);
                quint8 ignored = 0;
                QString message;
                in >> ignored >> message;
                if (message.isEmpty()) Damaged();
                throw EInOutError(message);
            }
            return frame;
        }
        if (FProcess.bytesAvailable() > 0 || FProcess.waitForReadyRead(PollMs)) {
            if (FInputStart > 0) {
                FInput.remove(0, FInputStart);
                FInputStart = 0;
            }
            FInput += FProcess.readAll();
            FSilence.start();
            continue;
        }
        Wait();
    }
}

qint64 TIsolatedJetReader::RowCount(const QString& table) {
    TFrame request(TKind::RowCount);
    request.Data << table;
    Request(request.Bytes());
    quint8 kind = 0;
    QDataStream in(Receive(kind));
    in.setVersion(Version);
    if (TKind(kind) != TKind::Count) Damaged();
    quint8 ignored = 0;
    qint64 rows = 0;
    in >> ignored >> rows;
    return rows;
}

void TIsolatedJetReader::OpenTable(const QString& table, const QStringList& columns) {
    // The rest of a table left unread comes first.
    while (FRequested && !FAtEnd)
        Next();
    TFrame request(TKind::Open);
    request.Data << table << columns;
    Request(request.Bytes());
    quint8 kind = 0;
    QDataStream in(Receive(kind));
    in.setVersion(Version);
    if (TKind(kind) != TKind::Types) Damaged();
    quint8 ignored = 0;
    QList<int> types;
    in >> ignored >> types;
    if (types.size() != columns.size()) Damaged();
    FTypes.clear();
    for (int type : types)
        FTypes << TType(type);
    FBatch.clear();
    FRow = FNextRow = 0;
    FRequested = FAtEnd = false;
}

bool TIsolatedJetReader::Next() {
    const size_t columns = size_t(FTypes.size());
    if (FNextRow < FBatch.size()) {
        FRow = FNextRow;
        FNextRow += columns;
        return true;
    }
    if (FAtEnd) return false;
    if (!FRequested) {
        TFrame request(TKind::Read);
        Request(request.Bytes());
        FRequested = true;
    }
    quint8 kind = 0;
    const QByteArray frame = Receive(kind);
    if (TKind(kind) == TKind::End) {
        FAtEnd = true;
        return false;
    }
    if (TKind(kind) != TKind::Rows) Damaged();
    QDataStream in(frame);
    in.setVersion(Version);
    quint8 ignored = 0;
    quint32 rows = 0;
    in >> ignored >> rows;
    FBatch.assign(size_t(rows) * columns, QVariant());
    for (QVariant& value : FBatch) {
        quint8 tag = 0;
        in >> tag;
        switch (TTag(tag)) {
        case TTag::Integer: {
            qint64 number = 0;
            in >> number;
            value = number;
            break;
        }
        case TTag::Double: {
            double number = 0;
            in >> number;
            value = number;
            break;
        }
        case TTag::Text: {
            QString text;
            in >> text;
            value = text;
            break;
        }
        case TTag::Null:
            break;
        default:
            Damaged();
        }
    }
    if (in.status() != QDataStream::Ok || rows == 0) Damaged();
    FRow = 0;
    FNextRow = columns;
    return true;
}
