// Fuzz target for the branding tool's reader and rewriter of a program's
// resources, which the tool points at whatever files it is given as the
// shipped programs. Whatever the headers and the resource directory claim,
// nothing outside the image is read or written (the sanitizers watch).
// What is read is rewritten as it stands to the very image; a rewrite with
// some resources gone and a picture added, when it is made, reads back as
// exactly those resources, with its checksum right.
#include "pe_resources.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

std::vector<ResourceEntry> Sorted(std::vector<ResourceEntry> entries)
{
    std::stable_sort(entries.begin(), entries.end(),
                     [](const ResourceEntry& a, const ResourceEntry& b) {
                         if (!(a.type == b.type))
                             return ResourceIdLess(a.type, b.type);
                         if (!(a.name == b.name))
                             return ResourceIdLess(a.name, b.name);
                         return a.language < b.language;
                     });
    return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (4u << 20))
        return 0;
    const std::vector<uint8_t> image(data, data + size);
    PeFacts facts;
    std::vector<ResourceEntry> entries;
    std::string error;
    const bool headers = ReadPeFacts(image, &facts, &error);
    if (!ReadPeResources(image, &entries, &error))
        return 0;
    if (!headers)
        __builtin_trap();  // resources read from headers refused

    std::vector<uint8_t> out;
    if (ReplacePeResources(image, entries, &out, &error) && out != image)
        __builtin_trap();

    // Every other resource dropped, and a picture of the tool's kind added
    // under a name no program holds.
    std::vector<ResourceEntry> wanted;
    for (size_t i = 0; i < entries.size(); i += 2)
        wanted.push_back(entries[i]);
    ResourceEntry picture;
    picture.type.name = u"PNG";
    picture.name.name = u"FUZZ";
    picture.language = 0x411;
    picture.data.assign(data, data + std::min<size_t>(size, 300));
    wanted.push_back(picture);
    if (!ReplacePeResources(image, wanted, &out, &error))
        return 0;
    std::vector<ResourceEntry> back;
    PeFacts rewritten;
    if (!ReadPeResources(out, &back, &error) || !ReadPeFacts(out, &rewritten, &error) ||
        Sorted(back) != Sorted(wanted) || rewritten.machine != facts.machine ||
        (rewritten.checksum != 0 && rewritten.checksum != PeChecksum(out)))
        __builtin_trap();
    return 0;
}
