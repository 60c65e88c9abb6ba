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

// 32-bit Windows promises only 4-byte stack alignment where the system calls
// back into a program, as in the window procedure; vector entry points
// realign the stack themselves so that their spills may be aligned.
#if defined(__i386__)
#define REALIGN_STACK __attribute__((force_align_arg_pointer))
#else
#define REALIGN_STACK
#endif
