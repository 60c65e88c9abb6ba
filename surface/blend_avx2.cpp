// The rows of the surface blends, eight pixels at a time with AVX2. This
// file alone is built with AVX2 enabled; it runs only where the processor
// and the system report it.
#include "surface.h"
#include "blend_rule.h"

#if defined(__AVX2__)
#include "blend_vector.h"

#include <immintrin.h>

// The rule on eight pixels, with the weights g already in place (in the
// three colour lanes of each pixel, 0 in its alpha lane, which keeps that
// byte as it was) and 256 - g beside them. The byte unpacks and the pack
// work within each 128-bit half, so the pixels come out in order.
static inline __m256i MixEight(__m256i d, __m256i s, __m256i gLo, __m256i gHi, __m256i invLo,
                               __m256i invHi)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i sLo = _mm256_unpacklo_epi8(zero, s), sHi = _mm256_unpackhi_epi8(zero, s);
    const __m256i dLo = _mm256_unpacklo_epi8(zero, d), dHi = _mm256_unpackhi_epi8(zero, d);
    const __m256i rLo =
        _mm256_add_epi16(_mm256_mulhi_epu16(dLo, invLo), _mm256_mulhi_epu16(sLo, gLo));
    const __m256i rHi =
        _mm256_add_epi16(_mm256_mulhi_epu16(dHi, invHi), _mm256_mulhi_epu16(sHi, gHi));
    return _mm256_packus_epi16(rLo, rHi);
}

REALIGN_STACK void BlendRowAVX2(uint8_t* d, const uint8_t* s, int32_t count, uint32_t level,
                                bool keyed, uint32_t key)
{
    const __m256i levelLanes = _mm256_set1_epi16((short)level);
    const __m256i keyLanes = _mm256_set1_epi32((int)key);
    const __m256i colourMask = _mm256_set1_epi32(0x00FFFFFF);
    const __m256i alphaMask = _mm256_set1_epi32((int)0xFF000000u);
    // One byte shuffle puts each pixel's alpha, as alpha << 8, into its three
    // colour lanes and 0 into its alpha lane.
    const char z = (char)0x80;  // a shuffle index that yields 0
    const __m256i alphaLo = _mm256_setr_epi8(z, 3, z, 3, z, 3, z, z, z, 7, z, 7, z, 7, z, z, z, 3,
                                             z, 3, z, 3, z, z, z, 7, z, 7, z, 7, z, z);
    const __m256i alphaHi = _mm256_setr_epi8(z, 11, z, 11, z, 11, z, z, z, 15, z, 15, z, 15, z, z,
                                             z, 11, z, 11, z, 11, z, z, z, 15, z, 15, z, 15, z, z);
    // Most pixels of a picture are opaque, and they all share one weight.
    const __m256i lanes256 = _mm256_set1_epi16(256);
    const __m256i gOpaque = _mm256_mulhi_epu16(_mm256_shuffle_epi8(alphaMask, alphaLo), levelLanes);
    const __m256i invOpaque = _mm256_sub_epi16(lanes256, gOpaque);
    int32_t x = 0;
    for (; x + 8 <= count; x += 8, d += 32, s += 32) {
        __m256i source = _mm256_loadu_si256((const __m256i*)s);
        if (keyed)
            source = _mm256_andnot_si256(
                _mm256_cmpeq_epi32(_mm256_and_si256(source, colourMask), keyLanes), source);
        // All eight alphas 0: nothing to draw.
        if (_mm256_testz_si256(source, alphaMask))
            continue;
        const __m256i dest = _mm256_loadu_si256((const __m256i*)d);
        __m256i mixed;
        if (_mm256_testc_si256(source, alphaMask)) {
            mixed = MixEight(dest, source, gOpaque, gOpaque, invOpaque, invOpaque);
        } else {
            const __m256i gLo =
                _mm256_mulhi_epu16(_mm256_shuffle_epi8(source, alphaLo), levelLanes);
            const __m256i gHi =
                _mm256_mulhi_epu16(_mm256_shuffle_epi8(source, alphaHi), levelLanes);
            mixed = MixEight(dest, source, gLo, gHi, _mm256_sub_epi16(lanes256, gLo),
                             _mm256_sub_epi16(lanes256, gHi));
        }
        _mm256_storeu_si256((__m256i*)d, mixed);
    }
    if (x + 4 <= count) {
        __m128i source = LoadFour(s);
        if (keyed)
            source = DropKeyed(source, _mm256_castsi256_si128(keyLanes));
        if (!AllClear(source))
            StoreFour(d, BlendFour(LoadFour(d), source, _mm256_castsi256_si128(levelLanes)));
        x += 4;
        d += 16;
        s += 16;
    }
    BlendPixelRun(d, s, count - x, level, keyed, key);
    // Leave the upper halves clean, so that SSE code after us pays no
    // transition penalty.
    _mm256_zeroupper();
}

#else

// Without AVX2 the plain code gives the same bytes.
void BlendRowAVX2(uint8_t* d, const uint8_t* s, int32_t count, uint32_t level, bool keyed,
                  uint32_t key)
{
    BlendPixelRun(d, s, count, level, keyed, key);
}

#endif
