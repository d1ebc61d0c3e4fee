#include "settings/BigIni.h"

#include "platform/ErrorReport.h"
#include "platform/Exception.h"
#include "platform/SystemError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <algorithm>
#include <limits>

namespace {

constexpr char EndOfFileMark = 0x1A; // the old end-of-file mark, honoured at the start of a line
constexpr qint32 DefaultTextBufferSize = 0x7000;

inline uchar AsciiLower(uchar c) {
    return c >= 'A' && c <= 'Z' ? uchar(c + ('a' - 'A')) : c;
}

// The key of a line is the text before its first "="; a line without "=" has none.
bool LineKey(const QByteArray& line, QByteArray& key) {
    const qsizetype equals = line.indexOf('=');
    if (equals < 0) return false;
    key = line.left(equals);
    return true;
}

// Decimal digits with an optional sign, within 32 bits.
bool ToInt32(const QByteArray& text, qint32& value) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    qint64 magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return false;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > qint64(std::numeric_limits<qint32>::max()) + 1) return false;
    }
    if (negative) magnitude = -magnitude;
    if (magnitude > std::numeric_limits<qint32>::max()) return false;
    value = qint32(magnitude);
    return true;
}

QString ReadFailure(const QString& fileName, const QString& reason) {
    return QStringLiteral("无法读取文件“%1”：%2").arg(fileName, reason);
}

QString WriteFailure(const QString& fileName, const QString& reason) {
    return QStringLiteral("无法写入文件“%1”：%2").arg(fileName, reason);
}

// Why a write failed, in words a family understands. Qt's text for a failed write of a
// QSaveFile is often just "Unknown error"; the system's error number still says what happened.
QString WriteReason(const QFileDevice& file, int systemError) {
    const QString words = SystemErrorWords(systemError);
    if (!words.isEmpty()) return words;
    const QString text = file.errorString();
    if (!text.isEmpty() && text != QStringLiteral("Unknown error")) return text;
    if (systemError != 0) return SystemErrorText(systemError);
    return text;
}

// Splits the bytes of a file into lines as the store reads them: a line ends at LF or CR LF, a
// CR not followed by LF is dropped, only the first 255 bytes of a line are kept, empty lines
// are skipped, and a 0x1A at the start of a line ends the file. Fed in chunks of any size.
class TLineReader {
public:
    template <class Sink> bool Feed(const char* data, qsizetype size, Sink&& sink) {
        for (qsizetype i = 0; i < size; ++i) {
            const char b = data[i];
            if (FPendingCR) {
                FPendingCR = false;
                if (b == '\n') {
                    EndLine(sink);
                    continue;
                }
            }
            if (b == '\r') {
                FPendingCR = true;
            } else if (b == '\n') {
                EndLine(sink);
            } else if (FLine.isEmpty() && b == EndOfFileMark) {
                // Dropped CRs do not count: no stored line ever begins with the mark, so a
                // file the store writes back reads back the same.
                FEnded = true;
                return false;
            } else if (FLine.size() < IniMaxLength) {
                FLine.append(b);
            }
        }
        return true;
    }

    template <class Sink> void Finish(Sink&& sink) {
        if (!FEnded && !FLine.isEmpty()) sink(FLine);
        FLine.clear();
        FEnded = true;
    }

private:
    template <class Sink> void EndLine(Sink& sink) {
        if (!FLine.isEmpty()) sink(FLine);
        FLine.clear();
    }

    QByteArray FLine;
    bool FPendingCR = false;
    bool FEnded = false;
};

} // namespace

int CompareNames(QByteArrayView a, QByteArrayView b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const uchar x = AsciiLower(uchar(a[i]));
        const uchar y = AsciiLower(uchar(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

// ---------------------------------------------------------------------------------------------
// TSectionList

int TSectionList::AddObject(const QByteArray& name, std::unique_ptr<TEntryList> entries) {
    FItems.push_back({name, std::move(entries)});
    return Count() - 1;
}

void TSectionList::Delete(int index) {
    FItems.erase(FItems.begin() + index);
}

void TSectionList::Clear() {
    FItems.clear();
    FLastIndex = 0;
}

int TSectionList::IndexOf(const QByteArray& name) {
    const int count = Count();
    if (count == 0) return -1;
    const int start = FLastIndex >= 0 && FLastIndex < count ? FLastIndex : 0;
    for (int step = 0; step < count; ++step) {
        const int i = (start + step) % count;
        if (SameName(FItems[size_t(i)].Name, name)) {
            FLastIndex = i;
            return i;
        }
    }
    return -1;
}

bool TSectionList::RemoveDuplicates() {
    if (Count() < 2) return false;

    struct TNamed {
        QByteArray Name;
        int Position;
    };
    std::vector<TNamed> sorted;
    sorted.reserve(FItems.size());
    for (int i = 0; i < Count(); ++i)
        sorted.push_back({FItems[size_t(i)].Name, i});
    std::sort(sorted.begin(), sorted.end(),
              [](const TNamed& a, const TNamed& b) { return CompareNames(a.Name, b.Name) < 0; });

    std::vector<bool> dropped(FItems.size(), false);
    bool any = false;
    size_t survivor = 0;
    for (size_t i = 1; i < sorted.size(); ++i) {
        if (!SameName(sorted[i].Name, sorted[survivor].Name)) {
            survivor = i;
            continue;
        }
        // Of two equal names the one earlier in the file survives with its own lines.
        size_t loser = i;
        if (sorted[i].Position < sorted[survivor].Position) std::swap(loser, survivor);
        dropped[size_t(sorted[loser].Position)] = true;
        FItems[size_t(sorted[loser].Position)].Entries.reset();
        any = true;
    }
    if (!any) return false;

    std::vector<TItem> kept;
    kept.reserve(FItems.size());
    for (size_t i = 0; i < FItems.size(); ++i)
        if (!dropped[i]) kept.push_back(std::move(FItems[i]));
    FItems = std::move(kept);
    FLastIndex = 0;
    return true;
}

// ---------------------------------------------------------------------------------------------
// TBigIniFile

TBigIniFile::TBigIniFile(const QString& fileName)
    : FSectionList(std::make_unique<TSectionList>()), FTextBufferSize(DefaultTextBufferSize) {
    SetFileName(fileName);
}

TBigIniFile::~TBigIniFile() {
    // A destructor must not throw: a write-back that fails here goes to the general error
    // report, which shows the file and the reason.
    try {
        UpdateFile();
    } catch (...) {
        ReportCurrentException();
    }
    Clear();
}

void TBigIniFile::Clear() {
    FSectionList->Clear();
}

void TBigIniFile::SetFileName(const QString& fileName) {
    UpdateFile();
    Clear();
    // The name is kept whole: a path cut short would name another file, which the write-back
    // would then create or overwrite.
    FFileName = fileName;
    if (!FFileName.isEmpty()) LoadFromFile(FFileName);
    FModified = false;
}

int TBigIniFile::FindSectionKey(const QByteArray& section, const QByteArray& key, bool mayCreate,
                                TEntryList*& entries) {
    entries = nullptr;
    const int count = FSectionList->Count();
    bool found = false;
    if (count > 0) {
        if (FCurrentSection < 0 || FCurrentSection >= count) FCurrentSection = 0;
        const int stop = FCurrentSection == 0 ? count - 1 : FCurrentSection - 1;
        while (!SameName(FSectionList->Names(FCurrentSection), section) && FCurrentSection != stop)
            FCurrentSection = FCurrentSection + 1 == count ? 0 : FCurrentSection + 1;
        found = SameName(FSectionList->Names(FCurrentSection), section);
    }
    if (!found) {
        if (mayCreate) {
            FCurrentSection = FSectionList->AddObject(section, std::make_unique<TEntryList>());
            entries = FSectionList->SectionEntries(FCurrentSection);
        }
        return -1;
    }
    entries = FSectionList->SectionEntries(FCurrentSection);
    for (int i = 0; i < entries->size(); ++i) {
        const QByteArray& line = entries->at(i);
        const qsizetype equals = line.indexOf('=');
        if (equals == key.size() && SameName(QByteArrayView(line).first(equals), key)) return i;
    }
    return -1;
}

QByteArray TBigIniFile::ReadString(const QByteArray& section, const QByteArray& key,
                                   const QByteArray& defaultValue) {
    TEntryList* entries = nullptr;
    const int index = FindSectionKey(section, key, false, entries);
    if (index < 0) return CutToMax(defaultValue);
    const QByteArray& line = entries->at(index);
    return CutToMax(line.mid(line.indexOf('=') + 1));
}

void TBigIniFile::WriteString(const QByteArray& section, const QByteArray& key,
                              const QByteArray& value) {
    if (key.isEmpty()) {
        if (!section.isEmpty() || !value.isEmpty())
            EraseSection(section);
        else
            UpdateFile();
        return;
    }
    const QByteArray line = CutToMax(key + '=' + value);
    TEntryList* entries = nullptr;
    const int index = FindSectionKey(section, key, true, entries);
    if (index < 0) {
        entries->append(line);
        FModified = true;
    } else if (entries->at(index) != line) {
        (*entries)[index] = line;
        FModified = true;
    }
}

qint32 TBigIniFile::ReadInteger(const QByteArray& section, const QByteArray& key,
                                qint32 defaultValue) {
    qint32 value = 0;
    return ToInt32(TrimControls(ReadString(section, key, QByteArray())), value) ? value
                                                                                : defaultValue;
}

void TBigIniFile::WriteInteger(const QByteArray& section, const QByteArray& key, qint32 value) {
    WriteString(section, key, QByteArray::number(value));
}

bool TBigIniFile::ReadBool(const QByteArray& section, const QByteArray& key, bool defaultValue) {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TBigIniFile::WriteBool(const QByteArray& section, const QByteArray& key, bool value) {
    WriteString(section, key, value ? QByteArrayLiteral("1") : QByteArrayLiteral("0"));
}

void TBigIniFile::ReadSection(const QByteArray& section, QList<QByteArray>& strings) {
    const int index = FSectionList->IndexOf(section);
    if (index < 0) return;
    QByteArray key;
    for (const QByteArray& line : *FSectionList->SectionEntries(index))
        strings.append(LineKey(line, key) ? key : QByteArray());
}

void TBigIniFile::ReadSections(QList<QByteArray>& strings) {
    strings.clear();
    for (int i = 0; i < FSectionList->Count(); ++i)
        strings.append(FSectionList->Names(i));
}

void TBigIniFile::ReadSectionValues(const QByteArray& section, QList<QByteArray>& strings) {
    const int index = FSectionList->IndexOf(section);
    if (index < 0) return;
    strings.append(*FSectionList->SectionEntries(index));
}

void TBigIniFile::EraseSection(const QByteArray& section) {
    const int index = FSectionList->IndexOf(section);
    if (index < 0) return;
    FSectionList->Delete(index);
    FSectionList->FLastIndex = 0;
    FModified = true;
    if (FCurrentSection >= FSectionList->Count()) FCurrentSection = 0;
}

bool TBigIniFile::SectionExists(const QByteArray& section) {
    return FSectionList->IndexOf(section) >= 0;
}

void TBigIniFile::DeleteKey(const QByteArray& section, const QByteArray& key) {
    TEntryList* entries = nullptr;
    const int index = FindSectionKey(section, key, true, entries);
    if (index < 0) return;
    entries->removeAt(index);
    FModified = true;
}

void TBigIniFile::GetStrings(QList<QByteArray>& list) {
    for (int i = 0; i < FSectionList->Count(); ++i) {
        const TEntryList& entries = *FSectionList->SectionEntries(i);
        if (entries.isEmpty()) continue;
        list.append('[' + FSectionList->Names(i) + ']');
        list.append(entries);
        list.append(QByteArray());
    }
}

void TBigIniFile::UpdateFile() {
    if (!FModified) return;
    if (!FFileName.isEmpty()) {
        // The new contents go to a temporary file beside the old one, which replaces it only
        // once everything is written and flushed: a full disk or a crash leaves the old file.
        QSaveFile file(FFileName);
        errno = 0;
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            throw EInOutError(WriteFailure(FFileName, WriteReason(file, errno)));

        QByteArray buffer;
        buffer.reserve(FTextBufferSize);
        auto flush = [&] {
            if (buffer.isEmpty()) return;
            errno = 0;
            if (file.write(buffer) != buffer.size())
                throw EInOutError(WriteFailure(FFileName, WriteReason(file, errno)));
            buffer.clear();
        };
        auto put = [&](const QByteArray& line) {
            if (buffer.size() + line.size() + 2 > FTextBufferSize) flush();
            buffer.append(line);
            buffer.append("\r\n", 2);
        };
        for (int i = 0; i < FSectionList->Count(); ++i) {
            const TEntryList& entries = *FSectionList->SectionEntries(i);
            if (entries.isEmpty()) continue;
            put('[' + FSectionList->Names(i) + ']');
            for (const QByteArray& line : entries)
                put(line);
            put(QByteArray());
        }
        flush();
        errno = 0;
        if (!file.commit()) throw EInOutError(WriteFailure(FFileName, WriteReason(file, errno)));
    }
    FModified = false;
}

void TBigIniFile::LoadFromFile(const QString& fileName) {
    FCurrentSection = 0;
    if (!QFileInfo::exists(fileName)) return;

    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw EInOutError(ReadFailure(fileName, file.errorString()));

    // Lines before the first section line of this file are dropped; sections already held
    // stay, and the file's sections follow them.
    TEntryList* current = nullptr;
    auto take = [&](const QByteArray& line) {
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            FCurrentSection = FSectionList->AddObject(line.mid(1, line.size() - 2),
                                                      std::make_unique<TEntryList>());
            current = FSectionList->SectionEntries(FCurrentSection);
        } else if (current) {
            current->append(line);
        }
    };

    TLineReader reader;
    QByteArray buffer(FTextBufferSize, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(buffer.data(), buffer.size());
        if (got < 0) {
            const QString reason = file.errorString();
            if (FSectionList->RemoveDuplicates()) FModified = true;
            if (FCurrentSection >= FSectionList->Count()) FCurrentSection = 0;
            throw EInOutError(ReadFailure(fileName, reason));
        }
        if (got == 0 || !reader.Feed(buffer.constData(), got, take)) break;
    }
    reader.Finish(take);

    if (FSectionList->RemoveDuplicates()) FModified = true;
    // The last section read is the current one, unless it was a dropped duplicate.
    if (FCurrentSection >= FSectionList->Count()) FCurrentSection = 0;
}

QByteArray TrimControls(const QByteArray& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && uchar(text[first]) <= ' ')
        ++first;
    while (last > first && uchar(text[last - 1]) <= ' ')
        --last;
    return text.mid(first, last - first);
}
