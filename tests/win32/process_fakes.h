// The hand-off to the next program, faked or recorded (process_fakes.cpp):
// a run's settings of it, and every start and wait it saw.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

struct ProcessFakeSettings {
    std::string fullCommandLine;         // what GetCommandLineA answers; empty: the real one
    std::wstring ownPath;                // what GetModuleFileNameW answers; empty: the real one
    UINT winExecResult = 33;             // above 31: started
    DWORD winExecError = ERROR_SUCCESS;  // the last error WinExec leaves
    BOOL shellResult = TRUE;             // what ShellExecuteExA answers
    DWORD shellError = ERROR_SUCCESS;
    bool realCreate = false;  // CreateProcessA starts for real; else it fails
    DWORD createError = ERROR_FILE_NOT_FOUND;
    std::string shellChild;           // started for real by the shell when a handle is asked
    bool waitFails = false;           // MsgWaitForMultipleObjects answers WAIT_FAILED
    bool exitCodeUnreadable = false;  // GetExitCodeProcess fails
};

struct ProcessFakeRecord {
    std::vector<std::string> started;  // WinExec command lines
    std::vector<UINT> showCommands;
    bool windowAliveAtStart = false;
    DWORD clockAtStart = 0;            // the fast clock when the next program started
    std::vector<std::string> created;  // CreateProcessA command lines
    std::vector<bool> createdNamed;    // with an application name
    std::vector<STARTUPINFOA> startups;
    std::vector<SHELLEXECUTEINFOA> shellStarts;  // strings copied below
    std::vector<std::string> shellFiles, shellParameters, shellDirectories;
    bool shellOwnerLive = false;  // the window the shell was given, at the call
    HWND shellOwner = nullptr;    // that window
    std::vector<HANDLE> handlesGiven, handlesClosed;
    std::vector<DWORD> foregroundAllowed;  // AllowSetForegroundWindow's processes
    bool windowInFrontAtAllow = false;     // our window was there and visible at the last
    int waits = 0;                         // MsgWaitForMultipleObjects calls
    bool windowAliveAtEndlessWait =
        false;  // our window was there at the last wait without a time-out
};

// Puts the fakes into this program's import table, once; true when every
// call they stand in for is imported.
bool InstallProcessFakes();
// The fakes take these settings from now on, and forget what they saw.
void ResetProcessFakes(const ProcessFakeSettings& settings);
// What they saw since.
const ProcessFakeRecord& ProcessFakesSaw();

// What the product is given when it looks ShellExecuteExA up: the fake.
FARPROC LookUpShellExecuteEx();

// The real WinExec, for a test that compares the search with it.
extern decltype(&WinExec) realWinExec;
