#include "platform/Calculator.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

TProgramStarter& Starter() {
    static TProgramStarter starter;
    return starter;
}

bool IsProgram(const QString& path) {
    const QFileInfo file(path);
    return file.isFile() && file.isExecutable();
}

} // namespace

QStringList CalculatorCandidates() {
    return {QStringLiteral("gnome-calculator"), QStringLiteral("kcalc"),
            QStringLiteral("galculator"),       QStringLiteral("mate-calc"),
            QStringLiteral("qalculate-gtk"),    QStringLiteral("xcalc")};
}

#ifdef Q_OS_WIN

TCalculatorLocation FindCalculator(const QString&) {
    wchar_t folder[255] = {};
    const UINT length = GetWindowsDirectoryW(folder, 255);
    const QString windows = QString::fromWCharArray(folder, int(length < 255 ? length : 0));
    TCalculatorLocation location;
    location.Path = windows + QStringLiteral("\\system32\\calc.exe");
    location.Found = QFileInfo::exists(location.Path);
    return location;
}

TCalculatorLocation FindCalculator() {
    return FindCalculator(QString());
}

#else

TCalculatorLocation FindCalculator(const QString& searchPath) {
    QStringList folders;
    for (const QString& folder : searchPath.split(QDir::listSeparator(), Qt::SkipEmptyParts))
        folders << QDir::cleanPath(folder);
    if (folders.isEmpty()) folders << QStringLiteral("/usr/bin");

    const QStringList candidates = CalculatorCandidates();
    for (const QString& candidate : candidates)
        for (const QString& folder : folders) {
            const QString path = folder + u'/' + candidate;
            if (IsProgram(path)) return {path, true};
        }
    // None found: the full path of the first one looked for.
    return {folders.first() + u'/' + candidates.first(), false};
}

TCalculatorLocation FindCalculator() {
    return FindCalculator(qEnvironmentVariable("PATH"));
}

#endif

bool StartProgram(const QString& program) {
    if (Starter()) return Starter()(program);
    return QProcess::startDetached(program, {});
}

void SetProgramStarter(TProgramStarter starter) {
    Starter() = std::move(starter);
}
