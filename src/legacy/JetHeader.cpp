#include "legacy/JetHeader.h"

#include "platform/FileKind.h"

#include <QFile>
#include <QtEndian>
#include <array>
#include <cmath>
#include <cstring>

namespace {

// The first page of a Jet file is encoded from 0x18 on with RC4 under a fixed key.
void Rc4(const std::array<uchar, 4>& key, uchar* data, int length) {
    std::array<uchar, 256> s;
    for (int i = 0; i < 256; ++i)
        s[i] = uchar(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % key.size()]) & 0xff;
        std::swap(s[i], s[j]);
    }
    for (int n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xff;
        j = (j + s[i]) & 0xff;
        std::swap(s[i], s[j]);
        data[n] ^= s[(s[i] + s[j]) & 0xff];
    }
}

constexpr std::array<uchar, 4> HeaderKey = {0xc7, 0xda, 0x39, 0x6b};

} // namespace

void TJetHeader::ToggleMask(QByteArray& firstPage) {
    if (firstPage.size() < MaskedStart + MaskedLength) return;
    Rc4(HeaderKey, reinterpret_cast<uchar*>(firstPage.data()) + MaskedStart, MaskedLength);
}

TJetHeader TJetHeader::Read(const QString& path) {
    // A named pipe would keep the open waiting for a writer, a device has no header to read.
    if (FileKindOf(path) != TFileKind::Regular) return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return FromBytes(file.read(PageSize));
}

TJetHeader TJetHeader::FromBytes(const QByteArray& firstPage) {
    TJetHeader header;
    static const QByteArray Magic("Standard Jet DB", 16); // with its terminating zero
    static const QByteArray AceMagic("Standard ACE DB", 16);
    const QByteArray magic = firstPage.mid(4, 16);
    if (firstPage.size() < 0x15 || firstPage[0] != 0 || (magic != Magic && magic != AceMagic)) {
        header.Kind = NotJet;
        return header;
    }
    const auto version = uchar(firstPage[0x14]);
    header.Kind = magic == AceMagic || version >= 2 ? Ace : version == 0 ? Jet3 : Jet4;
    if (header.Kind != Jet4) return header;
    if (firstPage.size() < PageSize) {
        header.Kind = Truncated;
        return header;
    }

    QByteArray page = firstPage;
    ToggleMask(page);
    const auto* bytes = reinterpret_cast<const uchar*>(page.constData());
    header.Encrypted = qFromLittleEndian<quint32>(bytes + KeyOffset) != 0;
    // The password is masked once more with the whole days of the creation date.
    double created = 0;
    std::memcpy(&created, bytes + CreationDateOffset, sizeof created);
    uchar mask[4] = {};
    if (std::isfinite(created) && std::fabs(created) < 2e9)
        qToLittleEndian<qint32>(qint32(created), mask);
    for (int i = 0; i < PasswordLength; ++i)
        if ((bytes[PasswordOffset + i] ^ mask[i % 4]) != 0) header.HasPassword = true;
    return header;
}

QString TJetHeader::Problem(const QString& path) const {
    switch (Kind) {
    case Missing:
        return QStringLiteral("无法读取文件 %1。").arg(path);
    case NotJet:
        return QStringLiteral("文件 %1 不是 Access 数据库文件，无法转换。").arg(path);
    case Truncated:
        return QStringLiteral("文件 %1 已损坏：文件不完整，无法转换。").arg(path);
    case Jet3:
        return QStringLiteral("文件 %1 是 Access 97（Jet 3）格式，只能转换 Access 2000–2003"
                              "（Jet 4）格式的数据库。请先用 Access 把它转换为 Access 2000 格式。")
            .arg(path);
    case Ace:
        return QStringLiteral("文件 %1 是 Access 2007 或更新版本的格式，只能转换 Access "
                              "2000–2003（Jet 4）格式的数据库。")
            .arg(path);
    case Jet4:
        break;
    }
    if (Encrypted)
        return QStringLiteral("文件 %1 已加密，无法转换。请先用 Access 解密数据库。").arg(path);
    if (HasPassword)
        return QStringLiteral("文件 %1 设有数据库密码，无法转换。请先用 Access 撤消数据库密码。")
            .arg(path);
    return {};
}
