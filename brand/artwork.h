// Turning a user's PNG pictures into what the launcher shows: the PNGs the
// programs hold, and the bitmaps the preview and the launcher's tests read,
// 32-bit bottom-up bit-field bitmap files whose pixels are blue, green, red
// and straight (not premultiplied) alpha, the bytes the launcher copies into
// its surface and blends as they are. Both carry the same pixels, straight
// alpha in each.
#pragma once

#include "image.h"

#include <cstdint>
#include <string>
#include <vector>

// One of the two pictures the launcher looks for.
struct ArtworkSlot {
    const char* name;  // file name without ".png" or ".bmp"; in capitals, the resource's
    const char* use;   // which screens show it, for messages
    int width, height;
};

inline constexpr ArtworkSlot kSmallArtwork{"tal800", "screens up to 800 pixels wide", 195, 145};
inline constexpr ArtworkSlot kLargeArtwork{"tal1280", "screens wider than 800 pixels", 317, 236};
// Optional: the large picture at the scales of show.h's kShowScaleTable,
// each its own slot, named and sized as the table has it; the launcher shows
// the one nearest the screen's scale. The slot of the large picture at that
// scale; null for any other.
const ArtworkSlot* ScaledLargeArtwork(int percent);
// The scales, for messages: "125, 150, 175, 200, 250 or 300".
std::string ScaleChoices();

// The bitmap file of a picture, rows stored bottom-up, in the one form every
// picture built into the program takes: the packer's and make_artwork's.
std::vector<uint8_t> EncodeArtworkBitmap(const RgbaImage& image);

// The pixels of a 32-bit bitmap, as the bitmap files and icons hold them:
// rows bottom-up, each pixel blue, green, red and straight alpha.
void AppendBottomUpBgra(const RgbaImage& image, std::vector<uint8_t>* out);

// Where a picture of width x height lands when scaled to fit inside a box,
// its shape kept, centred.
struct FitPlacement {
    int x, y, width, height;
};
FitPlacement PlaceInside(int width, int height, int boxWidth, int boxHeight);

// The picture scaled into a box of boxWidth x boxHeight as PlaceInside says,
// the rest fully transparent. Each new pixel is the average of the area of
// the picture it covers, weighted by alpha, so the colour hidden under
// transparent pixels cannot tint the edges.
RgbaImage FitInside(const RgbaImage& image, int boxWidth, int boxHeight);

// The picture for a slot from a PNG file's bytes: taken as it is when it
// has the slot's size, scaled to it when fit is set, and refused otherwise.
// name is how messages call the file. On failure returns false with the
// reason in *error; *note, when given, tells how the picture was scaled.
bool PrepareArtworkPicture(const std::vector<uint8_t>& png, const std::string& name,
                           const ArtworkSlot& slot, bool fit, RgbaImage* picture,
                           std::string* error, std::string* note = nullptr);

// The PNG the program holds for a slot, from a PNG file's bytes, as
// PrepareArtworkPicture makes the picture: EncodePng's smallest, read back
// to exactly the picture's pixels before it is given.
bool PackArtworkPng(const std::vector<uint8_t>& png, const std::string& name,
                    const ArtworkSlot& slot, bool fit, std::vector<uint8_t>* packed,
                    std::string* error, std::string* note = nullptr);

// The bitmap file for a slot from a PNG file's bytes, as PrepareArtworkPicture
// makes the picture, checked by the launcher's own reading of bitmaps.
bool PackArtworkBitmap(const std::vector<uint8_t>& png, const std::string& name,
                       const ArtworkSlot& slot, bool fit, std::vector<uint8_t>* bitmap,
                       std::string* error, std::string* note = nullptr);
