#pragma once

#include <QByteArray>
#include <QString>

// The sample ledger in the old Access (Jet 4) format under tests/fixtures/legacy-access, with the
// counts and sums it holds (expected.txt).
namespace LegacyFixture {

QString Folder();
QString LedgerPath();   // Hearthbook.mdb
QString ExpectedPath(); // expected.txt
QByteArray Bytes();     // the ledger's bytes
// A copy of the ledger with one byte damaged, under tests/fixtures/legacy-access-damaged (its
// make.sh says which byte).
QString DamagedPath(const QString& name);
// Writes the ledger's bytes (or the given ones) to path, creating its folder.
void WriteCopy(const QString& path, const QByteArray& bytes = Bytes());

} // namespace LegacyFixture
