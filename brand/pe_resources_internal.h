// What the reader and the writer of a program's resources share: the
// image's headers as the reader checks them, and the reading that the
// writer starts from. The rest of the tool goes through pe_resources.h.
#pragma once

#include "pe_resources.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace pe_image {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kResourceDirectory = 2;
constexpr uint32_t kSecurityDirectory = 4;
constexpr uint32_t kRelocationDirectory = 5;
constexpr uint32_t kHighBit = 0x80000000;

inline uint32_t Get16(const Bytes& b, uint64_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8;
}

inline uint32_t Get32(const Bytes& b, uint64_t at)
{
    return Get16(b, at) | Get16(b, at + 2) << 16;
}

inline bool Fits(uint64_t limit, uint64_t offset, uint64_t size)
{
    return offset <= limit && size <= limit - offset;
}

inline bool Fail(std::string* error, const std::string& reason)
{
    *error = reason;
    return false;
}

// A number as the reasons give it, in hexadecimal.
std::string Hex(uint64_t value);

struct Section {
    std::string name;
    uint32_t virtualSize, virtualAddress, rawSize, rawPointer, characteristics;
    uint64_t header;

    // What the loader maps: a section without a virtual size takes its raw one.
    uint64_t Loaded() const { return virtualSize != 0 ? virtualSize : rawSize; }
    uint64_t FileBacked() const { return std::min<uint64_t>(rawSize, Loaded()); }
};

struct DataDirectory {
    uint32_t rva = 0, size = 0;
};

struct Headers {
    uint16_t machine = 0;
    bool pe32Plus = false;
    uint32_t symbolTable = 0, entryPoint = 0;
    uint32_t sectionAlignment = 0, fileAlignment = 0, checksum = 0;
    uint64_t checksumAt = 0, sizeOfImageAt = 0, initializedDataAt = 0, directoriesAt = 0;
    uint32_t directoryCount = 0;
    std::vector<Section> sections;
};

// An entry of the optional header's data directories; empty past their count.
DataDirectory Directory(const Bytes& image, const Headers& h, uint32_t index);

// The headers and the section table, each checked against the file.
bool ParseHeaders(const Bytes& image, Headers* h, std::string* error);

// The file offset of size bytes at rva, when the file holds all of them.
bool MapRva(const Headers& h, uint64_t rva, uint64_t size, uint64_t* offset);

// A resource's type or name as the reasons quote it.
std::string IdText(const ResourceId& id);

// Every resource under the image's resource directory, in its order.
bool ReadResources(const Bytes& image, const Headers& h, std::vector<ResourceEntry>* entries,
                   std::string* error);

}  // namespace pe_image
