#pragma once

#include <QByteArray>
#include <QString>

// GBK bytes where the program defines bytes: stored passwords and the settings file.
//
// The conversion is lossless in both directions: a byte that does not start a valid GBK
// character (a shifted half of a Chinese password, say) becomes a private-use character
// U+F780..U+F7FF and turns back into the same byte, so any byte string survives a trip through
// QString and the UTF-8 database.
namespace Gbk {
QByteArray FromUnicode(const QString& text);
QString ToUnicode(const QByteArray& bytes);
} // namespace Gbk
