// The show's clock, resources and window, faked or recorded
// (show_fakes.cpp): a run's settings of them, and what they saw.
#pragma once

#include "show.h"

#include <windows.h>

#include <string>
#include <vector>

inline constexpr int kNoEnding = -1000, kBeforeFirstFrame = -1;

// Every scale the show knows, smallest first.
inline std::vector<int> AllShowScales()
{
    std::vector<int> all;
    for (const ShowScale& scale : kShowScaleTable)
        all.push_back(scale.percent);
    return all;
}

struct ShowFakeSettings {
    bool fastClock = false;                     // every reading of the clock 7 ms on
    bool noPicture = false;                     // resources are not found
    bool noWindow = false;                      // the window cannot be created
    UINT ending = 0;                            // WM_CLOSE, WM_SYSCOMMAND (SC_CLOSE) or WM_QUIT,
    int endAtFrame = kNoEnding;                 // posted after that frame, or sent while
    DWORD endDelayMs = 0;                       // the picture loads; this long after the frame
    std::vector<int> scales = AllShowScales();  // the scaled pictures found
    bool noProductRecord = false;               // the vendor's product record is missing
    std::string productRecord;                  // read in the place of PRODUCT; empty: PRODUCT
};

struct ShowFakeRecord {
    bool ended = false;  // the ending was given
    int windowsAsked = 0;
    RECT windowRect = {};      // where the launcher asked for its window
    bool windowShown = false;  // the launcher's window was ever shown
    HWND window = nullptr;     // the launcher's window, as created
    std::vector<std::string> resourcesAsked, filesOpened;
    struct Attribute {
        HWND window;
        DWORD attribute;
        BOOL value;
    };
    std::vector<Attribute> dwmAttributes;  // DwmSetWindowAttribute calls
};

// Puts the fakes into this program's import table, once; true when every
// call they stand in for is imported.
bool InstallShowFakes();
// The fakes take these settings from now on, and forget what they saw.
void ResetShowFakes(const ShowFakeSettings& settings);
// What they saw since.
const ShowFakeRecord& ShowFakesSaw();

// The fast clock's reading; it runs on from one run to the next.
DWORD FastClock();

// What the product is given when it looks DwmSetWindowAttribute up: the
// recording fake.
FARPROC LookUpDwmSetWindowAttribute();
