// The launcher's own globals; the window handle is the surfaces'.
#include "launcher.h"

HINSTANCE g_hInstance;
int g_screenLeft;
int g_screenTop;
int g_screenWidth;
int g_screenHeight;
Surface g_backCopy;
Surface g_splashImage;
