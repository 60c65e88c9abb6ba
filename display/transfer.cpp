// Transfers through the platform's graphics interface: between surfaces and
// from a surface to the window. Device contexts live inside one call.
#include "display.h"

#include <stdint.h>

// A memory context holding one surface's bitmap, and what it held before.
struct MemoryContext {
    HDC dc;
    HGDIOBJ old;
};

// Memory contexts compatible with the screen, one per surface. Surfaces are
// DIB sections, whose format is their own: no window's context, nor the
// desktop's, is needed to make them, which spares every copy taking one.
static void OpenMemoryContexts(MemoryContext* dst, HBITMAP dstBitmap, MemoryContext* src,
                               HBITMAP srcBitmap)
{
    dst->dc = CreateCompatibleDC(nullptr);
    dst->old = SelectObject(dst->dc, dstBitmap);
    src->dc = CreateCompatibleDC(nullptr);
    src->old = SelectObject(src->dc, srcBitmap);
}

// Each context's own bitmap goes back in before it is deleted, as everywhere
// else in the program, so that no surface's bitmap is ever deleted while
// still selected somewhere.
static void CloseMemoryContexts(MemoryContext* dst, MemoryContext* src)
{
    SelectObject(dst->dc, dst->old);
    DeleteDC(dst->dc);
    SelectObject(src->dc, src->old);
    DeleteDC(src->dc);
}

// Replaces a size of 0 by the surface's own. A negative size would mirror
// the block on some platforms and is never what a caller means: it is an
// empty block, and the result 0 tells the caller to draw nothing.
static int CompleteSize(int32_t* cx, int32_t* cy, const Surface* surface)
{
    if (*cx == 0)
        *cx = surface->width;
    if (*cy == 0)
        *cy = surface->height;
    return *cx >= 0 && *cy >= 0;
}

int BlitSurface(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                const Surface* src, int32_t srcX, int32_t srcY)
{
    if (dst->hBitmap == nullptr || src->hBitmap == nullptr)
        return 0;
    if (!CompleteSize(&cx, &cy, src))
        return 1;

    if ((src->colorKey >> 24) != 0) {
        // The keyed copy addresses pixel memory itself: it gets only blocks
        // inside both surfaces, and only the 32-bit pixels it is written for.
        if (dst->bytesPerPixel != 4 || src->bytesPerPixel != 4)
            return 0;
        if (!ClipBlock(dst, &dstX, &dstY, &cx, &cy, src, &srcX, &srcY))
            return 1;
        return CopySurfaceKeyed(dst, dstX, dstY, cx, cy, src, srcX, srcY);
    }

    MemoryContext d, s;
    OpenMemoryContexts(&d, dst->hBitmap, &s, src->hBitmap);
    BitBlt(d.dc, dstX, dstY, cx, cy, s.dc, srcX, srcY, SRCCOPY);
    CloseMemoryContexts(&d, &s);
    return 1;
}

int StretchSurface(Surface* dst, int32_t dstX, int32_t dstY, int32_t dstCx, int32_t dstCy,
                   const Surface* src, int32_t srcX, int32_t srcY, int32_t srcCx, int32_t srcCy)
{
    if (dst->hBitmap == nullptr || src->hBitmap == nullptr)
        return 0;
    if (!CompleteSize(&dstCx, &dstCy, dst) || !CompleteSize(&srcCx, &srcCy, src))
        return 1;

    MemoryContext d, s;
    OpenMemoryContexts(&d, dst->hBitmap, &s, src->hBitmap);
    SetStretchBltMode(d.dc, HALFTONE);
    StretchBlt(d.dc, dstX, dstY, dstCx, dstCy, s.dc, srcX, srcY, srcCx, srcCy, SRCCOPY);
    CloseMemoryContexts(&d, &s);
    return 1;
}

int PresentSurfaceRect(HWND window, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                       const Surface* src, int32_t srcX, int32_t srcY)
{
    if (src->hBitmap == nullptr)
        return 0;
    if (!CompleteSize(&cx, &cy, src))
        return 1;

    HDC hdc = GetDC(window);
    HDC memDc = CreateCompatibleDC(hdc);
    HGDIOBJ old = SelectObject(memDc, src->hBitmap);
    // Selected, not realized. The window's context goes back to the shared
    // cache, which resets it: the palette does not stay selected anywhere.
    SelectPalette(hdc, g_hPalette, FALSE);
    BitBlt(hdc, dstX, dstY, cx, cy, memDc, srcX, srcY, SRCCOPY);
    ReleaseDC(window, hdc);
    SelectObject(memDc, old);
    DeleteDC(memDc);
    return 1;
}

int ComposeAndPresent(HWND window, int32_t dstX, int32_t dstY, const Surface* src, int32_t srcX,
                      int32_t srcY, int32_t cx, int32_t cy)
{
    BlitSurface(&g_backBuffer, dstX, dstY, cx, cy, src, srcX, srcY);
    PresentSurfaceRect(window, dstX, dstY, cx, cy, &g_backBuffer, dstX, dstY);
    return 1;
}

// The distance from one edge to the other, kept within 32 bits: the
// platform clips whatever reaches beyond the surface or the window.
static int32_t Extent(int32_t from, int32_t to)
{
    const int64_t n = (int64_t)to - from;
    return n > INT32_MAX ? INT32_MAX : n < INT32_MIN ? INT32_MIN : (int32_t)n;
}

int FillAndPresent(HWND window, RECT rect, COLORREF color)
{
    // The fill writes pixel memory directly: there must be a back buffer,
    // and the rectangle is cut to it first.
    if (g_backBuffer.hBitmap == nullptr)
        return 0;
    const int32_t width = Extent(rect.left, rect.right);
    const int32_t height = Extent(rect.top, rect.bottom);
    int32_t left = rect.left, top = rect.top, cx = width, cy = height;
    int32_t srcX = left, srcY = top;
    if (ClipBlock(&g_backBuffer, &left, &top, &cx, &cy, &g_backBuffer, &srcX, &srcY)) {
        const RECT inside = {left, top, left + cx, top + cy};
        FillSurfaceRect(&g_backBuffer, inside, color);
    }
    PresentSurfaceRect(window, rect.left, rect.top, width, height, &g_backBuffer, rect.left,
                       rect.top);
    return 1;
}

void PresentBackBuffer(HWND window)
{
    if (g_backBuffer.hBitmap == nullptr)
        return;
    HDC hdc = GetDC(window);
    HDC memDc = CreateCompatibleDC(hdc);
    HGDIOBJ old = SelectObject(memDc, g_backBuffer.hBitmap);
    SelectPalette(hdc, g_hPalette, FALSE);
    BitBlt(hdc, 0, 0, g_backBuffer.width, g_backBuffer.height, memDc, 0, 0, SRCCOPY);
    SelectObject(memDc, old);
    DeleteDC(memDc);
    ReleaseDC(window, hdc);
}
