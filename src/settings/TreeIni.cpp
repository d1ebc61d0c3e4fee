#include "settings/TreeIni.h"

#include "platform/GbkCodec.h"

namespace {

const QChar KeySeparator = QLatin1Char('\\');

// GBK bytes of a name or value, cut to the longest text the store keeps.
QByteArray ToIniBytes(const QString& text) {
    return CutToMax(Gbk::FromUnicode(text));
}

} // namespace

TTreeIni::TTreeIni(const QString& fileName)
    : FFileName(fileName), FIniFile(std::make_unique<TBigIniFile>(fileName)) {
    FIniFile->ReadSections(FSections);
}

TTreeIni::~TTreeIni() {
    // Destroying the store writes the file back if a value changed; a failure is reported by
    // the store, since nothing may be thrown out of a destructor.
    FIniFile.reset();
}

QString TTreeIni::ExpandKey(const QString& key) const {
    if (key.startsWith(KeySeparator)) return key.mid(1);
    if (FCurrentKey.isEmpty()) return key;
    return FCurrentKey + KeySeparator + key;
}

bool TTreeIni::OpenKey(const QString& key, bool canCreate) {
    const QString full = ExpandKey(key);
    if (canCreate) {
        // The section itself comes into being with the first value written under it.
        FCurrentKey = full;
        return true;
    }
    // Exact bytes, with case, unlike the store's own look-ups.
    const QByteArray path = Gbk::FromUnicode(full);
    const QByteArray below = path + '\\';
    for (const QByteArray& section : FSections) {
        if (section == path || section.startsWith(below)) {
            FCurrentKey = full;
            return true;
        }
    }
    return false;
}

void TTreeIni::CloseKey() {
    if (FCurrentKey.isEmpty()) return;
    const qsizetype last = FCurrentKey.lastIndexOf(KeySeparator);
    FCurrentKey = last >= 0 ? FCurrentKey.left(last) : QString();
}

QString TTreeIni::ReadValue(const QString& name) {
    QByteArray value = FIniFile->ReadString(ToIniBytes(FCurrentKey), ToIniBytes(name), {});
    // The first character and the last one, whether or not that is a quote (a value cut at
    // 255 bytes has lost its closing quote).
    if (value.startsWith('"'))
        value = value.size() >= 2 ? value.mid(1, value.size() - 2) : QByteArray();
    return Gbk::ToUnicode(TrimControls(value));
}

void TTreeIni::WriteValue(const QString& name, const QString& value) {
    const QByteArray quoted = CutToMax('"' + Gbk::FromUnicode(value) + '"');
    FIniFile->WriteString(ToIniBytes(FCurrentKey), ToIniBytes(name), quoted);
}
