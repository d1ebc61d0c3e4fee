#pragma once

#include <QString>

// Text typed into a field, trimmed as the ledger stores and looks it up: characters with code 32
// or less removed from both ends (QString::trimmed would also remove other Unicode spaces).
inline QString Trimmed(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}
