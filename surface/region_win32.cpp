// Region from colour key: every run of non-key pixels becomes a one-row band
// joined into the result.
#include "surface_win32.h"

HRGN RegionFromColorKey(const Surface* surface, int32_t x, int32_t y, int32_t cx, int32_t cy)
{
    // The key is the colour of the surface's top-left pixel, whatever the
    // block: pictures drawn on a plain background start with it.
    const uint8_t* first = surface->bits;
    const uint32_t key = first[0] | (uint32_t)first[1] << 8 | (uint32_t)first[2] << 16;
    if (cx == 0)
        cx = surface->width;
    if (cy == 0)
        cy = surface->height;

    HRGN hResult = CreateRectRgn(0, 0, 0, 0);
    if (!hResult)
        return nullptr;
    const int32_t step = surface->bytesPerPixel;
    const uint8_t* row = surface->bits + (ptrdiff_t)y * surface->pitch + (ptrdiff_t)x * step;
    for (int32_t r = 0; r < cy; ++r, row += surface->pitch) {
        int32_t end = 0;
        for (int32_t c = FindUnkeyedRun(row, cx, step, key, 0, &end); c < cx;
             c = FindUnkeyedRun(row, cx, step, key, end + 1, &end)) {
            HRGN hBand = CreateRectRgn(c, r, end, r + 1);
            const bool joined = hBand && CombineRgn(hResult, hResult, hBand, RGN_OR) != ERROR;
            if (hBand)
                DeleteObject(hBand);
            // A region missing some bands would look whole to the caller.
            if (!joined) {
                DeleteObject(hResult);
                return nullptr;
            }
        }
    }
    return hResult;
}
