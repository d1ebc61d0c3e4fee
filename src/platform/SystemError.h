#pragma once

#include <QString>

// A system error number in words a family understands ("磁盘空间不足", "没有写入权限", …) for
// the errors a write meets; an empty text for any other number (the caller then has its own).
QString SystemErrorWords(int error);

// The same, falling back to the system's own text for any other number.
QString SystemErrorText(int error);

// A path as the messages show it: absolute, with the system's separators.
QString ShownPath(const QString& path);
