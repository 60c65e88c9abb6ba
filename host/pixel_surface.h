// Surfaces over memory of their own, for the programs that run the
// product's pixel code without a platform surface: the tests, the preview
// and the pixel benchmark. Each is laid out by the product's
// SetSurfaceLayout and FillRowOffsets like any other. The pixel array is
// exactly pitch * height bytes, so under AddressSanitizer a routine that
// strays one byte outside its surface is caught at once.
#pragma once

#include "surface.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <random>
#include <vector>

// Pixel memory that starts on a page, as a platform bitmap's does, so that
// no routine (nor the benchmark's memcpy beside them) gains or loses by
// where the heap happened to put the bytes.
template <class T>
struct PageAllocator {
    using value_type = T;
    static constexpr std::align_val_t kPage{4096};

    PageAllocator() = default;
    template <class U>
    PageAllocator(const PageAllocator<U>&)
    {
    }
    T* allocate(size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), kPage)); }
    void deallocate(T* p, size_t) { ::operator delete(p, kPage); }
    friend bool operator==(const PageAllocator&, const PageAllocator&) { return true; }
};
using PixelBytes = std::vector<uint8_t, PageAllocator<uint8_t>>;

struct PixelSurface {
    Surface record{};
    PixelBytes pixels;
    std::vector<int32_t> rows;

    // No surface: a record of zeroes, to be given one by a move.
    PixelSurface() = default;
    // Throws std::invalid_argument for sizes SetSurfaceLayout refuses.
    PixelSurface(int32_t width, int32_t height, int32_t bitsPerPixel = 32);
    PixelSurface(PixelSurface&& other) noexcept;
    PixelSurface& operator=(PixelSurface&& other) noexcept;
    // Copies only when asked (Clone), never by accident.
    PixelSurface(const PixelSurface&) = delete;
    PixelSurface& operator=(const PixelSurface&) = delete;

    // A surface of its own with the same size, pixels and colour key.
    PixelSurface Clone() const;

    Surface* operator->() { return &record; }
    const Surface* operator->() const { return &record; }
    Surface* get() { return &record; }
    const Surface* get() const { return &record; }
    int32_t width() const { return record.width; }
    int32_t height() const { return record.height; }
    uint8_t* at(int32_t x, int32_t y)
    {
        return record.bits + record.rowOffsets[y] + x * record.bytesPerPixel;
    }
    const uint8_t* at(int32_t x, int32_t y) const
    {
        return record.bits + record.rowOffsets[y] + x * record.bytesPerPixel;
    }
    void randomize(std::mt19937& rng)
    {
        for (auto& b : pixels)
            b = uint8_t(rng());
    }
};
