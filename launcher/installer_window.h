// The picture held over the next program's start, until the program's
// first window comes.
#pragma once

#include <windows.h>

#include <stdint.h>

// What ended the wait for the next program's first window.
enum {
    kInstallerWindowShown,  // a window of a process begun since the hand-off appeared
    kInstallerEnded,        // the started process ended first
    kInstallerTimedOut,     // the vendor's longest wait passed
    kInstallerWaitCut,      // a key, a click, a close request or a quit
};
// Waits for a visible top-level window of a process created at since or
// later, not ours, for at most milliseconds, keeping our window answering;
// the wait also ends with the process (when there is one) and a skip. The
// window found in *window.
int WaitForInstallerWindow(HANDLE process, const FILETIME* since, uint32_t milliseconds,
                           HWND* window);
// Keeps the picture up, answering messages, while a window just found
// reaches the screen; a skip ends it.
void HoldWhileWindowComesUp(uint32_t milliseconds);
enum { kWindowComesUpMs = 100 };
// Brings the installer's window to the front if it opened behind ours.
void BringInstallerForward(HWND installer, HWND ours);
