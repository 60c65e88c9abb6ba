// The hand-off to the next program as a run describes it: the command line
// the launcher was started with and the path it runs from, what WinExec,
// CreateProcessA and the shell answer, and which handles come and go.
#pragma once

#include <windows.h>

// Puts the hand-off's fakes into the import table; true when every call
// they stand in for is imported. Once only.
bool InstallProcessFakes();

// What the product is given when it looks ShellExecuteExA up: the fake.
FARPROC LookUpShellExecuteEx();

// The real WinExec, for a test that compares the search with it.
extern decltype(&WinExec) realWinExec;
