#include "icon_resources.h"

#include "resource_bytes.h"

#include <utility>

using brand::Get16;
using brand::Get32;
using brand::Put16;
using brand::Put32;

namespace {

constexpr uint32_t kHeaderSize = 6;
constexpr uint32_t kEntrySize = 16;

}  // namespace

bool EncodeIconResources(const std::vector<uint8_t>& file, IconResources* resources,
                         std::string* error)
{
    if (file.size() < kHeaderSize || Get16(file.data()) != 0 || Get16(file.data() + 2) != 1) {
        *error = "not an icon file";
        return false;
    }
    const uint32_t count = Get16(file.data() + 4);
    if (count == 0) {
        *error = "the icon file holds no pictures";
        return false;
    }
    const uint64_t directoryEnd = kHeaderSize + uint64_t(kEntrySize) * count;
    if (directoryEnd > file.size()) {
        *error = "the icon file ends inside its list of pictures";
        return false;
    }

    IconResources made;
    Put16(made.group, 0);
    Put16(made.group, 1);  // icons, not cursors
    Put16(made.group, count);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* entry = file.data() + kHeaderSize + kEntrySize * i;
        const uint32_t size = Get32(entry + 8), offset = Get32(entry + 12);
        if (size == 0 || offset < directoryEnd || uint64_t(offset) + size > file.size()) {
            *error = "picture " + std::to_string(i + 1) + " of the icon file is not inside it";
            return false;
        }
        const auto picture = file.begin() + offset;
        made.images.push_back({uint16_t(i + 1), std::vector<uint8_t>(picture, picture + size)});

        // The resource compiler leaves the reserved byte 0, counts an
        // unstated number of planes as 1, and takes an unstated depth as the
        // fewest bits that index the stated number of colours.
        const uint32_t colours = entry[2];
        uint32_t planes = Get16(entry + 4), bits = Get16(entry + 6);
        if (planes == 0)
            planes = 1;
        if (bits == 0)
            while ((1u << bits) < colours)
                ++bits;
        made.group.insert(made.group.end(), {entry[0], entry[1], entry[2], 0});
        Put16(made.group, planes);
        Put16(made.group, bits);
        Put32(made.group, size);
        Put16(made.group, i + 1);
    }
    *resources = std::move(made);
    return true;
}
