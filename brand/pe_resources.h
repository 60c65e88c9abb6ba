// The resources of a Windows program, read and rewritten on any build
// machine without Windows or a compiler, so that a vendor's copy of the
// shipped programs comes out the same, byte for byte, wherever it is made.
// Images are untrusted: anything malformed is refused with a reason.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A resource's type or name: a string when name is not empty, else the
// number id.
struct ResourceId {
    uint16_t id = 0;
    std::u16string name;

    bool operator==(const ResourceId&) const = default;
};

struct ResourceEntry {
    ResourceId type, name;
    uint16_t language = 0;
    uint32_t codePage = 0;
    std::vector<uint8_t> data;

    bool operator==(const ResourceEntry&) const = default;
};

struct PeFacts {
    uint16_t machine = 0;  // 0x14c for i386, 0x8664 for amd64
    bool pe32Plus = false;
    bool hasSignature = false;  // a security directory: an Authenticode signature
    uint32_t checksum = 0;      // as stored in the header
};

// Whether a comes before b in a resource directory as Windows looks names
// up: names before numbers, names compared by their UTF-16 units upper-cased
// and then by length, numbers ascending.
bool ResourceIdLess(const ResourceId& a, const ResourceId& b);

// Every resource of the image, in the order of its directory. On failure
// returns false with a one-line reason in *error.
bool ReadPeResources(const std::vector<uint8_t>& image, std::vector<ResourceEntry>* entries,
                     std::string* error);

bool ReadPeFacts(const std::vector<uint8_t>& image, PeFacts* facts, std::string* error);

// The image with its resource section holding exactly these entries, in any
// order. Entries equal to the image's own give the image itself. Otherwise
// the section is rebuilt in one fixed layout, the relocation section after
// it (the only section allowed there) is moved by the change of size, the
// headers are updated and a non-zero checksum is recomputed. Signed images
// are refused, as the signature would no longer hold. On failure returns
// false with a one-line reason in *error.
bool ReplacePeResources(const std::vector<uint8_t>& image,
                        const std::vector<ResourceEntry>& entries, std::vector<uint8_t>* out,
                        std::string* error);

// The PE checksum of the image, its own checksum field counted as zero.
uint32_t PeChecksum(const std::vector<uint8_t>& image);
