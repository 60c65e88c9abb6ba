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
