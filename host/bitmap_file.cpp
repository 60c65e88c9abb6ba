#include "bitmap_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

bool ReadBitmapSurface(const std::vector<uint8_t>& file, PixelSurface* picture, std::string* error,
                       BitmapLayout* layout)
{
    error->clear();
    if (file.size() < kBitmapFileHeaderSize) {
        *error = "too short for a bitmap file";
        return false;
    }
    const uint32_t blockSize = BitmapFileBlockSize(file.data(), file.size());
    if (blockSize == 0) {
        *error = "not a bitmap file, or its header announces more bytes than the file holds";
        return false;
    }
    const uint8_t* packed = file.data() + kBitmapFileHeaderSize;
    BitmapLayout read;
    if (!ReadBitmapLayout(packed, blockSize, &read)) {
        *error = "the launcher would refuse this bitmap: its header is malformed, it is too "
                 "large, or its pixels run past the file";
        return false;
    }
    if (read.bitCount != 32) {
        *error = "a " + std::to_string(read.bitCount) +
                 "-bit bitmap; the show needs 32-bit pixels with alpha to fade";
        return false;
    }
    PixelSurface result(read.width, read.height);
    CopyBitmapRows(result.get(), 0, 0, packed, &read);
    *picture = std::move(result);
    if (layout != nullptr)
        *layout = read;
    return true;
}

bool LoadBitmapSurface(const std::string& path, PixelSurface* picture, std::string* error)
{
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) {
        *error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) {
        *error = "cannot read " + path;
        return false;
    }
    if (!ReadBitmapSurface(bytes, picture, error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}
