#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <memory>
#include <vector>

// Names, values and lines of an INI file are byte strings in the system's ANSI code page (GBK
// for this program); the store converts nothing.
//
// Section names and keys are compared without regard to the case of ASCII letters; every other
// byte compares exactly. Whole lines compare byte for byte.
int CompareNames(QByteArrayView a, QByteArrayView b);
inline bool SameName(QByteArrayView a, QByteArrayView b) {
    return a.size() == b.size() && CompareNames(a, b) == 0;
}

// Longest name, value, key or line the store keeps; longer text is cut where it enters.
inline constexpr qsizetype IniMaxLength = 255;
inline QByteArray CutToMax(const QByteArray& text) {
    return text.size() > IniMaxLength ? text.left(IniMaxLength) : text;
}

// Blanks and control characters (bytes up to 32) removed from both ends, as values are read.
QByteArray TrimControls(const QByteArray& text);

// The lines of one section, each exactly as read from the file or as composed by WriteString.
using TEntryList = QList<QByteArray>;

// The ordered list of sections: each item is a section name with its entry list, which the
// list owns. Sections keep the order in which they stand in the file.
class TSectionList {
public:
    TSectionList() = default;
    TSectionList(const TSectionList&) = delete;
    TSectionList& operator=(const TSectionList&) = delete;

    int Count() const { return int(FItems.size()); }
    const QByteArray& Names(int index) const { return FItems[size_t(index)].Name; }
    // Appends a section that takes ownership of entries; returns its position.
    int AddObject(const QByteArray& name, std::unique_ptr<TEntryList> entries);
    // Removes the section at index and frees its entry list.
    void Delete(int index);
    // Frees every entry list and empties the list.
    void Clear();

    // Position of the section named name (compared as names), or -1. The search starts where
    // the previous successful one ended, so repeated look-ups of one section cost one
    // comparison; the starting point never changes the result.
    int IndexOf(const QByteArray& name);
    // The entry list of the section at index.
    TEntryList* SectionEntries(int index) const { return FItems[size_t(index)].Entries.get(); }
    // Drops every section whose name equals that of an earlier section, with its lines; the
    // first one in the list survives. True when any section was dropped.
    bool RemoveDuplicates();

    int LastIndex() const { return FLastIndex; }

private:
    friend class TBigIniFile;

    struct TItem {
        QByteArray Name;
        std::unique_ptr<TEntryList> Entries;
    };
    std::vector<TItem> FItems;
    qint32 FLastIndex = 0;
};

// An INI file held wholly in memory. Reads and writes work on the copy; the file is written
// back as a whole by UpdateFile (called explicitly, by a WriteString with everything empty,
// before switching to another file, and on destruction), and only when something changed.
// A file the store rewrites keeps its comments and unusual lines inside sections.
//
// A file that exists but cannot be read, or cannot be written, raises EInOutError. The
// write-back replaces the file atomically, so a failure never leaves a truncated file behind.
class TBigIniFile {
public:
    explicit TBigIniFile(const QString& fileName);
    virtual ~TBigIniFile();
    TBigIniFile(const TBigIniFile&) = delete;
    TBigIniFile& operator=(const TBigIniFile&) = delete;

    virtual QByteArray ReadString(const QByteArray& section, const QByteArray& key,
                                  const QByteArray& defaultValue);
    virtual void WriteString(const QByteArray& section, const QByteArray& key,
                             const QByteArray& value);
    virtual qint32 ReadInteger(const QByteArray& section, const QByteArray& key,
                               qint32 defaultValue);
    virtual void WriteInteger(const QByteArray& section, const QByteArray& key, qint32 value);
    virtual bool ReadBool(const QByteArray& section, const QByteArray& key, bool defaultValue);
    virtual void WriteBool(const QByteArray& section, const QByteArray& key, bool value);
    virtual void ReadSection(const QByteArray& section, QList<QByteArray>& strings);
    virtual void ReadSections(QList<QByteArray>& strings);
    virtual void ReadSectionValues(const QByteArray& section, QList<QByteArray>& strings);
    virtual void EraseSection(const QByteArray& section);
    virtual bool SectionExists(const QByteArray& section);
    virtual void DeleteKey(const QByteArray& section, const QByteArray& key);
    virtual void GetStrings(QList<QByteArray>& list);
    virtual void UpdateFile();
    virtual void LoadFromFile(const QString& fileName);

    // Frees every section and its lines.
    void Clear();
    // Writes pending changes to the current file, then loads fileName in its place.
    void SetFileName(const QString& fileName);
    // Finds section (creating it at the end of the list when mayCreate) and gives its entry
    // list in entries (nullptr when absent); returns the position of the first line whose key
    // equals key, or -1.
    int FindSectionKey(const QByteArray& section, const QByteArray& key, bool mayCreate,
                       TEntryList*& entries);

    const QString& FileName() const { return FFileName; }
    bool Modified() const { return FModified; }
    int CurrentSection() const { return FCurrentSection; }
    int TextBufferSize() const { return FTextBufferSize; }
    const TSectionList& SectionList() const { return *FSectionList; }

private:
    QString FFileName;
    bool FModified = false;
    std::unique_ptr<TSectionList> FSectionList;
    qint32 FCurrentSection = 0;
    qint32 FTextBufferSize = 0;
};
