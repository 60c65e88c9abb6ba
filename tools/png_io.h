// PNG files through libpng, for the build machine's previews and
// screenshots (the vendor's pictures go through brand/png_codec.h): any PNG
// read as 8-bit red, green, blue and alpha; pictures written back the same
// way. Errors come back as text for the user, never as a crash or a
// half-written file.
#pragma once

#include "files.h"
#include "image.h"

#include <cstdint>
#include <string>
#include <vector>

// Reads any colour type and depth: palettes and grey are expanded, 16-bit
// samples narrowed, and a picture without alpha is opaque. On failure
// returns false with the reason in *error.
bool ReadPng(const std::string& path, RgbaImage* image, std::string* error);
// The same from bytes in memory.
bool ReadPngBytes(const std::vector<uint8_t>& bytes, RgbaImage* image, std::string* error);
// Writes the picture with its alpha; on failure nothing is left at path.
bool WritePng(const std::string& path, const RgbaImage& image, std::string* error);
