#include "Files.h"

#include <QDateTime>
#include <QFile>
#include <QTest>

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

void Scribble(const QString& path, qint64 offset, qint64 size) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.size() >= offset + size);
    QVERIFY(file.seek(offset));
    QByteArray garbage(size, '\0');
    for (qint64 i = 0; i < size; ++i)
        garbage[i] = char(0xA5 ^ (i * 7));
    QCOMPARE(file.write(garbage), size);
}

void WriteAged(const QString& path, const QByteArray& bytes, int seconds) {
    WriteAll(path, bytes);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-seconds),
                             QFileDevice::FileModificationTime));
}
