// The screen, the monitors, their DPI and the system's settings, faked
// (system_fakes.cpp): a run's settings of them, and what they were asked.
#pragma once

#include <windows.h>

#include <vector>

// The GlassSessionId a run's registry holds: the real registry's, none, or
// the session of this process or another one.
enum GlassSession { kRealGlassSession, kNoGlassSession, kOurGlassSession, kOtherGlassSession };

struct SystemFakeSettings {
    int screenWidth = 0, screenHeight = 0;  // 0: the real screen
    int dpi = 0;                            // what the screen says of itself; 0: the real one
    int monitorDpi = 0;               // GetDpiForMonitor's own answer; 0: dpi; -1: no such function
    bool animationsOff = false;       // Windows' "animation effects" turned off
    bool noAnimationSetting = false;  // a system before Vista, which lacks the setting
    bool remote = false;              // a Remote Desktop session
    GlassSession glassSession = kRealGlassSession;  // read through the registry's calls
    std::vector<RECT> monitors;                     // the first is the primary
    POINT cursor = {};
};

struct SystemFakeRecord {
    std::vector<HMONITOR> dpiMonitors;  // the monitors GetDpiForMonitor was asked of
    std::vector<int> dpiTypes;
    int keysOpened = 0, keysClosed = 0;  // the registry's, faked
};

// Puts the fakes into this program's import table, once; true when every
// call they stand in for is imported.
bool InstallSystemFakes();
// The fakes take these settings from now on, and forget what they saw.
void ResetSystemFakes(const SystemFakeSettings& settings);
// What they saw since.
const SystemFakeRecord& SystemFakesSaw();

// What the product is given when it looks GetDpiForMonitor up, the real
// function being `real`: the fake before it, or null where the run has no
// such function. The registry's calls: the fakes of the run's
// GlassSessionId, or the real ones.
FARPROC LookUpGetDpiForMonitor(FARPROC real);
FARPROC LookUpRegistry(const char* name, FARPROC real);
