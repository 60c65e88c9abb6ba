// The surface the picture readers' targets copy into: small, so that no
// picture makes the fuzzer allocate much, and placed against the picture
// by the input's size, so that the clipped copy is driven too.
#pragma once

#include "surface.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct SmallSurface {
    static constexpr int32_t kSide = 48;
    Surface surface;
    std::vector<uint8_t> pixels;
    std::vector<int32_t> rows;
    int32_t x, y;  // where the picture's top-left corner lands

    explicit SmallSurface(size_t inputSize)
        : x(int32_t(inputSize % 97) - 60), y(int32_t(inputSize / 97 % 89) - 60)
    {
        if (!SetSurfaceLayout(&surface, kSide, kSide, 32))
            __builtin_trap();
        pixels.resize(size_t(surface.pitch) * kSide);
        rows.resize(kSide);
        surface.bits = pixels.data();
        surface.rowOffsets = rows.data();
        FillRowOffsets(&surface);
    }
};
