// A picture as the vendor tools handle it: 8-bit red, green, blue and
// straight (not premultiplied) alpha, whatever file it came from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct RgbaImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;  // rows top-down, 4 bytes a pixel
    uint8_t* at(int x, int y) { return rgba.data() + (size_t(y) * size_t(width) + size_t(x)) * 4; }
    const uint8_t* at(int x, int y) const
    {
        return rgba.data() + (size_t(y) * size_t(width) + size_t(x)) * 4;
    }
};

// Largest side read: an 8K screenshot fits, and a hostile header cannot ask
// for more than 256 MiB.
constexpr int kPngMaxSide = 8192;
