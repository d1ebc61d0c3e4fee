#pragma once

#include <QString>

// A file written safely: under a hidden name of its own beside the file it becomes
// (.<name>.<random>.partial), flushed to disk, and only then given its name in one step, the
// folder flushed after. A partial file that was not put in place is removed, with the journal
// SQLite may keep beside it, whichever way the write ends; what a killed run left is removed by
// the next write beside it once it is an hour old (a write going on right now stays).
class TPartialFile {
public:
    // A partial file for target. Removes first the stale partial files of target, or of every
    // file whose name matches family (a wildcard, as "Hearthbook-*") when given.
    explicit TPartialFile(const QString& target, const QString& family = {});
    ~TPartialFile();
    TPartialFile(const TPartialFile&) = delete;
    TPartialFile& operator=(const TPartialFile&) = delete;

    const QString& Path() const { return FPath; }

    // Creates the partial file, empty and for this write alone; empty, else the system's reason.
    QString Create();
    // Creates it as a byte-for-byte copy of source; empty, else the system's reason.
    QString CopyFrom(const QString& source);

    // Gives the partial file the permissions of the file at target it will replace, or those of
    // a document the user saved (readable by others, as the system's files are): it is created
    // readable by its owner alone.
    void TakeDocumentPermissions(const QString& target);

    // Flushes the finished file and gives it the name target unless a file is there; false with
    // the system's reason when it cannot (the partial file stays for another try).
    bool Place(const QString& target, QString* reason = nullptr);
    // The same, replacing a file at target in one step.
    bool PlaceOver(const QString& target, QString* reason = nullptr);

    // Removes from folder the partial files of the files whose name matches family, with their
    // journals, untouched for an hour.
    static void RemoveStale(const QString& folder, const QString& family);

private:
    bool Put(const QString& target, bool replace, QString* reason);

    QString FPath;
    bool FPlaced = false;
};
