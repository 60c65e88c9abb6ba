// Fuzz target for the platform-free half of the loader. An input that starts
// with "BM" is a bitmap file, anything else a packed bitmap as a resource
// holds it. Whatever the header claims, every byte the loader would read or
// write must lie inside the input, the palette block or the surface, which
// the sanitizers check.
#include "small_surface.h"
#include "surface.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

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
        SmallSurface small(size);
        CopyBitmapRows(&small.surface, small.x, small.y, data, &layout);
    }
    return 0;
}
