// PNG files for the build machine's tools: any PNG read as 8-bit red, green,
// blue and alpha; pictures written back the same way. Errors come back as
// text for the user, never as a crash or a half-written file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RgbaImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;  // rows top-down, 4 bytes a pixel
    uint8_t* at(int x, int y) { return rgba.data() + (size_t(y) * size_t(width) + size_t(x)) * 4; }
    const uint8_t* at(int x, int y) const
    {
        return rgba.data() + (size_t(y) * size_t(width) + size_t(x)) * 4;
    }
};

// Largest side read: an 8K screenshot fits, and a hostile header cannot ask
// for more than 256 MiB.
constexpr int kPngMaxSide = 8192;

// The whole of a file; on failure false, with the reason in *error.
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes, std::string* error);
// Reads any colour type and depth: palettes and grey are expanded, 16-bit
// samples narrowed, and a picture without alpha is opaque. On failure
// returns false with the reason in *error.
bool ReadPng(const std::string& path, RgbaImage* image, std::string* error);
// The same from bytes in memory.
bool ReadPngBytes(const std::vector<uint8_t>& bytes, RgbaImage* image, std::string* error);
// The PNG file of the picture with its alpha, in memory. On failure
// returns false with the reason in *error.
bool EncodePng(const RgbaImage& image, std::vector<uint8_t>* bytes, std::string* error);
// Writes the picture with its alpha; on failure nothing is left at path.
bool WritePng(const std::string& path, const RgbaImage& image, std::string* error);
