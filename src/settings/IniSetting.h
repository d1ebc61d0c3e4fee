#pragma once

#include "settings/TreeIni.h"

// The settings object of the run, over "fClient.ini" in the settings folder (GetSettingsPath:
// the program's folder, or the user's configuration folder for an installation); created and freed
// by the main window.
extern TIniSetting* IniSetting;
