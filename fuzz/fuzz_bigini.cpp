// Loads arbitrary bytes as an INI file, runs reads and writes against the store and against a
// plain reference model, writes the file back and reloads it. Any difference, crash or hang
// is a finding.

#include "platform/ErrorReport.h"
#include "platform/GbkCodec.h"
#include "platform/MessagePresenter.h"
#include "settings/BigIni.h"
#include "settings/TreeIni.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QTemporaryDir>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}
#define CHECK(condition)                                                                           \
    do {                                                                                           \
        if (!(condition)) Fail(#condition);                                                        \
    } while (false)

// No message box may appear: a report means a write-back failed where it cannot fail.
class TAbortingPresenter final : public TMessagePresenter {
public:
    bool Show(TMessageKind, const QString& text) override {
        std::fprintf(stderr, "unexpected message: %s\n", text.toUtf8().constData());
        std::abort();
    }
};

// The store's behaviour written the plain way: whole-buffer parsing, sections found by a scan
// from the start, no remembered positions.
struct TModel {
    std::vector<std::pair<QByteArray, QList<QByteArray>>> Sections;

    static TModel Parse(const QByteArray& bytes) {
        TModel model;
        bool haveSection = false;
        qsizetype start = 0;
        while (start < bytes.size()) {
            qsizetype end = bytes.indexOf('\n', start);
            if (end < 0) end = bytes.size();
            QByteArray line = bytes.mid(start, end - start);
            line.replace("\r", "");
            if (line.startsWith('\x1A')) break;
            line.truncate(255);
            start = end + 1;
            if (line.isEmpty()) continue;
            if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
                model.Sections.push_back({line.mid(1, line.size() - 2), {}});
                haveSection = true;
            } else if (haveSection) {
                model.Sections.back().second.append(line);
            }
        }
        decltype(Sections) kept;
        for (auto& section : model.Sections) {
            bool duplicate = false;
            for (const auto& k : kept)
                duplicate = duplicate || SameName(k.first, section.first);
            if (!duplicate) kept.push_back(std::move(section));
        }
        model.Sections = std::move(kept);
        return model;
    }

    // Trimmed of bytes up to 32, then decimal digits with an optional sign within 32 bits.
    static qint32 ToInteger(const QByteArray& text, qint32 def) {
        qsizetype first = 0, last = text.size();
        while (first < last && uchar(text[first]) <= ' ')
            ++first;
        while (last > first && uchar(text[last - 1]) <= ' ')
            --last;
        const QByteArray t = text.mid(first, last - first);
        const bool negative = !t.isEmpty() && t[0] == '-';
        qsizetype i = (!t.isEmpty() && (t[0] == '+' || t[0] == '-')) ? 1 : 0;
        if (i == t.size()) return def;
        for (qsizetype j = i; j < t.size(); ++j)
            if (t[j] < '0' || t[j] > '9') return def;
        while (i + 1 < t.size() && t[i] == '0')
            ++i; // leading zeros
        if (t.size() - i > 10) return def;
        long long v = std::stoll(std::string(t.constData() + i, size_t(t.size() - i)));
        if (negative) v = -v;
        return v < INT32_MIN || v > INT32_MAX ? def : qint32(v);
    }

    int Find(const QByteArray& name) const {
        for (size_t i = 0; i < Sections.size(); ++i)
            if (SameName(Sections[i].first, name)) return int(i);
        return -1;
    }

    static int FindKey(const QList<QByteArray>& lines, const QByteArray& key) {
        for (int i = 0; i < lines.size(); ++i) {
            const qsizetype eq = lines[i].indexOf('=');
            if (eq >= 0 && SameName(lines[i].left(eq), key)) return i;
        }
        return -1;
    }

    QByteArray Read(const QByteArray& section, const QByteArray& key, const QByteArray& def) const {
        const int s = Find(section);
        if (s < 0) return def.left(255);
        const int k = FindKey(Sections[size_t(s)].second, key);
        if (k < 0) return def.left(255);
        const QByteArray& line = Sections[size_t(s)].second[k];
        return line.mid(line.indexOf('=') + 1);
    }

    // True when the line changed.
    bool Write(const QByteArray& section, const QByteArray& key, const QByteArray& value) {
        int s = Find(section);
        if (s < 0) {
            Sections.push_back({section, {}});
            s = int(Sections.size()) - 1;
        }
        auto& lines = Sections[size_t(s)].second;
        const QByteArray line = (key + '=' + value).left(255);
        const int k = FindKey(lines, key);
        if (k < 0) {
            lines.append(line);
            return true;
        }
        if (lines[k] == line) return false;
        lines[k] = line;
        return true;
    }

    QList<QByteArray> Image() const {
        QList<QByteArray> image;
        for (const auto& [name, lines] : Sections) {
            if (lines.isEmpty()) continue;
            image.append('[' + name + ']');
            image.append(lines);
            image.append(QByteArray());
        }
        return image;
    }
};

QList<QByteArray> Image(TBigIniFile& ini) {
    QList<QByteArray> image;
    ini.GetStrings(image);
    return image;
}

QByteArray Joined(const QList<QByteArray>& lines) {
    QByteArray bytes;
    for (const QByteArray& line : lines)
        bytes += line + "\r\n";
    return bytes;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) Fail("cannot write the input");
    file.write(bytes);
}

// A name or value that survives a write-back and reload unchanged: no line breaks, and nothing
// that would turn the composed line into a section line or an end mark.
QByteArray Tame(QByteArray text) {
    text.replace('\r', ' ');
    text.replace('\n', ' ');
    return text;
}

// Whether a line written under section and key reads back the same after a write-back: no line
// breaks, no section name too long for its line, no line that looks like a section or an end mark.
bool Survives(const QByteArray& section, const QByteArray& key, const QByteArray& value) {
    for (const QByteArray* text : {&section, &key, &value})
        if (text->contains('\r') || text->contains('\n')) return false;
    return section.size() <= 253 && !key.startsWith('[') && !key.startsWith('\x1A');
}

// Pick a name from the ones present, or a fresh one, so that look-ups hit often.
QByteArray PickName(FuzzedDataProvider& data, const QList<QByteArray>& known) {
    if (!known.isEmpty() && data.ConsumeBool()) {
        QByteArray name = known[data.ConsumeIntegralInRange<int>(0, int(known.size()) - 1)];
        if (data.ConsumeBool())
            for (char& c : name)
                if (c >= 'a' && c <= 'z') c = char(c - 32);
        return name;
    }
    const std::string s = data.ConsumeRandomLengthString(300);
    return QByteArray(s.data(), qsizetype(s.size()));
}

void CheckLoaded(TBigIniFile& ini, const TModel& model) {
    CHECK(!ini.Modified());
    CHECK(ini.SectionList().Count() == int(model.Sections.size()));
    for (int i = 0; i < ini.SectionList().Count(); ++i) {
        CHECK(ini.SectionList().Names(i) == model.Sections[size_t(i)].first);
        CHECK(*ini.SectionList().SectionEntries(i) == model.Sections[size_t(i)].second);
        for (const QByteArray& line : *ini.SectionList().SectionEntries(i)) {
            CHECK(!line.isEmpty() && line.size() <= 255);
            CHECK(!line.contains('\r') && !line.contains('\n'));
        }
    }
    CHECK(Image(ini) == model.Image());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static TAbortingPresenter presenter;
    SetMessagePresenter(&presenter);
    static QTemporaryDir dir;
    if (!dir.isValid()) Fail("no temporary folder");
    const QString path = dir.filePath(QStringLiteral("fuzz.ini"));
    QFile::remove(path);

    FuzzedDataProvider data(bytes, size);
    const size_t scriptSize = data.ConsumeIntegralInRange<size_t>(0, 512);
    const std::string script = data.ConsumeBytesAsString(scriptSize);
    const std::vector<uint8_t> rest = data.ConsumeRemainingBytes<uint8_t>();
    QByteArray content(reinterpret_cast<const char*>(rest.data()), qsizetype(rest.size()));

    FuzzedDataProvider ops(reinterpret_cast<const uint8_t*>(script.data()), script.size());
    if (ops.ConsumeBool()) {
        // Pad the front so that the input straddles the end of the store's first read buffer.
        const int offset = ops.ConsumeIntegralInRange<int>(0, 64);
        QByteArray pad = "[pad]\r\n";
        pad += QByteArray(28672 - offset - pad.size() - 1, 'p') + '\n';
        content.prepend(pad);
    }
    WriteAll(path, content);
    TModel model = TModel::Parse(content);
    bool tame = true; // every write so far survives a reload unchanged
    {
        TBigIniFile ini(path);
        CheckLoaded(ini, model);

        QList<QByteArray> names;
        ini.ReadSections(names);
        while (ops.remaining_bytes() > 0) {
            const QByteArray section = PickName(ops, names);
            const int op = ops.ConsumeIntegralInRange<int>(0, 11);
            switch (op) {
            case 0: {
                const QByteArray key = PickName(ops, {});
                CHECK(ini.ReadString(section, key, "d") == model.Read(section, key, "d"));
                break;
            }
            case 1: {
                QByteArray key = PickName(ops, {});
                const std::string v = ops.ConsumeRandomLengthString(300);
                QByteArray value(v.data(), qsizetype(v.size()));
                QByteArray s = section;
                if (ops.ConsumeBool()) {
                    key = Tame(key);
                    value = Tame(value);
                    s = Tame(s).left(253);
                }
                if (key.isEmpty()) break; // erasing and writing back are covered below
                if (!Survives(s, key, value)) tame = false;
                const bool wasModified = ini.Modified();
                const bool changed = model.Write(s, key, value);
                ini.WriteString(s, key, value);
                CHECK(ini.Modified() == (wasModified || changed));
                break;
            }
            case 2: {
                const QByteArray key = PickName(ops, {});
                const qint32 def = ops.ConsumeIntegral<qint32>();
                CHECK(ini.ReadInteger(section, key, def) ==
                      TModel::ToInteger(model.Read(section, key, {}), def));
                CHECK(ini.ReadBool(section, key, def & 1) ==
                      (TModel::ToInteger(model.Read(section, key, {}), def & 1) != 0));
                break;
            }
            case 3: {
                const QByteArray key = Tame(PickName(ops, {}));
                const QByteArray s = Tame(section).left(253);
                if (key.isEmpty() || !Survives(s, key, {})) break;
                const qint32 value = ops.ConsumeIntegral<qint32>();
                const bool wasModified = ini.Modified();
                const bool changed = model.Write(s, key, QByteArray::number(value));
                ini.WriteInteger(s, key, value);
                CHECK(ini.Modified() == (wasModified || changed));
                if (key.size() + 12 <= 255 && !key.contains('=')) {
                    CHECK(ini.ReadInteger(s, key, value == 0 ? 1 : 0) == value);
                    CHECK(ini.ReadBool(s, key, false) == (value != 0));
                }
                break;
            }
            case 4: {
                QList<QByteArray> got{"x"};
                ini.ReadSection(section, got);
                const int s = model.Find(section);
                CHECK(got.size() == 1 + (s < 0 ? 0 : model.Sections[size_t(s)].second.size()));
                break;
            }
            case 5: {
                QList<QByteArray> got{"x"};
                ini.ReadSectionValues(section, got);
                const int s = model.Find(section);
                CHECK(got.mid(1) ==
                      (s < 0 ? QList<QByteArray>() : model.Sections[size_t(s)].second));
                break;
            }
            case 6: {
                const bool exists = model.Find(section) >= 0;
                const bool wasModified = ini.Modified();
                ini.EraseSection(section);
                if (exists) model.Sections.erase(model.Sections.begin() + model.Find(section));
                CHECK(ini.Modified() == (wasModified || exists));
                CHECK(!ini.SectionExists(section));
                break;
            }
            case 7:
                CHECK(ini.SectionExists(section) == (model.Find(section) >= 0));
                break;
            case 8: {
                const QByteArray key = PickName(ops, {});
                if (!Survives(section, "k", {})) tame = false;
                int s = model.Find(section);
                if (s < 0) {
                    model.Sections.push_back({section, {}});
                    s = int(model.Sections.size()) - 1;
                }
                auto& lines = model.Sections[size_t(s)].second;
                const int k = TModel::FindKey(lines, key);
                const bool wasModified = ini.Modified();
                ini.DeleteKey(section, key);
                if (k >= 0) lines.removeAt(k);
                CHECK(ini.Modified() == (wasModified || k >= 0));
                CHECK(ini.SectionExists(section));
                break;
            }
            case 9:
                CHECK(Image(ini) == model.Image());
                break;
            case 10: {
                QList<QByteArray> got{"x"};
                ini.ReadSections(got);
                CHECK(got.size() == int(model.Sections.size()));
                for (int i = 0; i < got.size(); ++i)
                    CHECK(got[i] == model.Sections[size_t(i)].first);
                break;
            }
            default:
                ini.ReadSections(names);
                break;
            }
            CHECK(ini.SectionList().Count() == 0 ||
                  (ini.CurrentSection() >= 0 && ini.CurrentSection() < ini.SectionList().Count()));
        }

        CHECK(Image(ini) == model.Image());
        // Force a write-back, then compare the file with the image.
        ini.WriteString("fuzz", "k", "v");
        model.Write("fuzz", "k", "v");
        ini.WriteString("fuzz", "k", "changed");
        model.Write("fuzz", "k", "changed");
        CHECK(ini.Modified());
        const QList<QByteArray> image = Image(ini);
        ini.UpdateFile();
        CHECK(!ini.Modified());
        CHECK(ReadAll(path) == Joined(image));
        if (tame) {
            TBigIniFile again(path);
            const QList<QByteArray> reloaded = Image(again);
            if (reloaded != image) {
                for (const QByteArray& line : image)
                    std::fprintf(stderr, "w: %s\n", line.toPercentEncoding(" []=;").constData());
                for (const QByteArray& line : reloaded)
                    std::fprintf(stderr, "r: %s\n", line.toPercentEncoding(" []=;").constData());
            }
            CHECK(reloaded == image);
        }
    }

    // The settings object over the written file: a value written reads back trimmed.
    if (tame && content.size() < 4096) {
        TIniSetting setting(path);
        const QString value = Gbk::ToUnicode(content.left(100));
        setting.OpenKey(QStringLiteral("\\系统"), true);
        setting.WriteValue(QStringLiteral("默认帐户"), value);
        const QString got = setting.ReadValue(QStringLiteral("默认帐户"));
        const QByteArray raw = Gbk::FromUnicode(value);
        if (!raw.contains('\r') && !raw.contains('\n')) {
            qsizetype first = 0, last = raw.size();
            while (first < last && uchar(raw[first]) <= ' ')
                ++first;
            while (last > first && uchar(raw[last - 1]) <= ' ')
                --last;
            CHECK(Gbk::FromUnicode(got) == raw.mid(first, last - first));
        }
        setting.CloseKey();
        CHECK(setting.CurrentKey().isEmpty());
    }
    return 0;
}
