#pragma once

#include <QString>
#include <memory>

class TCommon;
class TCommonDB;
class TComboPub;
class TIniSetting;

// Owns the run's service objects and sets the global names Common, CommonDB, ComboPub and, when
// given a settings file, IniSetting; destroying it frees them and clears the names again. The
// main window holds one from its creation to its destruction, and the test fixture holds one
// for each test.
//
// A settings file that exists but cannot be read is reported through the general error report;
// the run then keeps its settings in memory only and never writes them back, so the unreadable
// file is left as it was and no account is remembered.
class TServices {
public:
    // Creates Common, CommonDB and ComboPub in this order, then IniSetting over settingsFile
    // (none when it is empty).
    explicit TServices(const QString& settingsFile = QString());
    // Frees Common, CommonDB and ComboPub in this order, then IniSetting, which writes the file
    // back if it changed; a failing write-back is reported, never thrown. A global name that
    // meanwhile points elsewhere is left alone.
    ~TServices();
    TServices(const TServices&) = delete;
    TServices& operator=(const TServices&) = delete;

private:
    std::unique_ptr<TCommon> FCommon;
    std::unique_ptr<TCommonDB> FCommonDB;
    std::unique_ptr<TComboPub> FComboPub;
    std::unique_ptr<TIniSetting> FIniSetting;
};
