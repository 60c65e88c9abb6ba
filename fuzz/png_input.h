// How both PNG targets take their input: most inputs have each chunk's CRC
// made right first, as far as the chunks' lengths frame them, so that the
// fuzzer reaches the header, the order of the chunks and the image data
// instead of stopping at the first CRC; the rest are read as they come.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

inline void FixPngCrcs(std::vector<uint8_t>& file)
{
    const auto be32 = [](const uint8_t* p) {
        return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    };
    size_t at = 8;
    while (at + 12 <= file.size()) {
        const uint32_t length = be32(&file[at]);
        if (length > file.size() - at - 12)
            return;
        const uint32_t crc = uint32_t(crc32(0, &file[at + 4], uInt(length) + 4));
        for (int i = 0; i < 4; ++i)
            file[at + 8 + length + i] = uint8_t(crc >> (24 - 8 * i));
        at += 12 + length;
    }
}

// The input as the file to read, in a copy of exactly its size, so that a
// read past it is caught; false for inputs too large to be worth reading.
inline bool TakePngInput(const uint8_t* data, size_t size, std::vector<uint8_t>* file)
{
    if (size > (4u << 20))
        return false;
    file->assign(data, data + size);
    if (size % 8 != 0)
        FixPngCrcs(*file);
    return true;
}
