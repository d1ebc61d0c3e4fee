#include "LegacyFixture.h"

#include "Files.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

namespace LegacyFixture {

QString Folder() {
    return QStringLiteral(PENNYVALE_TEST_FIXTURES "/legacy-access");
}

QString LedgerPath() {
    return Folder() + QStringLiteral("/Hearthbook.mdb");
}

QString ExpectedPath() {
    return Folder() + QStringLiteral("/expected.txt");
}

QString DamagedPath(const QString& name) {
    return QStringLiteral(PENNYVALE_TEST_FIXTURES "/legacy-access-damaged/") + name;
}

QByteArray Bytes() {
    const QByteArray bytes = ReadAll(LedgerPath());
    if (bytes.isEmpty()) qWarning("the sample Access ledger is missing: %s", qPrintable(LedgerPath()));
    return bytes;
}

void WriteCopy(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    WriteAll(path, bytes);
}

} // namespace LegacyFixture
