// The launcher: its window and screen globals, the record of its show, the
// frame, the window's procedure, the wait that keeps the window answering
// between frames, and the hand-off to the next program. All globals are zero
// until the launcher sets them; the rest of the program is handed what it
// needs of them as arguments.
#pragma once

#include "display.h"
#include "product_record.h"
#include "show.h"

#include <windows.h>

#include <stdint.h>

extern HINSTANCE g_hInstance;
// The launcher's window, null until it exists.
extern HWND g_hWnd;
// The size of the screen the show covers: the primary monitor, or another
// one the vendor chose.
extern int g_screenWidth;
extern int g_screenHeight;

// The desktop as it was before the window appeared (24 bits per pixel), and
// the picture at its own size. The launcher releases both after its window.
extern Surface g_backCopy;
extern Surface g_splashImage;

// Where a frame is drawn and shown: the window, the back buffer it shows,
// the desktop copy each frame starts from, the picture, and the part of the
// centred picture that lands on the screen.
struct ShowStage {
    HWND window;
    Surface* backBuffer;
    const Surface* backCopy;
    const Surface* picture;
    SplashBlock block;
};

// One run of the launcher, beyond the globals its window procedure and the
// display share: the next program, the vendor's settings, and the covered
// monitor's top-left corner in the desktop's coordinates.
struct LauncherRun {
    const char* next;
    ProductSettings product;
    int32_t screenLeft, screenTop;
};

// The desktop as it is now, before the window covers it, from the screen at
// (left, top), copied into the whole of copy. False when there is no copy:
// every frame would then build up over a black buffer.
bool CopyDesktop(Surface* copy, int32_t left, int32_t top);

// One frame, in its three steps. Every frame starts from the untouched
// desktop copy, so the picture never builds up over itself. A whole frame
// restores and shows the whole screen, as a show's first must; any other
// restores and shows the picture's block alone, which leaves the same
// pixels on the screen at a cost that follows the picture, not the screen:
// a frame's cost adds to its wait, and at 4K the whole screen's would
// stretch the show by seconds.
void RestoreFrame(const ShowStage* stage, bool whole);
void BlendFrame(const ShowStage* stage, int32_t level);
void PresentFrame(const ShowStage* stage, bool whole);
void DrawFrame(const ShowStage* stage, int32_t level, bool whole);

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

// Keeps the desktop window manager from animating the window's appearance
// and its close; nothing where there is no window manager (before Vista).
void DisableTransitions(HWND window);

// The DPI a monitor is scaled to (96 at 100 %): its own where Windows says
// it (8.1 on), the system's before; 0 when neither can be read.
int32_t MonitorDpi(HMONITOR monitor);
// Whether the launcher runs in a Remote Desktop session, RemoteFX's virtual
// graphics included, which the system metric alone reports as local.
bool InRemoteSession();

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
// Starts the next program as RunNextProgram does, without waiting: the
// process's handle in *process, the caller's to close (null when none came:
// not started, or started by the shell without one). A start that needs
// elevation asks the shell with owner as the consent prompt's owner, a
// live window of ours in front; with none, a stand-in is made for it.
int StartProgram(const char* commandLine, HWND owner, HANDLE* process);
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
int WaitForInstallerWindow(HANDLE process, const FILETIME* since, uint32_t milliseconds, HWND* window);
// Keeps the picture up, answering messages, while a window just found
// reaches the screen; a skip ends it.
void HoldWhileWindowComesUp(uint32_t milliseconds);
enum { kWindowComesUpMs = 100 };
// Brings the installer's window to the front if it opened behind ours.
void BringInstallerForward(HWND installer, HWND ours);
// What an exit code that cannot be read gives: the same answer as a
// program that could not be started.
enum { kProgramUnknownExit = 1 };
// Waits for a started process to end, answering the thread's messages
// meanwhile; its exit code, or kProgramUnknownExit when the wait fails or
// the code cannot be read. The handle stays the caller's.
DWORD WaitForProgram(HANDLE process);
// The file WinExec would start for a command line, found the same way, with
// its full path, and the parameters after it. 0 when there is none, or when
// the launcher's own folder cannot be said in the ANSI code page.
int FindProgram(const char* commandLine, char* path, uint32_t pathSize,
                const char** parameters);
