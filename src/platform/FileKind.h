#pragma once

#include <QString>

// What stands at a path, as the system says without opening it (a symbolic link is followed).
// Opening a named pipe, a device or a socket as if it were a ledger would wait forever or read
// something that is no file at all, so every command that opens a file the user named asks first.
enum class TFileKind {
    Missing, // nothing there (or a link to nothing)
    Regular, // a plain file
    Folder,
    Special, // a named pipe, a device or a socket
};

TFileKind FileKindOf(const QString& path);

// What stands at a path that is not a plain file, in a word ("文件夹", "命名管道", "设备",
// "套接字"); empty for a plain file or nothing at all.
QString FileKindWord(const QString& path);

// The message for a path that is not a plain file where one is wanted, naming the path and what
// it is; empty for a plain file or nothing at all.
QString NotAFileText(const QString& path);
