// The launcher's own globals.
#include "window.h"
#include "frame.h"

HINSTANCE g_hInstance;
HWND g_hWnd;
int g_screenWidth;
int g_screenHeight;
Surface g_backCopy;
Surface g_splashImage;
