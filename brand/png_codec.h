// PNG in memory, on every platform the tools are built for. Decoding gives
// exactly the pixels of tools/png_io's libpng reader, the one the Linux
// packer has always used, and refuses the files it refuses: any colour type
// and depth becomes 8-bit RGBA (palettes and low-depth grey expanded,
// transparency chunks turned into alpha, 16-bit samples cut to their high
// byte, gamma ignored), and a damaged file is refused, never half read.
#pragma once

#include "image.h"

#include <cstdint>
#include <string>
#include <vector>

// On failure returns false with a one-line reason in *error.
bool DecodePng(const std::vector<uint8_t>& bytes, RgbaImage* image, std::string* error);

// The colour types the writer uses, by their number in the header: 8 bits
// a sample, never a palette.
enum class PngColourType : uint8_t { kGrey = 0, kRgb = 2, kGreyAlpha = 4, kRgba = 6 };

// Which of them the writer may choose: the one that makes the smallest file
// of those that keep every pixel, or RGBA alone, as icons need it.
enum class PngColours { kSmallest, kRgba };

// The picture as the smallest PNG this writer finds for it: 8 bits a
// sample, not interlaced, straight alpha, only the header, one image data
// chunk and the end. Each colour type allowed, with each of PNG's filters
// for the whole picture and with libpng's choice of filter row by row, is
// compressed at zlib's level 6, and the two smallest again at level 9 in
// zlib's default and filtered strategies, the smallest of which is kept. The same picture gives the
// same bytes on every platform. On failure returns false with the reason in *error.
bool EncodePng(const RgbaImage& image, std::vector<uint8_t>* bytes, std::string* error,
               PngColours colours = PngColours::kSmallest);
