// Surface lifecycle over DIB sections: the platform owns the pixel memory,
// and a top-down section lets row 0 be the first row in memory.
#include "surface_win32.h"

#include <string.h>

int CreateSurface(Surface* surface, int32_t width, int32_t height, int32_t bitsPerPixel,
                  const char* name)
{
    // Creating over a live surface replaces it: the old pixels go first.
    DestroySurface(surface);
    if (!SetSurfaceLayout(surface, width, height, bitsPerPixel))
        return 0;

    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = (WORD)bitsPerPixel;
    info.bmiHeader.biCompression = BI_RGB;

    void* bits = nullptr;
    // The context only matters for colours given as palette indices; these
    // are RGB, so the screen's serves whether a window exists or not.
    HDC hdc = GetDC(nullptr);
    HBITMAP hBitmap = CreateDIBSection(hdc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, hdc);
    // On failure the record keeps its sizes and no bitmap, which every
    // routine reads as empty.
    if (hBitmap == nullptr)
        return 0;

    HGLOBAL hRows = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (SIZE_T)height * sizeof(int32_t));
    int32_t* rowOffsets = hRows != nullptr ? (int32_t*)GlobalLock(hRows) : nullptr;
    if (rowOffsets == nullptr) {
        // No half-built record: without its row table the bitmap is useless.
        if (hRows != nullptr)
            GlobalFree(hRows);
        DeleteObject(hBitmap);
        return 0;
    }

    surface->hBitmap = hBitmap;
    surface->bits = (uint8_t*)bits;
    surface->colorKey = 0;
    SetSurfaceName(surface, name);
    surface->rowOffsets = rowOffsets;
    FillRowOffsets(surface);
    return 1;
}

void DestroySurface(Surface* surface)
{
    if (surface->hBitmap != nullptr) {
        DeleteObject(surface->hBitmap);
        surface->hBitmap = nullptr;
    }
    if (surface->rowOffsets != nullptr) {
        HGLOBAL hRows = GlobalHandle(surface->rowOffsets);
        GlobalUnlock(hRows);
        GlobalFree(hRows);
        surface->rowOffsets = nullptr;
    }
    memset(surface, 0, sizeof *surface);
}
