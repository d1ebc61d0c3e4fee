// Times the INI store on a large file: 5,000 sections of 9 lines each (50,000 lines with the
// section lines). Prints milliseconds for the load, a look-up of every key (in file order and
// in shuffled order), changing every tenth value, and the write-back.

#include "settings/BigIni.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>
#include <utility>
#include <vector>

namespace {

constexpr int Sections = 5000;
constexpr int KeysPerSection = 9;

QByteArray SectionName(int s) {
    return "Section" + QByteArray::number(s);
}
QByteArray KeyName(int k) {
    return "Key" + QByteArray::number(k);
}
QByteArray Value(int s, int k) {
    return "value of " + QByteArray::number(s * 100 + k);
}

void Report(const char* what, qint64 nanoseconds, qint64 count = 0) {
    if (count > 0)
        std::printf("%-34s %9.2f ms  (%.3f us each, %lld operations)\n", what, nanoseconds / 1e6,
                    nanoseconds / 1e3 / double(count), static_cast<long long>(count));
    else
        std::printf("%-34s %9.2f ms\n", what, nanoseconds / 1e6);
}

} // namespace

int main() {
    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    const QString path = dir.filePath(QStringLiteral("big.ini"));

    QByteArray file;
    int lines = 0;
    for (int s = 0; s < Sections; ++s) {
        file += '[' + SectionName(s) + "]\r\n";
        ++lines;
        for (int k = 0; k < KeysPerSection; ++k, ++lines)
            file += KeyName(k) + '=' + Value(s, k) + "\r\n";
    }
    {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size()) return 1;
    }
    std::printf("file: %d lines, %d sections, %lld bytes\n", lines, Sections,
                static_cast<long long>(file.size()));

    QElapsedTimer timer;
    timer.start();
    TBigIniFile ini(path);
    Report("load", timer.nsecsElapsed());

    std::vector<std::pair<int, int>> keys;
    for (int s = 0; s < Sections; ++s)
        for (int k = 0; k < KeysPerSection; ++k)
            keys.emplace_back(s, k);

    qint64 mismatches = 0;
    timer.restart();
    for (const auto& [s, k] : keys)
        mismatches += ini.ReadString(SectionName(s), KeyName(k), {}) != Value(s, k);
    Report("look up every key, file order", timer.nsecsElapsed(), qint64(keys.size()));

    std::vector<std::pair<int, int>> shuffled = keys;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(20261207));
    timer.restart();
    for (const auto& [s, k] : shuffled)
        mismatches += ini.ReadString(SectionName(s), KeyName(k), {}) != Value(s, k);
    Report("look up every key, shuffled", timer.nsecsElapsed(), qint64(shuffled.size()));

    timer.restart();
    qint64 changes = 0;
    for (std::size_t i = 0; i < keys.size(); i += 10, ++changes)
        ini.WriteString(SectionName(keys[i].first), KeyName(keys[i].second), "changed");
    Report("change every tenth value", timer.nsecsElapsed(), changes);

    timer.restart();
    ini.UpdateFile();
    Report("write-back", timer.nsecsElapsed());

    if (mismatches != 0 || !ini.SectionExists(SectionName(Sections - 1))) {
        std::printf("wrong results: %lld\n", static_cast<long long>(mismatches));
        return 1;
    }
    return 0;
}
