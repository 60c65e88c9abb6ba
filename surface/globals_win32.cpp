// The globals the surfaces read and the layers above set.
#include "surface_win32.h"

HWND g_hWnd;
HGLOBAL g_hPaletteMem;
HPALETTE g_hPalette;
