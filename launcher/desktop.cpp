// The desktop snapshot the show fades over, taken before the window covers
// the screen; the benchmark takes it the same way.
#include "launcher.h"

bool CopyDesktop()
{
    if (g_backCopy.hBitmap == nullptr)
        return false;
    HDC screenDc = GetDC(nullptr);
    HDC windowDc = GetDC(g_hWnd);
    HDC memDc = CreateCompatibleDC(windowDc);
    ReleaseDC(g_hWnd, windowDc);
    BOOL copied = FALSE;
    if (memDc != nullptr) {
        HGDIOBJ old = SelectObject(memDc, g_backCopy.hBitmap);
        copied = BitBlt(memDc, 0, 0, g_screenWidth, g_screenHeight, screenDc, g_screenLeft, g_screenTop,
                        SRCCOPY);
        SelectObject(memDc, old);
        DeleteDC(memDc);
    }
    ReleaseDC(nullptr, screenDc);
    return copied != FALSE;
}
