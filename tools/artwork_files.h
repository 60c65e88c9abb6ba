// The vendor's artwork and icon files, read and written for the build: the
// work itself is brand/artwork.h's and brand/icon.h's, on bytes.
#pragma once

#include "artwork.h"
#include "files.h"
#include "icon.h"

#include <cstdint>
#include <string>
#include <vector>

// The picture for a slot from a PNG file, as PrepareArtworkPicture makes it.
// On failure returns false with the reason in *error.
bool PrepareArtwork(const std::string& pngPath, const ArtworkSlot& slot, bool fit,
                    RgbaImage* picture, std::string* error, std::string* note = nullptr);

// Packs both pictures into outDir/tal800.bmp and outDir/tal1280.bmp. Both
// PNGs are read and checked before either file is written; on failure
// *error names every picture that was refused, and files already in outDir
// stay as they were. *report gets a line for each file written.
bool PackArtwork(const std::string& smallPng, const std::string& largePng,
                 const std::string& outDir, bool fit, std::string* error, std::string* report);

// The icon for a file, as IconFromBytes makes it. On failure returns false
// with the reason, naming the file, in *error.
bool IconFromFile(const std::string& path, std::vector<uint8_t>* icon, std::string* error);
