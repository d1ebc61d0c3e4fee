#pragma once

#include <QByteArray>
#include <QString>

// A file's bytes, or nothing when it cannot be read.
QByteArray ReadAll(const QString& path);
// Replaces a file's bytes; fails the running test when it cannot.
void WriteAll(const QString& path, const QByteArray& bytes);
// Overwrites size bytes of a file from offset with garbage that no SQLite page starts with, as a
// failing disk or a crash in the middle of a write leaves them.
void Scribble(const QString& path, qint64 offset, qint64 size);
// Writes a file whose last change lies seconds in the past, as a file left behind long ago.
void WriteAged(const QString& path, const QByteArray& bytes, int seconds);
