// A vendor's programs made from the shipped ones: their resources replaced
// as the options ask, nothing else of them changed.
#pragma once

#include "artwork.h"
#include "brand_options.h"
#include "icon_resources.h"
#include "pe_resources.h"

#include <cstdint>
#include <string>
#include <vector>

// What goes into both programs, made once from the options.
struct BrandInputs {
    std::vector<uint8_t> small, large;  // the PNG files the program holds
    struct Scaled {
        const ArtworkSlot* slot;
        std::vector<uint8_t> packed;
    };
    std::vector<Scaled> scaled;  // the large picture at the scales given
    bool hasIcon = false;
    IconResources icon;
};

// Reads, checks and packs the pictures and the icon the options name.
// Every file is checked before the answer; on failure *refusals holds a
// line for each file refused.
bool PrepareBrandInputs(const BrandOptions& options, BrandInputs* inputs,
                        std::vector<std::string>* refusals);

// One of the two shipped programs, as the tool found it.
struct BrandTemplate {
    std::string path;
    bool is64 = false;
    std::vector<uint8_t> image;
    std::vector<ResourceEntry> entries;
};

// Reads the program at path and checks that it is the shipped 32-bit
// (orveline.exe) or 64-bit (orveline64.exe) program of this very version
// of Orveline, unsigned. On failure *error says why, in one line.
bool LoadBrandTemplate(const std::string& path, bool is64, const uint16_t orveline[3],
                       BrandTemplate* program, std::string* error);

// The vendor's program made from the template: the pictures as PNG
// resources, no bitmap of their names left. With the shipped pictures and
// no option, it is the template byte for byte.
bool BrandProgram(const BrandTemplate& program, const BrandOptions& options,
                  const BrandInputs& inputs, const uint16_t orveline[3], std::vector<uint8_t>* out,
                  std::string* error);
