// The display context: back buffer, palette and processor flag, made once
// the window exists and released when it closes.
#include "display.h"

#include <string.h>

Surface g_backBuffer;
HGLOBAL g_hPaletteMem;
HPALETTE g_hPalette;
int32_t g_hasMMX;

enum { kPaletteBlockSize = 8192 };

void InitDisplay(HWND window)
{
    // A second call must not leak what the first one made.
    ShutdownDisplay();

    // Zeroed, and given a count of its own, so that making the palette never
    // reads an entry count the allocator left behind. One black entry: a
    // palette of none is refused by some versions of the platform.
    g_hPaletteMem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kPaletteBlockSize);
    if (g_hPaletteMem != nullptr) {
        LOGPALETTE* block = (LOGPALETTE*)GlobalLock(g_hPaletteMem);
        if (block != nullptr) {
            block->palVersion = 0x300;
            block->palNumEntries = 1;
            g_hPalette = CreatePalette(block);
            GlobalUnlock(g_hPaletteMem);
        }
    }

    // The client area, not the screen: the window decides what is shown.
    RECT client;
    if (!GetClientRect(window, &client))
        memset(&client, 0, sizeof client);
    if (!CreateSurface(&g_backBuffer, client.right - client.left, client.bottom - client.top, 32,
                       "BackBuffer")) {
        // A failed creation may leave sizes behind; an all-zero record is
        // what every caller reads as "no back buffer".
        memset(&g_backBuffer, 0, sizeof g_backBuffer);
    }

    g_hasMMX = ProcessorHasMMX();
}

void ShutdownDisplay()
{
    if (g_hPaletteMem != nullptr) {
        GlobalFree(g_hPaletteMem);
        g_hPaletteMem = nullptr;
    }
    if (g_hPalette != nullptr) {
        DeleteObject(g_hPalette);
        g_hPalette = nullptr;
    }
    if (g_backBuffer.hBitmap != nullptr)
        DestroySurface(&g_backBuffer);
}
