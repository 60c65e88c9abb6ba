// The rows of the surface blends, four pixels at a time with SSE2. This
// file alone is built with SSE2 enabled; it runs only where the processor
// reports it.
#include "surface.h"
#include "blend_rule.h"

#if defined(__SSE2__)
#include "blend_vector.h"

// The key's pixels are dropped first: weighed 0, they leave the destination.
REALIGN_STACK void BlendRowSSE2(uint8_t* d, const uint8_t* s, int32_t count, uint32_t level,
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
    BlendPixelRun(d, s, count - x, level, keyed, key);
}

#else

// Without SSE2 the plain code gives the same bytes.
void BlendRowSSE2(uint8_t* d, const uint8_t* s, int32_t count, uint32_t level, bool keyed,
                  uint32_t key)
{
    BlendPixelRun(d, s, count, level, keyed, key);
}

#endif
