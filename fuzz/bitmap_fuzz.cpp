// Fuzz target for the platform-free half of the loader. An input that starts
// with "BM" is a bitmap file, anything else a packed bitmap as a resource
// holds it. Whatever the header claims, every byte the loader would read or
// write must lie inside the input, the palette block or the surface, which
// the sanitizers check.
#include "surface.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// A small surface, placed against the picture by bytes of the input, so the
// clipped copy is driven too without letting a picture allocate much.
constexpr int32_t kSurfaceSide = 48;

void CopyIntoSmallSurface(const uint8_t* packed, const BitmapLayout& layout, int32_t x, int32_t y)
{
    Surface s;
    if (!SetSurfaceLayout(&s, kSurfaceSide, kSurfaceSide, 32))
        __builtin_trap();
    std::vector<uint8_t> pixels(size_t(s.pitch) * kSurfaceSide);
    std::vector<int32_t> rows(kSurfaceSide);
    s.bits = pixels.data();
    s.rowOffsets = rows.data();
    FillRowOffsets(&s);
    CopyBitmapRows(&s, x, y, packed, &layout);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (64u << 20))
        return 0;
    std::vector<uint8_t> block;
    if (size >= kBitmapFileHeaderSize && data[0] == 'B' && data[1] == 'M') {
        uint32_t blockSize = BitmapFileBlockSize(data, size);
        if (blockSize == 0)
            return 0;
        // The reader's block holds exactly what bfSize announces.
        block.assign(data + kBitmapFileHeaderSize, data + kBitmapFileHeaderSize + blockSize);
        if (!CheckBitmapHeaderSize(block.data(), blockSize))
            return 0;
        block.shrink_to_fit();
        data = block.data();
        size = blockSize;
    }

    BitmapLayout layout;
    if (!ReadBitmapLayout(data, uint32_t(size), &layout))
        return 0;
    if (uint64_t(layout.pixels) + layout.pixelBytes > size || layout.width <= 0 ||
        layout.height <= 0 || layout.width > kBitmapMaxSide || layout.height > kBitmapMaxSide)
        __builtin_trap();
    // Touch the first and last byte of the pixel array the layout vouches for.
    volatile uint8_t edge = data[layout.pixels] ^ data[layout.pixels + layout.pixelBytes - 1];
    (void)edge;

    std::vector<uint8_t> info(kConversionInfoSize);
    BuildConversionInfo(data, &layout, info.data());
    if (layout.colorCount != 0) {
        std::vector<uint8_t> palette(8192);
        WritePaletteEntries(palette.data(), data, &layout);
    }
    if (layout.bitCount == 32) {
        int32_t x = int32_t(size % 97) - 60, y = int32_t(size / 97 % 89) - 60;
        CopyIntoSmallSurface(data, layout, x, y);
    }
    return 0;
}
