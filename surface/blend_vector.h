// The blend rule on four pixels at once in SSE2 registers, shared by the
// SSE2 and AVX2 forms. Everything here is static: each file builds it with
// its own instruction set, and no copy may stand in for another.
#pragma once

#include "blend_rule.h"

#include <emmintrin.h>

// Each byte x is widened to x << 8 in a 16-bit lane; the high half of the
// unsigned 16-bit product of x << 8 and a weight w up to 256 is then exactly
// (x * w) >> 8, the truncated term of the rule, with no shift. The same
// product of an alpha and the fade level gives the effective alpha.
//
// The weight of lane 3, the alpha byte, is made 0: the destination's term is
// then (d * 256) >> 8 = d and the source's is 0, so the alpha byte comes out
// as it went in. A pixel whose weight is 0 comes out unchanged the same way.
static inline __m128i MixFour(__m128i d, __m128i s, __m128i gLo, __m128i gHi)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i lanes256 = _mm_set1_epi16(256);
    const __m128i sLo = _mm_unpacklo_epi8(zero, s), sHi = _mm_unpackhi_epi8(zero, s);
    const __m128i dLo = _mm_unpacklo_epi8(zero, d), dHi = _mm_unpackhi_epi8(zero, d);
    // Neither term exceeds 255 and their sum never does: no lane saturates.
    const __m128i rLo = _mm_add_epi16(_mm_mulhi_epu16(dLo, _mm_sub_epi16(lanes256, gLo)),
                                      _mm_mulhi_epu16(sLo, gLo));
    const __m128i rHi = _mm_add_epi16(_mm_mulhi_epu16(dHi, _mm_sub_epi16(lanes256, gHi)),
                                      _mm_mulhi_epu16(sHi, gHi));
    return _mm_packus_epi16(rLo, rHi);
}

// The weights of two pixels, widened as above: lanes 0 to 3 belong to the
// first pixel, 4 to 7 to the second.
static inline __m128i WeighTwo(__m128i widened, __m128i level)
{
    const __m128i colourLanes = _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1);
    // Each pixel's alpha lane copied into all four of its lanes.
    const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(widened, 0xFF), 0xFF);
    return _mm_and_si128(_mm_mulhi_epu16(alpha, level), colourLanes);
}

static inline __m128i BlendFour(__m128i d, __m128i s, __m128i level)
{
    const __m128i zero = _mm_setzero_si128();
    return MixFour(d, s, WeighTwo(_mm_unpacklo_epi8(zero, s), level),
                   WeighTwo(_mm_unpackhi_epi8(zero, s), level));
}

// The weight every opaque pixel gets at a level.
static inline __m128i OpaqueWeight(__m128i level)
{
    return WeighTwo(_mm_set1_epi16((short)0xFF00), level);
}

// All four source alphas 255.
static inline bool AllOpaque(__m128i s)
{
    const __m128i alphaMask = _mm_set1_epi32((int)0xFF000000u);
    const __m128i alpha = _mm_and_si128(s, alphaMask);
    return _mm_movemask_epi8(_mm_cmpeq_epi32(alpha, alphaMask)) == 0xFFFF;
}

// All four source alphas 0: nothing to draw.
static inline bool AllClear(__m128i s)
{
    const __m128i alpha = _mm_and_si128(s, _mm_set1_epi32((int)0xFF000000u));
    return _mm_movemask_epi8(_mm_cmpeq_epi32(alpha, _mm_setzero_si128())) == 0xFFFF;
}

// Source pixels whose colour bytes equal the key become all zero, so that
// their weight is 0 and the destination keeps them.
static inline __m128i DropKeyed(__m128i s, __m128i key)
{
    const __m128i colour = _mm_and_si128(s, _mm_set1_epi32(0x00FFFFFF));
    return _mm_andnot_si128(_mm_cmpeq_epi32(colour, key), s);
}

static inline __m128i LoadFour(const uint8_t* p)
{
    return _mm_loadu_si128((const __m128i*)p);
}

static inline void StoreFour(uint8_t* p, __m128i v)
{
    _mm_storeu_si128((__m128i*)p, v);
}
