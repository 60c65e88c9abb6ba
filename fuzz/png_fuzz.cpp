// Fuzz target for the launcher's PNG reader, most inputs with their CRCs
// made right first (png_input.h).
// Whatever the file claims, every byte read or written must lie inside the
// file, the block of rows or the surface, which the sanitizers check.
#include "png_input.h"
#include "small_surface.h"
#include "surface.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// Blocks of rows past this are not asked for: the reader's caps allow
// 256 MiB, which would only slow the fuzzer.
constexpr uint32_t kLargestBlock = 64u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> file;
    if (!TakePngInput(data, size, &file))
        return 0;

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
    SmallSurface small(size);
    CopyPngRows(&small.surface, small.x, small.y, raw.data(), &layout);
    return 0;
}
