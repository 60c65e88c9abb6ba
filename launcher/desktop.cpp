// The desktop snapshot the show fades over, taken before the window covers
// the screen; the benchmark takes it the same way.
#include "frame.h"

bool CopyDesktop(Surface* copy, int32_t left, int32_t top)
{
    if (copy->hBitmap == nullptr)
        return false;
    HDC screenDc = GetDC(nullptr);
    HDC memDc = CreateCompatibleDC(screenDc);
    BOOL copied = FALSE;
    if (memDc != nullptr) {
        HGDIOBJ old = SelectObject(memDc, copy->hBitmap);
        copied = BitBlt(memDc, 0, 0, copy->width, copy->height, screenDc, left, top, SRCCOPY);
        SelectObject(memDc, old);
        DeleteDC(memDc);
    }
    ReleaseDC(nullptr, screenDc);
    return copied != FALSE;
}
