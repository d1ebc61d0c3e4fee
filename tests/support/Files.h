#pragma once

#include <QByteArray>
#include <QString>

// A file's bytes, or nothing when it cannot be read.
QByteArray ReadAll(const QString& path);
// Replaces a file's bytes; fails the running test when it cannot.
void WriteAll(const QString& path, const QByteArray& bytes);
