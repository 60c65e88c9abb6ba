// The Windows icon built into orveline.exe, made on the build machine from a
// vendor's picture or taken from an icon file the vendor already has.
#pragma once

#include "image.h"

#include <cstdint>
#include <string>
#include <vector>

// The sizes an icon made from a picture holds, in the order stored. Up to 48
// they are plain 32-bit bitmaps, which every Windows reads; 256 is a PNG,
// which Windows reads from Vista on and which large icon views ask for.
inline constexpr int kIconSizes[] = {16, 32, 48, 256};
inline constexpr int kIconPngSize = 256;

// The icon file of a picture of any size: each of kIconSizes made with
// FitInside, so a picture that is not square sits centred on a transparent
// border. On failure returns false with the reason in *error.
bool EncodeIcon(const RgbaImage& picture, std::vector<uint8_t>* icon, std::string* error);

// Whether bytes hold an icon file Windows can take: its header, and a
// directory whose every picture lies inside the file. The pictures
// themselves are not decoded. On failure returns false with the reason in
// *error.
bool CheckIconFile(const std::vector<uint8_t>& bytes, std::string* error);

// The icon from a file's bytes: those of a file whose name ends in .ico
// checked and taken as they are, any other read as a PNG and encoded. name
// is the file's, for its ending and for messages. On failure returns false
// with the reason, naming the file, in *error.
bool IconFromBytes(const std::vector<uint8_t>& bytes, const std::string& name,
                   std::vector<uint8_t>* icon, std::string* error);
