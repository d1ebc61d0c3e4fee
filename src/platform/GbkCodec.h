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
// True when every character of text has GBK bytes (the private-use characters above count as
// their byte). FromUnicode writes "?" for any other character, so text for which this is false
// must not be stored or compared as bytes.
bool CanEncode(const QString& text);
QByteArray FromUnicode(const QString& text);
QString ToUnicode(const QByteArray& bytes);
} // namespace Gbk
