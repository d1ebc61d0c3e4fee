#pragma once

#include "settings/TreeIni.h"

// The settings object of the run, over "fClient.ini" in the program's folder; created and freed
// by the main window.
extern TIniSetting* IniSetting;
