// The surface blends four pixels at a time with SSE2. This file alone is
// built with SSE2 enabled; it runs only where the processor reports it.
#include "surface.h"

#if defined(__SSE2__)
#include "blend_vector.h"

// One row of count pixels. A keyed row blends at full alpha, as a level of
// 256 does, with the key's pixels dropped first.
static void BlendRowSSE2(uint8_t* d, const uint8_t* s, int32_t count, uint32_t level,
                         bool keyed, uint32_t key)
{
    const __m128i levelLanes = _mm_set1_epi16((short)level);
    const __m128i keyLanes = _mm_set1_epi32((int)key);
    // Most pixels of a picture are opaque, and they all share one weight.
    const __m128i gOpaque = OpaqueWeight(levelLanes);
    int32_t x = 0;
    for (; x + 4 <= count; x += 4, d += 16, s += 16) {
        __m128i source = LoadFour(s);
        if (keyed)
            source = DropKeyed(source, keyLanes);
        if (AllClear(source))
            continue;
        if (AllOpaque(source))
            StoreFour(d, MixFour(LoadFour(d), source, gOpaque, gOpaque));
        else
            StoreFour(d, BlendFour(LoadFour(d), source, levelLanes));
    }
    BlendTail(d, s, count - x, level, keyed, key);
}

REALIGN_STACK int BlendSurfaceSSE2(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx,
                                   int32_t cy, const Surface* src, int32_t srcX, int32_t srcY,
                                   int32_t level)
{
    if (dst->bytesPerPixel != 4)
        return BlendSurfacePlain(dst, dstX, dstY, cx, cy, src, srcX, srcY, level);
    level = ClampLevel(level);
    if (cx <= 0 || cy <= 0 || level == 0)
        return 1;
    for (int32_t y = 0; y < cy; ++y)
        BlendRowSSE2(dst->bits + dst->rowOffsets[dstY + y] + dstX * 4,
                     src->bits + src->rowOffsets[srcY + y] + srcX * 4, cx, (uint32_t)level,
                     false, 0);
    return 1;
}

REALIGN_STACK int BlendSurfaceKeyedSSE2(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx,
                                        int32_t cy, const Surface* src, int32_t srcX,
                                        int32_t srcY)
{
    if (src->bytesPerPixel != 4)
        return BlendSurfaceKeyedPlain(dst, dstX, dstY, cx, cy, src, srcX, srcY);
    if (cx <= 0 || cy <= 0)
        return 1;
    const bool keyed = (src->colorKey >> 24) != 0;
    const uint32_t key = src->colorKey & 0x00FFFFFFu;
    for (int32_t y = 0; y < cy; ++y)
        BlendRowSSE2(dst->bits + dst->rowOffsets[dstY + y] + dstX * 4,
                     src->bits + src->rowOffsets[srcY + y] + srcX * 4, cx, 256, keyed, key);
    return 1;
}

#else

// Without SSE2 the plain forms give the same bytes.
int BlendSurfaceSSE2(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                     const Surface* src, int32_t srcX, int32_t srcY, int32_t level)
{
    return BlendSurfacePlain(dst, dstX, dstY, cx, cy, src, srcX, srcY, level);
}

int BlendSurfaceKeyedSSE2(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                          const Surface* src, int32_t srcX, int32_t srcY)
{
    return BlendSurfaceKeyedPlain(dst, dstX, dstY, cx, cy, src, srcX, srcY);
}

#endif
