// The launcher's window and the screen it covers: the globals its window
// procedure and the display share, the procedure itself, and the wait that
// keeps the window answering between frames. The globals are zero until
// the launcher sets them; the rest of the program is handed what it needs
// of them as arguments.
#pragma once

#include <windows.h>

#include <stdint.h>

extern HINSTANCE g_hInstance;
// The launcher's window, null until it exists.
extern HWND g_hWnd;
// The size of the screen the show covers: the primary monitor, or another
// one the vendor chose.
extern int g_screenWidth;
extern int g_screenHeight;

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
