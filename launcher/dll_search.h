// Where the process may load DLLs from by name.
#pragma once

#include <windows.h>

// Restricts the loading of DLLs by name to the system folder, or where that
// cannot be done, takes the current folder out of the search.
void RestrictDllSearch();
// Undoes whatever part of the restriction the next program would inherit,
// just before it starts; the launcher's own restriction to the system
// folder stays.
void ReleaseDllSearch();
// Takes back what ReleaseDllSearch gave up, once a start has failed and
// the launcher goes on loading libraries itself.
void RestoreDllSearch();
// A library of the system folder, loaded by its full path; null when it is
// missing.
HMODULE LoadSystemLibrary(const char* name);
