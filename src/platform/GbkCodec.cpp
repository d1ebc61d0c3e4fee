#include "platform/GbkCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace {

constexpr char16_t RawByteBase = 0xF780; // U+F780 + (byte - 0x80) holds a lone high byte

bool IsRawByte(QChar c) {
    return c.unicode() >= RawByteBase && c.unicode() <= RawByteBase + 0x7F;
}

QString Decode(QByteArrayView bytes) {
    QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

QByteArray Encode(QStringView text) {
    QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

bool IsLeadByte(uchar b) {
    return b >= 0x81 && b <= 0xFE;
}
bool IsTrailByte(uchar b) {
    return b >= 0x40 && b <= 0xFE && b != 0x7F;
}

} // namespace

namespace Gbk {

bool CanEncode(const QString& text) {
    qsizetype runStart = 0;
    auto runEncodes = [&](qsizetype end) {
        if (end <= runStart) return true;
        QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
        const QByteArray bytes = encoder.encode(QStringView(text).mid(runStart, end - runStart));
        Q_UNUSED(bytes); // encoding happens on conversion; hasError tells afterwards
        return !encoder.hasError();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (IsRawByte(text[i])) {
            if (!runEncodes(i)) return false;
            runStart = i + 1;
        }
    }
    return runEncodes(text.size());
}

QString ToUnicode(const QByteArray& bytes) {
    // Fast path: bytes that decode and encode back unchanged, with no character that we use
    // for raw bytes.
    QString whole = Decode(bytes);
    if (!whole.contains(QChar(QChar::ReplacementCharacter)) &&
        std::none_of(whole.cbegin(), whole.cend(), IsRawByte) && Encode(whole) == bytes)
        return whole;

    QString out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const auto b = uchar(bytes[i]);
        if (b < 0x80) {
            out += QChar(b);
            ++i;
            continue;
        }
        if (i + 1 < bytes.size() && IsLeadByte(b) && IsTrailByte(uchar(bytes[i + 1]))) {
            const QByteArrayView pair(bytes.constData() + i, 2);
            const QString c = Decode(pair);
            if (!c.isEmpty() && !c.contains(QChar(QChar::ReplacementCharacter)) &&
                !IsRawByte(c[0]) && Encode(c) == pair) {
                out += c;
                i += 2;
                continue;
            }
        }
        out += QChar(char16_t(RawByteBase + (b - 0x80)));
        ++i;
    }
    return out;
}

QByteArray FromUnicode(const QString& text) {
    QByteArray out;
    out.reserve(text.size() * 2);
    qsizetype runStart = 0;
    auto flushRun = [&](qsizetype end) {
        if (end > runStart) out += Encode(QStringView(text).mid(runStart, end - runStart));
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (IsRawByte(text[i])) {
            flushRun(i);
            out += char(0x80 + (text[i].unicode() - RawByteBase));
            runStart = i + 1;
        }
    }
    flushRun(text.size());
    return out;
}

} // namespace Gbk
