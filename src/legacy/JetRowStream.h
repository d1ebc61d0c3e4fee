#pragma once

#include <QByteArray>
#include <QDataStream>
#include <QIODevice>

// The messages between the conversion and the process that reads an old ledger for it
// (TIsolatedJetReader and JetRowServer). Each message is a frame: its length as a 32-bit
// number, then its kind and its content written with QDataStream. Rows travel in batches, each
// value as a one-byte tag and its binary form.
namespace JetRowStream {

// The option that starts the program as the reading process: pennyvale --read-access-rows FILE.
inline constexpr char Option[] = "--read-access-rows";

enum class TKind : quint8 {
    // Requests.
    RowCount, // table name → Count
    Open,     // table name, column names → Types
    Read,     // the open table's rows → Rows …, End
    // Answers.
    Ready,   // the file is open
    Count,   // qint64
    Types,   // QList<int>: the TLegacySource::TType of each column
    Rows,    // quint32 rows, then each row's values
    End,     // no more rows
    Failure, // QString: the message of the failure; the process then ends
};

enum class TTag : quint8 { Null, Integer, Double, Text };

inline constexpr QDataStream::Version Version = QDataStream::Qt_6_4;

// A frame under construction: its kind, then what is written into Data.
class TFrame {
public:
    explicit TFrame(TKind kind) : Data(&FBytes, QIODevice::WriteOnly) {
        Data.setVersion(Version);
        Data << quint32(0) << quint8(kind);
    }
    // The finished frame, its length filled in.
    const QByteArray& Bytes() {
        const quint32 size = quint32(FBytes.size()) - sizeof(quint32);
        for (int i = 0; i < 4; ++i)
            FBytes[i] = char(size >> (24 - 8 * i));
        return FBytes;
    }
    qsizetype Size() const { return FBytes.size(); }

private:
    QByteArray FBytes;

public:
    QDataStream Data;
};

// The length of the frame at the start of bytes, when its length is there.
inline bool FrameLength(const QByteArray& bytes, qsizetype from, quint32& length) {
    if (bytes.size() - from < 4) return false;
    length = 0;
    for (int i = 0; i < 4; ++i)
        length = length << 8 | uchar(bytes[from + i]);
    return true;
}

} // namespace JetRowStream
