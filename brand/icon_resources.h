// A program's icon as resources, from an icon file: each picture its own
// RT_ICON, and the RT_GROUP_ICON "ICON" that lists them, which the window
// class and Explorer ask for. Laid out as the resource compiler lays out
// `"ICON" ICON "file.ico"` (launcher/program.rc).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr uint16_t kIconResourceType = 3;        // RT_ICON
inline constexpr uint16_t kIconGroupResourceType = 14;  // RT_GROUP_ICON
inline constexpr char16_t kIconGroupName[] = u"ICON";

struct IconImage {
    uint16_t id;  // 1 for the file's first picture, and so on
    std::vector<uint8_t> bytes;
};

struct IconResources {
    std::vector<IconImage> images;
    std::vector<uint8_t> group;
};

// The resources of an icon file's bytes. On an icon file that is damaged
// (the checks of CheckIconFile in tools/icon.h) returns false with the
// reason in *error.
bool EncodeIconResources(const std::vector<uint8_t>& file, IconResources* resources,
                         std::string* error);
