// The raw-pixel blend with MMX. This file alone is built with MMX enabled, so
// nothing else in the program can come to depend on the MMX state. In the
// 64-bit build, where every processor has SSE2, the compiler carries these
// 64-bit operations in SSE registers: the same bytes, and the x87 registers
// left alone, so the closing _mm_empty() costs one harmless instruction.
#include "surface.h"

#include <string.h>

#if defined(__MMX__)
#include <mmintrin.h>

void BlendPixelsMMX(uint8_t* dstPixels, const uint8_t* srcPixels, int32_t rows, int32_t cols,
                    int32_t dstSkip, int32_t srcSkip)
{
    // The loops below count down and test after the work, so they need at
    // least one row and one pixel; without them no MMX register is touched.
    if (rows <= 0 || cols <= 0)
        return;

    // One pixel at a time in four 16-bit lanes, one per byte, applying
    // ((d * (256 - a)) >> 8) + ((s * a) >> 8) to all four bytes, alpha too.
    const __m64 zero = _mm_setzero_si64();
    const __m64 lanes256 = _mm_unpacklo_pi8(zero, _mm_cvtsi32_si64(0x01010101));

    uint8_t* d = dstPixels;
    const uint8_t* s = srcPixels;
    int32_t rowsLeft = rows;
    do {
        int32_t colsLeft = cols;
        do {
            uint32_t srcWord;
            memcpy(&srcWord, s, 4);
            uint32_t a = srcWord >> 24;
            if (a == 255) {
                memcpy(d, s, 4);
            } else if (a != 0) {
                uint32_t dstWord;
                memcpy(&dstWord, d, 4);
                __m64 sv = _mm_unpacklo_pi8(_mm_cvtsi32_si64((int)srcWord), zero);
                __m64 dv = _mm_unpacklo_pi8(_mm_cvtsi32_si64((int)dstWord), zero);
                __m64 av = _mm_unpacklo_pi8(_mm_cvtsi32_si64((int)(a * 0x01010101u)), zero);
                __m64 inv = _mm_subs_pu16(lanes256, av);
                // Both products are at most 255 * 255, so the low 16 bits
                // hold them exactly; the sums stay below 256, so neither
                // saturation ever changes a result.
                __m64 dTerm = _mm_srli_pi16(_mm_mullo_pi16(dv, inv), 8);
                __m64 sTerm = _mm_srli_pi16(_mm_mullo_pi16(sv, av), 8);
                __m64 sum = _mm_adds_pu16(dTerm, sTerm);
                uint32_t out = (uint32_t)_mm_cvtsi64_si32(_mm_packs_pu16(sum, zero));
                memcpy(d, &out, 4);
            }
            d += 4;
            s += 4;
        } while (--colsLeft != 0);
        if (--rowsLeft == 0)
            break;
        d += dstSkip;
        s += srcSkip;
    } while (true);

    // Hand the shared x87/MMX registers back so floating point works again.
    _mm_empty();
}

#else

// Without MMX the plain routine yields the same bytes.
void BlendPixelsMMX(uint8_t* dstPixels, const uint8_t* srcPixels, int32_t rows, int32_t cols,
                    int32_t dstSkip, int32_t srcSkip)
{
    BlendPixelsPlain(dstPixels, srcPixels, rows, cols, dstSkip, srcSkip);
}

#endif
