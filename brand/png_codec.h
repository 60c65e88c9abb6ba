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

// The picture with its alpha as an 8-bit RGBA PNG. On failure returns false
// with the reason in *error.
bool EncodePng(const RgbaImage& image, std::vector<uint8_t>* bytes, std::string* error);
