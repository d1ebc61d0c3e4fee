#include "data/Services.h"

#include "data/ComboPub.h"
#include "data/Common.h"
#include "data/CommonDB.h"
#include "platform/ErrorReport.h"
#include "settings/IniSetting.h"

namespace {

// Frees the object the owner holds and clears the global name if it still names that object.
template <class T> void Free(std::unique_ptr<T>& owned, T*& global) noexcept {
    if (global == owned.get()) global = nullptr;
    owned.reset();
}

} // namespace

TServices::TServices(const QString& settingsFile)
    : FCommon(std::make_unique<TCommon>()), FCommonDB(std::make_unique<TCommonDB>()),
      FComboPub(std::make_unique<TComboPub>()) {
    Common = FCommon.get();
    CommonDB = FCommonDB.get();
    ComboPub = FComboPub.get();
    if (settingsFile.isEmpty()) return;
    try {
        FIniSetting = std::make_unique<TIniSetting>(settingsFile);
    } catch (...) {
        ReportCurrentException();
        FIniSetting = std::make_unique<TIniSetting>(QString()); // in memory only
    }
    IniSetting = FIniSetting.get();
}

TServices::~TServices() {
    Free(FCommon, Common);
    Free(FCommonDB, CommonDB);
    Free(FComboPub, ComboPub);
    Free(FIniSetting, IniSetting); // the write-back reports its own failure
}
