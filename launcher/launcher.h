// The launcher's window and screen globals, which the surface and display
// code read. All are zero until the launcher sets them.
#pragma once

#include <windows.h>

extern HWND g_hWnd;          // null until the window exists: the screen is used instead
extern HINSTANCE g_hInstance;
extern int g_screenWidth;
extern int g_screenHeight;
