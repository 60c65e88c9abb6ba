// The one blend rule every blend routine shares. With a weight a from 0 to
// 256, destination byte d and source byte s:
//     result = ((d * (256 - a)) >> 8) + ((s * a) >> 8)
// Each term is truncated on its own, so the sum never exceeds 255 and needs
// no clamping; a = 0 keeps d, a = 256 gives s, and a = 255 gives s - 1 for
// any s of 1 or more (0 stays 0), whatever d was.
#pragma once

#include <stdint.h>

static inline uint8_t BlendByte(uint32_t d, uint32_t s, uint32_t a)
{
    return (uint8_t)(((d * (256 - a)) >> 8) + ((s * a) >> 8));
}

// Outside 0..256 the weight would leave the rule's range and wrap bytes.
static inline int32_t ClampLevel(int32_t level)
{
    return level < 0 ? 0 : level > 256 ? 256 : level;
}

// The blend of one 4-byte pixel at weight g, byte 3 untouched: the tail of a
// row too short for a vector.
static inline void BlendPixelBytes(uint8_t* d, const uint8_t* s, uint32_t g)
{
    d[0] = BlendByte(d[0], s[0], g);
    d[1] = BlendByte(d[1], s[1], g);
    d[2] = BlendByte(d[2], s[2], g);
}

// Pixels of one row at a fade level, one at a time, leaving out those of the
// key colour (blue, green, red in the low bytes of key) when keyed: the tail
// of a row too short for a vector, and the vector rows' stand-in where the
// instructions are missing.
static inline void BlendPixelRun(uint8_t* d, const uint8_t* s, int32_t count, uint32_t level,
                                 bool keyed, uint32_t key)
{
    for (int32_t x = 0; x < count; ++x, d += 4, s += 4) {
        if (keyed && (s[0] | (s[1] << 8u) | ((uint32_t)s[2] << 16)) == key)
            continue;
        uint32_t g = (s[3] * level) >> 8;
        if (g != 0)
            BlendPixelBytes(d, s, g);
    }
}

// 32-bit Windows promises only 4-byte stack alignment where the system calls
// back into a program, as in the window procedure; vector entry points
// realign the stack themselves so that their spills may be aligned. The
// 64-bit calling convention keeps the stack 16-byte aligned at every call,
// so there they need nothing.
#if defined(__i386__)
#define REALIGN_STACK __attribute__((force_align_arg_pointer))
#else
#define REALIGN_STACK
#endif

// One row of count 4-byte pixels with SSE2 or AVX2, as BlendPixelRun does.
// A keyed row is blended at level 256. Each builds with its own instruction
// set and may run only where the processor has it.
REALIGN_STACK void BlendRowSSE2(uint8_t* d, const uint8_t* s, int32_t count, uint32_t level,
                                bool keyed, uint32_t key);
REALIGN_STACK void BlendRowAVX2(uint8_t* d, const uint8_t* s, int32_t count, uint32_t level,
                                bool keyed, uint32_t key);
