#include "launcher.h"

HWND g_hWnd;
HINSTANCE g_hInstance;
int g_screenWidth;
int g_screenHeight;
