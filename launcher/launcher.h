// The launcher: its window and screen globals, the window's procedure, the
// wait that keeps the window answering between frames, and the hand-off to
// the next program. All globals are zero until the launcher sets them; the
// window handle, g_hWnd, is declared with the surfaces, which read it.
#pragma once

#include "display.h"

#include <windows.h>

#include <stdint.h>

extern HINSTANCE g_hInstance;
// The screen the show covers, in the desktop's coordinates: the primary
// monitor, or another one the vendor chose.
extern int g_screenLeft;
extern int g_screenTop;
extern int g_screenWidth;
extern int g_screenHeight;

// The desktop as it was before the window appeared (24 bits per pixel), and
// the picture at its own size. The launcher releases both after its window.
extern Surface g_backCopy;
extern Surface g_splashImage;

// The desktop as it is now, before the window covers it, copied into
// g_backCopy. False when there is no copy: every frame would then build up
// over a black buffer.
bool CopyDesktop();

// Set to 1 by the first key press or left or right click on the window, by a
// request to close it and by a quit message taken during the show, and
// never cleared: the show reads it to end early.
extern uint8_t g_skipRequested;

// Paints the back buffer, turns input into a skip request, and on WM_CLOSE
// ends the show, releases the display and destroys the window.
LRESULT CALLBACK LauncherWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Takes at most one message of the thread off the queue and dispatches it;
// never blocks. A quit message ends the show and is posted again.
void PumpOneMessage();
// Returns once the given time has passed or a skip has been requested,
// dispatching one message per turn meanwhile. It spins rather than sleeps,
// so input is seen within one turn.
void WaitWithMessages(uint32_t milliseconds);

// The DPI a monitor is scaled to (96 at 100 %): its own where Windows says
// it (8.1 on), the system's before; 0 when neither can be read.
int32_t MonitorDpi(HMONITOR monitor);

// Restricts the loading of DLLs by name to the system folder, or where that
// cannot be done, takes the current folder out of the search.
void RestrictDllSearch();
// Undoes whatever part of the restriction the next program would inherit,
// just before it starts; the launcher's own restriction to the system
// folder stays.
void ReleaseDllSearch();
// Starts the next program with WinExec, as shown. A program that needs
// elevation, which WinExec cannot start, is started through the shell
// instead, the same file WinExec tried, or none, and the shell asks the
// user for consent in front of everything; a refusal is final. 1 when the
// program was started.
int StartNextProgram(const char* commandLine);
// Starts the next program as StartNextProgram does, but through
// CreateProcessA with the same search, and waits for it to end: 1 when it
// started, its exit code in *exitCode (0 when the shell started it without
// a process to wait for).
int RunNextProgram(const char* commandLine, DWORD* exitCode);
// The file WinExec would start for a command line, found the same way, with
// its full path, and the parameters after it. 0 when there is none, or when
// the launcher's own folder cannot be said in the ANSI code page.
int FindProgram(const char* commandLine, char* path, uint32_t pathSize,
                const char** parameters);
