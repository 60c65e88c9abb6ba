// The fakes the main line runs on, by concern, each in its own source: the
// show's clock, resources and window (show_fakes.cpp); every transfer to the
// window and the screen-sized bitmaps (frame_recorder.cpp); the screen,
// monitors, DPI and settings (system_fakes.cpp); the hand-off to the next
// program (process_fakes.cpp); the DLL search and the libraries loaded and
// looked up (library_fakes.cpp). Each Install puts its fakes into this
// program's import table, once, and is true when every call they stand in
// for is imported; main_line_harness.cpp installs them all.
#pragma once

#include "show_run.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

bool InstallShowFakes();
bool InstallFrameRecorder();
bool InstallSystemFakes();
bool InstallProcessFakes();
bool InstallLibraryFakes();

// The first pixel where a frame differs from the desktop with the picture
// centred on it at the level, worked out pixel by pixel from the blend rule;
// empty when there is none.
std::string FirstWrongPixel(const ShowRun& r, const std::vector<uint8_t>& frame, int level);

// What the product is given when it looks GetDpiForMonitor up, the real
// function being `real`: the fake before it, or null where the run has no
// such function; and ShellExecuteExA: the fake.
FARPROC LookUpGetDpiForMonitor(FARPROC real);
FARPROC LookUpShellExecuteEx();
// DwmSetWindowAttribute: recorded. The registry's calls: the fakes of the
// run's GlassSessionId, or the real ones.
FARPROC LookUpDwmSetWindowAttribute();
FARPROC LookUpRegistry(const char* name, FARPROC real);

// The real WinExec, for a test that compares the search with it.
extern decltype(&WinExec) realWinExec;
