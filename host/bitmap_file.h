// Bitmap files read into surfaces as the launcher reads them, for the
// programs that show or check its pictures off Windows: the preview, the
// benchmark and the tests.
#pragma once

#include "pixel_surface.h"

#include <cstdint>
#include <string>
#include <vector>

// Reads a bitmap file as the launcher reads one: the block its header
// announces, the header sizes the launcher lets through, the layout it
// accepts, and the rows copied unchanged into a 32-bit surface. Only 32-bit
// pictures are read: other depths the launcher hands to Windows to convert,
// and they carry no alpha to fade. On failure *picture is left as it was
// and *error says why. *layout, when given, receives the layout read.
bool ReadBitmapSurface(const std::vector<uint8_t>& file, PixelSurface* picture, std::string* error,
                       BitmapLayout* layout = nullptr);
// The same from the file at path; *error names the file.
bool LoadBitmapSurface(const std::string& path, PixelSurface* picture, std::string* error);
