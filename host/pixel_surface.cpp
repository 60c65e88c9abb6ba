#include "pixel_surface.h"

#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

PixelSurface::PixelSurface(int32_t width, int32_t height, int32_t bitsPerPixel)
{
    if (!SetSurfaceLayout(&record, width, height, bitsPerPixel))
        throw std::invalid_argument("no surface can be " + std::to_string(width) + " x " +
                                    std::to_string(height) + " at " + std::to_string(bitsPerPixel) +
                                    " bits");
    pixels.assign(size_t(record.pitch) * size_t(height), 0);
    // A row FillRowOffsets missed stands out as an offset no row has.
    rows.assign(size_t(height), -1);
    record.bits = pixels.data();
    record.rowOffsets = rows.data();
    FillRowOffsets(&record);
}

// A moved vector keeps its buffer, so the record's pointers stay good; the
// record left behind must not point into what is no longer its own.
PixelSurface::PixelSurface(PixelSurface&& other) noexcept
    : record(other.record), pixels(std::move(other.pixels)), rows(std::move(other.rows))
{
    other.record = Surface{};
}

PixelSurface& PixelSurface::operator=(PixelSurface&& other) noexcept
{
    if (this != &other) {
        record = other.record;
        pixels = std::move(other.pixels);
        rows = std::move(other.rows);
        other.record = Surface{};
    }
    return *this;
}

PixelSurface PixelSurface::Clone() const
{
    PixelSurface copy(record.width, record.height, record.bytesPerPixel * 8);
    std::memcpy(copy.pixels.data(), pixels.data(), pixels.size());
    copy.record.colorKey = record.colorKey;
    return copy;
}
