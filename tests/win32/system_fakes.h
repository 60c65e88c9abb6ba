// The screen and the system as a run describes them: the screen's size and
// DPI, the monitors and where the pointer is, the monitor's own DPI, the
// animation setting and a Remote Desktop session.
#pragma once

#include <windows.h>

// Puts the system's fakes into the import table; true when every call they
// stand in for is imported. Once only.
bool InstallSystemFakes();

// What the product is given when it looks GetDpiForMonitor up, the real
// function being `real`: the fake before it, or null where the run has no
// such function.
FARPROC LookUpGetDpiForMonitor(FARPROC real);
