#include "settings/IniSetting.h"

TIniSetting* IniSetting = nullptr;
