// Fuzz target for the branding tool's PNG decoder, the first code to touch
// a vendor's picture file. Most inputs have their chunks' CRCs made right
// first, so that the fuzzer reaches the chunks' order, the header's rules
// and the image data, which libpng's rules reach only past a good CRC.
// Whatever the file claims, nothing outside it or the decoder's own memory
// is read or written (the sanitizers watch), a refusal leaves no picture,
// and a picture read is whole. Small pictures read go once through the
// tool's PNG writer and must read back the same.
#include "png_codec.h"

#include "png_input.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// Pictures past this are only decoded: writing one tries every way of
// writing it, which would only slow the fuzzer.
constexpr size_t kLargestRewritten = 64 * 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> file;
    if (!TakePngInput(data, size, &file))
        return 0;
    RgbaImage image;
    std::string error;
    if (!DecodePng(file, &image, &error)) {
        if (image.width != 0 || image.height != 0 || !image.rgba.empty() || error.empty())
            __builtin_trap();
        return 0;
    }
    if (image.width < 1 || image.width > kPngMaxSide || image.height < 1 ||
        image.height > kPngMaxSide ||
        image.rgba.size() != size_t(image.width) * size_t(image.height) * 4)
        __builtin_trap();
    if (size_t(image.width) * size_t(image.height) > kLargestRewritten)
        return 0;
    std::vector<uint8_t> png;
    RgbaImage back;
    if (!EncodePng(image, &png, &error) || !DecodePng(png, &back, &error) ||
        back.width != image.width || back.height != image.height || back.rgba != image.rgba)
        __builtin_trap();
    return 0;
}
