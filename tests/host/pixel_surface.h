// Surfaces over plain memory for tests that run without Windows. The pixel
// array is exactly pitch * height bytes, so under AddressSanitizer a routine
// that strays one byte outside its surface is caught at once.
#pragma once

#include "surface.h"

#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

struct PixelSurface {
    Surface record{};
    std::vector<uint8_t> pixels;
    std::vector<int32_t> rows;

    PixelSurface(int32_t width, int32_t height, int32_t bitsPerPixel = 32)
    {
        if (!SetSurfaceLayout(&record, width, height, bitsPerPixel))
            throw std::invalid_argument("surface layout refused");
        pixels.assign(size_t(record.pitch) * size_t(height), 0);
        rows.assign(size_t(height), -1);
        record.bits = pixels.data();
        record.rowOffsets = rows.data();
        FillRowOffsets(&record);
    }
    PixelSurface(const PixelSurface&) = delete;
    PixelSurface& operator=(const PixelSurface&) = delete;

    Surface* operator->() { return &record; }
    Surface* get() { return &record; }
    uint8_t* at(int32_t x, int32_t y)
    {
        return record.bits + record.rowOffsets[y] + x * record.bytesPerPixel;
    }
    void randomize(std::mt19937& rng)
    {
        for (auto& b : pixels)
            b = uint8_t(rng());
    }
};
