#pragma once

#include "data/engine/LedgerLocation.h"

#include <QMap>
#include <QString>
#include <QStringList>

// The program's command line, read once: at most one command (--import-bill …) with its values
// and options, and --ledger LOCATION, in any order after the program's name. Each command's
// shape (how many values, which options) is kept in one table.
struct TProgramArguments {
    QString Command;                // "--import-bill", …; empty for the run with the window
    QStringList Values;             // the command's own values (files), in order
    QMap<QString, QString> Options; // "--account" → its value
    bool HasLedger = false;         // --ledger was given
    QString Ledger;                 // its text
    bool CheckStart = false;        // --check-start (the window's start, checked and left)

    QString Option(const QString& name) const { return Options.value(name); }

    // Reads the arguments after the program's name. Throws EArgumentError with the command's
    // usage, or the program's for an option no command knows, when they do not fit.
    static TProgramArguments Read(const QStringList& arguments);
    static TProgramArguments Read(int argc, char* argv[]);

    // The book of this run: --ledger's location when given, else the one the setting file in
    // folder names (TLedgerLocation::FromSetting), else the ledger file. Throws EArgumentError
    // for a location or setting that cannot be used.
    TLedgerLocation Location(const QString& folder) const;

    // Every way to start the program, one line each, with what LOCATION may be.
    static QString UsageText();
};
