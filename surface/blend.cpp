// Blends of one surface onto another, byte by byte in plain integer code.
#include "surface.h"
#include "blend_rule.h"

#include <string.h>

int BlendSurface(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                 const Surface* src, int32_t srcX, int32_t srcY, int32_t level)
{
    if (cx <= 0 || cy <= 0)
        return 1;
    // Outside 0..256 the weight would leave the rule's range and wrap bytes.
    if (level < 0)
        level = 0;
    if (level > 256)
        level = 256;

    // Both blocks are addressed with the destination's pixel size.
    const int32_t step = dst->bytesPerPixel;
    for (int32_t y = 0; y < cy; ++y) {
        uint8_t* d = dst->bits + dst->rowOffsets[dstY + y] + dstX * step;
        const uint8_t* s = src->bits + src->rowOffsets[srcY + y] + srcX * step;
        for (int32_t x = 0; x < cx; ++x, d += step, s += step) {
            uint32_t g = (uint16_t)((s[3] * (uint32_t)level) >> 8);
            if (g == 0)
                continue;
            d[0] = BlendByte(d[0], s[0], g);
            d[1] = BlendByte(d[1], s[1], g);
            d[2] = BlendByte(d[2], s[2], g);
        }
    }
    return 1;
}

int BlendSurfaceKeyed(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                      const Surface* src, int32_t srcX, int32_t srcY)
{
    if (cx <= 0 || cy <= 0)
        return 1;

    // Unlike BlendSurface, the pixel size comes from the source.
    const int32_t step = src->bytesPerPixel;
    const bool keyed = (src->colorKey >> 24) != 0;
    const uint8_t keyBlue = (uint8_t)src->colorKey;
    const uint8_t keyGreen = (uint8_t)(src->colorKey >> 8);
    const uint8_t keyRed = (uint8_t)(src->colorKey >> 16);

    for (int32_t y = 0; y < cy; ++y) {
        uint8_t* d = dst->bits + dst->rowOffsets[dstY + y] + dstX * step;
        const uint8_t* s = src->bits + src->rowOffsets[srcY + y] + srcX * step;
        for (int32_t x = 0; x < cx; ++x, d += step, s += step) {
            // A keyed pixel is left out whatever its alpha.
            if (keyed && s[0] == keyBlue && s[1] == keyGreen && s[2] == keyRed)
                continue;
            uint32_t a = s[3];
            if (a == 0)
                continue;
            d[0] = BlendByte(d[0], s[0], a);
            d[1] = BlendByte(d[1], s[1], a);
            d[2] = BlendByte(d[2], s[2], a);
        }
    }
    return 1;
}

void BlendPixelsPlain(uint8_t* dstPixels, const uint8_t* srcPixels, int32_t rows,
                      int32_t cols, int32_t dstSkip, int32_t srcSkip)
{
    if (rows <= 0 || cols <= 0)
        return;
    uint8_t* d = dstPixels;
    const uint8_t* s = srcPixels;
    for (int32_t r = 0; r < rows; ++r) {
        if (r > 0) {
            d += dstSkip;
            s += srcSkip;
        }
        for (int32_t c = 0; c < cols; ++c, d += 4, s += 4) {
            uint32_t a = s[3];
            if (a == 0)
                continue;
            if (a == 255) {
                memcpy(d, s, 4);
                continue;
            }
            d[0] = BlendByte(d[0], s[0], a);
            d[1] = BlendByte(d[1], s[1], a);
            d[2] = BlendByte(d[2], s[2], a);
            d[3] = BlendByte(d[3], s[3], a);
        }
    }
}
