// The version information a program shows in its file's properties (its
// RT_VERSION resource), made for a vendor's texts and numbers just as the
// resource compiler makes it from launcher/program.rc.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr uint16_t kVersionResourceType = 16;  // RT_VERSION
inline constexpr uint16_t kVersionResourceId = 1;     // VS_VERSION_INFO

// The values, each a UTF-16 text. The version, major first, is both the
// file's and the product's, in numbers and as the text "1.0.0.0". An empty
// company name or copyright is left out; the other texts are always there.
struct VersionFields {
    uint16_t version[4];
    std::u16string productName;
    std::u16string fileDescription;
    std::u16string companyName;
    std::u16string legalCopyright;
    std::u16string internalName;
    std::u16string originalFilename;
};

// The shipped programs' values: orveline.exe's, or orveline64.exe's.
VersionFields ShippedVersionFields(bool sixtyFourBit);

// The RT_VERSION resource of these values: VS_VERSIONINFO with its fixed
// part, the strings in the block "040904B0" (US English, Unicode) in the
// order program.rc gives them, and that one translation. Empty where a text
// holds a U+0000, which would end it early, or the resource would outgrow
// its 16-bit lengths.
std::vector<uint8_t> EncodeVersionInfo(const VersionFields& fields);
