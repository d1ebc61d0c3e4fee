#pragma once

#include <QString>

// Moves and links that never replace an existing file, so that two writers can never overwrite
// each other's file and a crash never leaves a half-made one under the final name.
namespace FileRename {

// Renames from to to, failing (false, with the system's reason) when to exists.
bool NoReplace(const QString& from, const QString& to, QString* reason = nullptr);
// Gives the file at from a second name to, failing when to exists. Where the file system has no
// hard links, a flushed copy is moved to to instead.
bool LinkNoReplace(const QString& from, const QString& to, QString* reason = nullptr);
// True when both paths name the same file (the same inode).
bool SameFile(const QString& a, const QString& b);
// The file a path stands for: where a symbolic link leads (followed to its end, absolute, also
// when nothing is there yet), else the path itself. Writing a file's new content there, not over
// the link, keeps the link.
QString FinalTarget(const QString& path);

} // namespace FileRename
