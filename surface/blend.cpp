// Blends of one surface onto another: the plain forms, byte by byte in
// integer code, which the vector forms must match, and the choice of form.
#include "surface.h"
#include "blend_rule.h"

#include <string.h>

int BlendSurfacePlain(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                      const Surface* src, int32_t srcX, int32_t srcY, int32_t level)
{
    if (cx <= 0 || cy <= 0)
        return 1;
    level = ClampLevel(level);

    // Both blocks are addressed with the destination's pixel size.
    const int32_t step = dst->bytesPerPixel;
    for (int32_t y = 0; y < cy; ++y) {
        uint8_t* d = dst->bits + dst->rowOffsets[dstY + y] + dstX * step;
        const uint8_t* s = src->bits + src->rowOffsets[srcY + y] + srcX * step;
        for (int32_t x = 0; x < cx; ++x, d += step, s += step) {
            uint32_t g = (uint16_t)((s[3] * (uint32_t)level) >> 8);
            if (g == 0)
                continue;
            BlendPixelBytes(d, s, g);
        }
    }
    return 1;
}

int BlendSurfaceKeyedPlain(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
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
            BlendPixelBytes(d, s, a);
        }
    }
    return 1;
}

// The vector forms: the block walked row by row, each row to the form's
// kernel. Other pixel sizes go to the plain forms, which step by them.
static void BlendRows(int32_t form, Surface* dst, int32_t dstX, int32_t dstY, int32_t cx,
                      int32_t cy, const Surface* src, int32_t srcX, int32_t srcY, uint32_t level,
                      bool keyed, uint32_t key)
{
    for (int32_t y = 0; y < cy; ++y) {
        uint8_t* d = dst->bits + dst->rowOffsets[dstY + y] + dstX * 4;
        const uint8_t* s = src->bits + src->rowOffsets[srcY + y] + srcX * 4;
        if (form == kBlendAVX2)
            BlendRowAVX2(d, s, cx, level, keyed, key);
        else
            BlendRowSSE2(d, s, cx, level, keyed, key);
    }
}

static int BlendSurfaceVector(int32_t form, Surface* dst, int32_t dstX, int32_t dstY, int32_t cx,
                              int32_t cy, const Surface* src, int32_t srcX, int32_t srcY,
                              int32_t level)
{
    if (dst->bytesPerPixel != 4)
        return BlendSurfacePlain(dst, dstX, dstY, cx, cy, src, srcX, srcY, level);
    level = ClampLevel(level);
    if (cx > 0 && cy > 0 && level > 0)
        BlendRows(form, dst, dstX, dstY, cx, cy, src, srcX, srcY, (uint32_t)level, false, 0);
    return 1;
}

static int BlendSurfaceKeyedVector(int32_t form, Surface* dst, int32_t dstX, int32_t dstY,
                                   int32_t cx, int32_t cy, const Surface* src, int32_t srcX,
                                   int32_t srcY)
{
    if (src->bytesPerPixel != 4)
        return BlendSurfaceKeyedPlain(dst, dstX, dstY, cx, cy, src, srcX, srcY);
    if (cx > 0 && cy > 0)
        BlendRows(form, dst, dstX, dstY, cx, cy, src, srcX, srcY, 256, (src->colorKey >> 24) != 0,
                  src->colorKey & 0x00FFFFFFu);
    return 1;
}

int BlendSurfaceSSE2(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                     const Surface* src, int32_t srcX, int32_t srcY, int32_t level)
{
    return BlendSurfaceVector(kBlendSSE2, dst, dstX, dstY, cx, cy, src, srcX, srcY, level);
}

int BlendSurfaceAVX2(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                     const Surface* src, int32_t srcX, int32_t srcY, int32_t level)
{
    return BlendSurfaceVector(kBlendAVX2, dst, dstX, dstY, cx, cy, src, srcX, srcY, level);
}

int BlendSurfaceKeyedSSE2(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                          const Surface* src, int32_t srcX, int32_t srcY)
{
    return BlendSurfaceKeyedVector(kBlendSSE2, dst, dstX, dstY, cx, cy, src, srcX, srcY);
}

int BlendSurfaceKeyedAVX2(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                          const Surface* src, int32_t srcX, int32_t srcY)
{
    return BlendSurfaceKeyedVector(kBlendAVX2, dst, dstX, dstY, cx, cy, src, srcX, srcY);
}

// Chosen on the first blend; -1 until then.
static int32_t g_blendForm = -1;

int32_t SelectBlendForm(int32_t form)
{
    const int32_t best = BestBlendForm(ProcessorFeatures());
    g_blendForm = form < kBlendPlain ? kBlendPlain : form > best ? best : form;
    return g_blendForm;
}

int BlendSurface(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                 const Surface* src, int32_t srcX, int32_t srcY, int32_t level)
{
    if (g_blendForm < 0)
        SelectBlendForm(kBlendAVX2);
    switch (g_blendForm) {
    case kBlendAVX2:
        return BlendSurfaceAVX2(dst, dstX, dstY, cx, cy, src, srcX, srcY, level);
    case kBlendSSE2:
        return BlendSurfaceSSE2(dst, dstX, dstY, cx, cy, src, srcX, srcY, level);
    default:
        return BlendSurfacePlain(dst, dstX, dstY, cx, cy, src, srcX, srcY, level);
    }
}

int BlendSurfaceKeyed(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                      const Surface* src, int32_t srcX, int32_t srcY)
{
    if (g_blendForm < 0)
        SelectBlendForm(kBlendAVX2);
    switch (g_blendForm) {
    case kBlendAVX2:
        return BlendSurfaceKeyedAVX2(dst, dstX, dstY, cx, cy, src, srcX, srcY);
    case kBlendSSE2:
        return BlendSurfaceKeyedSSE2(dst, dstX, dstY, cx, cy, src, srcX, srcY);
    default:
        return BlendSurfaceKeyedPlain(dst, dstX, dstY, cx, cy, src, srcX, srcY);
    }
}

void BlendPixelsPlain(uint8_t* dstPixels, const uint8_t* srcPixels, int32_t rows, int32_t cols,
                      int32_t dstSkip, int32_t srcSkip)
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
