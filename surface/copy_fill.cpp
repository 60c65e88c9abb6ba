// Copies, fills and the alpha setting: plain stores into pixel memory, with
// no platform call, so the display code can use them on any surface it holds.
#include "surface.h"

#include <string.h>

int CopySurfaceRect(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                    const Surface* src, int32_t srcX, int32_t srcY)
{
    if (cx <= 0 || cy <= 0)
        return 1;
    const int32_t step = dst->bytesPerPixel;
    const size_t rowBytes = (size_t)cx * (size_t)step;
    uint8_t* d = dst->bits + dst->rowOffsets[dstY] + dstX * step;
    const uint8_t* s = src->bits + src->rowOffsets[srcY] + srcX * step;
    for (int32_t y = 0; y < cy; ++y, d += dst->pitch, s += src->pitch) {
        // Source and destination may be the same row of one surface.
        memmove(d, s, rowBytes);
    }
    return 1;
}

int CopySurfaceKeyed(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                     const Surface* src, int32_t srcX, int32_t srcY)
{
    if (cx <= 0 || cy <= 0)
        return 1;
    const int32_t step = dst->bytesPerPixel;
    // Pixels are compared as little-endian words: blue, green and red are
    // the low three bytes, in the key's own layout.
    const uint32_t key = src->colorKey & 0x00FFFFFFu;
    uint8_t* d = dst->bits + dst->rowOffsets[dstY] + dstX * step;
    const uint8_t* s = src->bits + src->rowOffsets[srcY] + srcX * step;
    const uint32_t dstSkip = dst->pitch - (uint32_t)cx * (uint32_t)step;
    const uint32_t srcSkip = src->pitch - (uint32_t)cx * (uint32_t)step;
    for (int32_t y = 0; y < cy; ++y, d += dstSkip, s += srcSkip) {
        for (int32_t x = 0; x < cx; ++x, d += step, s += step) {
            uint32_t pixel;
            memcpy(&pixel, s, 4);
            if ((pixel & 0x00FFFFFFu) != key)
                memcpy(d, &pixel, 4);
        }
    }
    return 1;
}

// One axis of ClipBlock, in 64 bits so that no position plus size can wrap.
static int ClipAxis(int32_t dstSize, int32_t* dstPos, int32_t* count, int32_t srcSize,
                    int32_t* srcPos)
{
    int64_t d = *dstPos, s = *srcPos, n = *count;
    // Both corners move right by as much as the further-out one lies left of 0.
    int64_t shift = 0;
    if (-d > shift)
        shift = -d;
    if (-s > shift)
        shift = -s;
    d += shift;
    s += shift;
    n -= shift;
    if (n > dstSize - d)
        n = dstSize - d;
    if (n > srcSize - s)
        n = srcSize - s;
    if (n <= 0)
        return 0;
    *dstPos = (int32_t)d;
    *srcPos = (int32_t)s;
    *count = (int32_t)n;
    return 1;
}

int ClipBlock(const Surface* dst, int32_t* dstX, int32_t* dstY, int32_t* cx, int32_t* cy,
              const Surface* src, int32_t* srcX, int32_t* srcY)
{
    int32_t x = *dstX, y = *dstY, w = *cx, h = *cy, sx = *srcX, sy = *srcY;
    if (!ClipAxis(dst->width, &x, &w, src->width, &sx) ||
        !ClipAxis(dst->height, &y, &h, src->height, &sy))
        return 0;
    *dstX = x, *dstY = y, *cx = w, *cy = h, *srcX = sx, *srcY = sy;
    return 1;
}

int FillSurfaceRect(Surface* surface, RECT rect, COLORREF color)
{
    const int32_t width = rect.right - rect.left;
    const int32_t height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return 1;
    // COLORREF runs red, green, blue from the low byte; pixels run blue,
    // green, red. The fill is opaque, so that a filled block used later as a
    // blend source covers what lies beneath it.
    const uint8_t word[4] = {(uint8_t)(color >> 16), (uint8_t)(color >> 8), (uint8_t)color, 0xFF};
    uint32_t pixel;
    memcpy(&pixel, word, 4);

    const int32_t step = surface->bytesPerPixel;
    uint8_t* p = surface->bits + surface->rowOffsets[rect.top] + rect.left * step;
    const uint32_t skip = surface->pitch - (uint32_t)width * (uint32_t)step;
    for (int32_t y = 0; y < height; ++y, p += skip) {
        for (int32_t x = 0; x < width; ++x, p += step)
            memcpy(p, &pixel, 4);
    }
    return 1;
}

int SetSurfaceAlpha(Surface* surface, int32_t left, int32_t top, int32_t right, int32_t bottom,
                    int32_t alpha)
{
    const int32_t width = right - left;
    const int32_t height = bottom - top;
    if (width <= 0 || height <= 0)
        return 1;
    const int32_t step = surface->bytesPerPixel;
    uint8_t* p = surface->bits + surface->rowOffsets[top] + left * step + 3;
    const uint32_t skip = surface->pitch - (uint32_t)width * (uint32_t)step;
    for (int32_t y = 0; y < height; ++y, p += skip) {
        for (int32_t x = 0; x < width; ++x, p += step)
            *p = (uint8_t)alpha;
    }
    return 1;
}
