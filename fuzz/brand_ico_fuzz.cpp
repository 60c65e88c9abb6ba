// Fuzz target for the branding tool's reading of a vendor's icon file: the
// check of its directory and the icon resources made from it. Whatever the
// directory claims, nothing outside the file is read (the sanitizers
// watch); the check and the resources take and refuse the same files; and
// resources made hold each picture exactly as the file's directory places
// it, listed in a group of the right size.
#include "icon.h"
#include "icon_resources.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

uint32_t Le16(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}
uint32_t Le32(const uint8_t* p)
{
    return Le16(p) | Le16(p + 2) << 16;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    const std::vector<uint8_t> file(data, data + size);
    std::string checked, made;
    IconResources resources;
    const bool fine = CheckIconFile(file, &checked);
    if (fine != EncodeIconResources(file, &resources, &made))
        __builtin_trap();
    if (!fine) {
        if (checked.empty() || made.empty() || !resources.images.empty() ||
            !resources.group.empty())
            __builtin_trap();
        return 0;
    }
    const uint32_t count = Le16(data + 4);
    if (resources.images.size() != count || resources.group.size() != 6 + 14 * size_t(count))
        __builtin_trap();
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* entry = data + 6 + 16 * i;
        const IconImage& image = resources.images[i];
        const uint32_t bytes = Le32(entry + 8), offset = Le32(entry + 12);
        if (image.id != i + 1 || image.bytes.size() != bytes ||
            std::memcmp(image.bytes.data(), data + offset, bytes) != 0 ||
            Le32(&resources.group[6 + 14 * i + 8]) != bytes ||
            Le16(&resources.group[6 + 14 * i + 12]) != i + 1)
            __builtin_trap();
    }
    return 0;
}
