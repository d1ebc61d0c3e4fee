#include "legacy/JetRowServer.h"

#include "legacy/JetReader.h"
#include "legacy/JetRowStream.h"
#include "platform/Exception.h"

#include <QFile>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace JetRowStream;

namespace {

// A batch of rows is sent once it holds this many rows or bytes.
constexpr quint32 BatchRows = 512;
constexpr qsizetype BatchBytes = 64 * 1024;

// The address space the process has now, in bytes.
qint64 AddressSpace() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    return statm.readAll().split(' ').value(0).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

void LimitSelf() {
    // Dies with the program that started it, even when that one is killed (the program arms
    // this before the start too).
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The stop signals of a logout or of Ctrl+C reach this process too; the program handles
    // them and ends this one, which dying first would have the file reported damaged.
    for (const int stop : {SIGTERM, SIGHUP, SIGINT})
        ::signal(stop, SIG_IGN);
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore); // a reader stopped by its limit leaves no core file
    const auto space = rlim_t(AddressSpace() + JetRowServer::MemoryBudget);
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 &&
        (limit.rlim_max == RLIM_INFINITY || space < limit.rlim_max)) {
        limit.rlim_cur = space;
        ::setrlimit(RLIMIT_AS, &limit);
    }
}

class TServer {
public:
    explicit TServer(int out) : FOut(out) {}

    void Send(TFrame& frame) {
        const QByteArray& bytes = frame.Bytes();
        for (qsizetype sent = 0; sent < bytes.size();) {
            const ssize_t n = ::write(FOut, bytes.constData() + sent, size_t(bytes.size() - sent));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) ::_exit(1); // the conversion is gone
            sent += n;
        }
    }

    // The next request; false when the conversion has closed its end.
    bool Receive(QByteArray& request) {
        char head[4];
        if (!ReadExactly(head, 4)) return false;
        quint32 length = 0;
        FrameLength(QByteArray::fromRawData(head, 4), 0, length);
        request.resize(length);
        return ReadExactly(request.data(), length);
    }

    void Serve(const QString& path) {
        TJetReader reader(path);
        TFrame ready(TKind::Ready);
        Send(ready);
        QByteArray request;
        while (Receive(request)) {
            QDataStream in(request);
            in.setVersion(Version);
            quint8 kind = 0;
            QString table;
            in >> kind >> table;
            switch (TKind(kind)) {
            case TKind::RowCount: {
                TFrame count(TKind::Count);
                count.Data << qint64(reader.RowCount(table));
                Send(count);
                break;
            }
            case TKind::Open: {
                QStringList columns;
                in >> columns;
                reader.OpenTable(table, columns);
                QList<int> types;
                for (int c = 0; c < columns.size(); ++c)
                    types << int(reader.ColumnType(c));
                TFrame answer(TKind::Types);
                answer.Data << types;
                Send(answer);
                FColumns = int(columns.size());
                break;
            }
            case TKind::Read:
                SendRows(reader);
                break;
            default:
                return;
            }
        }
    }

private:
    bool ReadExactly(char* into, qint64 size) {
        for (qint64 got = 0; got < size;) {
            const ssize_t n = ::read(STDIN_FILENO, into + got, size_t(size - got));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            got += n;
        }
        return true;
    }

    void SendRows(TJetReader& reader) {
        for (bool more = true; more;) {
            QByteArray values;
            QDataStream data(&values, QIODevice::WriteOnly);
            data.setVersion(Version);
            quint32 rows = 0;
            while (rows < BatchRows && values.size() < BatchBytes && (more = reader.Next())) {
                for (int c = 0; c < FColumns; ++c)
                    Write(data, reader.Value(c));
                ++rows;
            }
            if (rows > 0) {
                TFrame batch(TKind::Rows);
                batch.Data << rows;
                batch.Data.writeRawData(values.constData(), int(values.size()));
                Send(batch);
            }
        }
        TFrame end(TKind::End);
        Send(end);
    }

    static void Write(QDataStream& data, const QVariant& value) {
        switch (value.typeId()) {
        case QMetaType::LongLong:
            data << quint8(TTag::Integer) << value.toLongLong();
            break;
        case QMetaType::Double:
            data << quint8(TTag::Double) << value.toDouble();
            break;
        case QMetaType::QString:
            data << quint8(TTag::Text) << value.toString();
            break;
        default:
            data << quint8(TTag::Null);
            break;
        }
    }

    int FOut;
    int FColumns = 0;
};

} // namespace

namespace JetRowServer {

int Run(const QString& path) {
    LimitSelf();
    // The frames keep the standard output to themselves: whatever the library prints goes to
    // the standard error instead.
    const int out = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (out < 0) return 1;
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    TServer server(out);
    try {
        server.Serve(path);
        return 0;
    } catch (const Exception& error) {
        TFrame failure(TKind::Failure);
        failure.Data << error.Message;
        server.Send(failure);
        return 1;
    }
}

} // namespace JetRowServer
