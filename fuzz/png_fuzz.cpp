// Fuzz target for the launcher's PNG reader. Most inputs have their chunks'
// CRCs made right first, as far as their lengths frame them, so that the
// fuzzer reaches the header, the order of the chunks and the image data
// instead of stopping at the first CRC; the rest are read as they come.
// Whatever the file claims, every byte read or written must lie inside the
// file, the block of rows or the surface, which the sanitizers check.
#include "surface.h"

#include "png_crcs.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

constexpr int32_t kSurfaceSide = 48;
// Blocks of rows past this are not asked for: the reader's caps allow
// 256 MiB, which would only slow the fuzzer.
constexpr uint32_t kLargestBlock = 64u << 20;

// The picture drawn into a small surface, placed against it by the input's
// size, so the clipped copy is driven too.
void DrawIntoSmallSurface(uint8_t* raw, const PngLayout& layout, size_t size)
{
    Surface s;
    if (!SetSurfaceLayout(&s, kSurfaceSide, kSurfaceSide, 32))
        __builtin_trap();
    std::vector<uint8_t> pixels(size_t(s.pitch) * kSurfaceSide);
    std::vector<int32_t> rows(kSurfaceSide);
    s.bits = pixels.data();
    s.rowOffsets = rows.data();
    FillRowOffsets(&s);
    CopyPngRows(&s, int32_t(size % 97) - 60, int32_t(size / 97 % 89) - 60, raw, &layout);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (4u << 20))
        return 0;
    // A copy of exactly the input's size, so a read past it is caught.
    std::vector<uint8_t> file(data, data + size);
    if (size % 8 != 0)
        FixPngCrcs(file);

    PngLayout layout;
    if (!ReadPngLayout(file.data(), uint32_t(size), nullptr, 0, &layout))
        return 0;
    if (layout.width <= 0 || layout.width > kBitmapMaxSide || layout.height <= 0 ||
        layout.height > kBitmapMaxSide || layout.channels < 1 || layout.channels > 4 ||
        layout.rowBytes != 1 + uint32_t(layout.width) * layout.channels ||
        layout.rawBytes != uint32_t(layout.height) * layout.rowBytes || layout.dataChunks == 0 ||
        layout.firstData + 12 > size)
        __builtin_trap();
    if (layout.rawBytes > kLargestBlock)
        return 0;
    std::vector<uint8_t> raw(layout.rawBytes);
    PngLayout again;
    if (!ReadPngLayout(file.data(), uint32_t(size), raw.data(), layout.rawBytes, &again))
        return 0;
    for (int32_t row = 0; row < layout.height; ++row)
        if (raw[size_t(row) * layout.rowBytes] > 4)
            __builtin_trap();
    DrawIntoSmallSurface(raw.data(), layout, size);
    return 0;
}
