#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Where the system's calculator lives, and starting it.
//
// On Linux the desktop's calculator is looked for on the search path, in the order of
// CalculatorCandidates(); on Windows it is "\system32\calc.exe" below the Windows folder.
struct TCalculatorLocation {
    QString Path; // the program found, or the full path of the first one looked for
    bool Found = false;
};

// The programs looked for on Linux, in order: the desktops' own calculators first, then the
// small ones (the set-up installs galculator).
QStringList CalculatorCandidates();

// Looks for the calculator. searchPath is a PATH-style list of folders (the environment's PATH
// by default); an empty list is searched as "/usr/bin". Ignored on Windows.
TCalculatorLocation FindCalculator(const QString& searchPath);
TCalculatorLocation FindCalculator();

// Asks the system to start a program without waiting for it; false when it could not be
// started. Replaceable, so tests can see what would have been started.
using TProgramStarter = std::function<bool(const QString& program)>;
bool StartProgram(const QString& program);
// Installs a starter; an empty function restores the system's.
void SetProgramStarter(TProgramStarter starter);
