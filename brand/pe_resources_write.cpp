// A program's resources rewritten: the section rebuilt in one fixed layout
// and the headers, the relocations after it and the checksum made to follow.
#include "pe_resources_internal.h"

#include <algorithm>

using namespace pe_image;

namespace {

constexpr uint32_t kInitializedData = 0x40;
// Directory offsets keep their high bit for a flag, so a section stays well
// below 2 GiB.
constexpr uint64_t kMaxResourceSection = uint64_t(1) << 30;
// Resource compilers start each resource's data on this boundary.
constexpr uint32_t kDataAlignment = 8;

void Set16(Bytes& b, uint64_t at, uint32_t value)
{
    b[at] = uint8_t(value);
    b[at + 1] = uint8_t(value >> 8);
}

void Set32(Bytes& b, uint64_t at, uint32_t value)
{
    Set16(b, at, value & 0xFFFF);
    Set16(b, at + 2, value >> 16);
}

uint64_t AlignUp(uint64_t value, uint32_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

// Windows looks resource names up ignoring case, through its own table of
// upper-case letters. These are the parts of it for the Latin, Greek and
// Cyrillic alphabets; any other unit stands for itself, so the order is the
// same on every build machine.
char16_t Upper(char16_t c)
{
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ||
        (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) || (c >= 0x430 && c <= 0x44F))
        return char16_t(c - 0x20);
    if (c >= 0x450 && c <= 0x45F)
        return char16_t(c - 0x50);
    if (c == 0x3C2)
        return 0x3A3;
    if (c == 0xFF)
        return 0x178;
    return c;
}

int CompareIds(const ResourceId& a, const ResourceId& b)
{
    if (a.name.empty() != b.name.empty())
        return a.name.empty() ? 1 : -1;
    if (a.name.empty())
        return int(a.id) - int(b.id);
    const size_t common = std::min(a.name.size(), b.name.size());
    for (size_t i = 0; i < common; ++i) {
        const char16_t x = Upper(a.name[i]), y = Upper(b.name[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.name.size() == b.name.size() ? 0 : a.name.size() < b.name.size() ? -1 : 1;
}

bool EntryLess(const ResourceEntry& a, const ResourceEntry& b)
{
    if (const int type = CompareIds(a.type, b.type); type != 0)
        return type < 0;
    if (const int name = CompareIds(a.name, b.name); name != 0)
        return name < 0;
    return a.language < b.language;
}

struct NameGroup {
    const ResourceId* name;
    std::vector<const ResourceEntry*> languages;
    uint64_t directory = 0, string = 0;
};

struct TypeGroup {
    const ResourceId* type;
    std::vector<NameGroup> names;
    uint64_t directory = 0, string = 0;
};

// Two spellings that Windows takes for one name would share a directory
// entry and lose one spelling; two equal keys would hide one resource.
bool Group(const std::vector<ResourceEntry>& sorted, std::vector<TypeGroup>* types,
           std::string* error)
{
    for (const ResourceEntry& e : sorted) {
        if (e.type.name.size() > 0xFFFF || e.name.name.size() > 0xFFFF)
            return Fail(error, "a resource name longer than 65535 units");
        if (types->empty() || CompareIds(*types->back().type, e.type) != 0) {
            types->push_back({&e.type, {}});
        } else if (*types->back().type != e.type) {
            return Fail(error, "resource types " + IdText(*types->back().type) + " and " +
                                   IdText(e.type) + " differ only in case");
        }
        std::vector<NameGroup>& names = types->back().names;
        if (names.empty() || CompareIds(*names.back().name, e.name) != 0) {
            names.push_back({&e.name, {}});
        } else if (*names.back().name != e.name) {
            return Fail(error, "resource names " + IdText(*names.back().name) + " and " +
                                   IdText(e.name) + " differ only in case");
        } else if (names.back().languages.back()->language == e.language) {
            return Fail(error, "two resources " + IdText(e.type) + "/" + IdText(e.name) +
                                   " in language " + std::to_string(e.language));
        }
        names.back().languages.push_back(&e);
    }
    return true;
}

void PutDirectory(Bytes& out, uint64_t at, uint32_t named, uint32_t ids)
{
    Set16(out, at + 12, named);
    Set16(out, at + 14, ids);
}

void PutEntry(Bytes& out, uint64_t at, const ResourceId& id, uint64_t string, uint32_t target)
{
    Set32(out, at, id.name.empty() ? id.id : uint32_t(string) | kHighBit);
    Set32(out, at + 4, target);
}

void PutString(Bytes& out, uint64_t at, const std::u16string& text)
{
    Set16(out, at, uint32_t(text.size()));
    for (size_t i = 0; i < text.size(); ++i)
        Set16(out, at + 2 + 2 * i, text[i]);
}

template <typename G>
uint32_t NamedCount(const std::vector<G>& groups, const ResourceId* G::*id)
{
    return uint32_t(std::count_if(groups.begin(), groups.end(),
                                  [&](const G& g) { return !(g.*id)->name.empty(); }));
}

// One layout for any set of resources: every directory, each type's right
// after its entry's parent, then the data entries, the names, and the data.
bool BuildSection(std::vector<TypeGroup>& types, size_t count, uint32_t rva, Bytes* out,
                  std::string* error)
{
    uint64_t at = 16 + 8 * uint64_t(types.size());
    for (TypeGroup& t : types) {
        t.directory = at;
        at += 16 + 8 * uint64_t(t.names.size());
        for (NameGroup& n : t.names) {
            n.directory = at;
            at += 16 + 8 * uint64_t(n.languages.size());
        }
    }
    const uint64_t dataEntries = at;
    at += 16 * uint64_t(count);
    for (TypeGroup& t : types) {
        if (!t.type->name.empty()) {
            t.string = at;
            at += 2 + 2 * uint64_t(t.type->name.size());
        }
        for (NameGroup& n : t.names)
            if (!n.name->name.empty()) {
                n.string = at;
                at += 2 + 2 * uint64_t(n.name->name.size());
            }
    }
    std::vector<uint64_t> data;
    for (const TypeGroup& t : types)
        for (const NameGroup& n : t.names)
            for (const ResourceEntry* e : n.languages) {
                at = AlignUp(at, kDataAlignment);
                data.push_back(at);
                at += e->data.size();
                if (at > kMaxResourceSection)
                    return Fail(error, "the resources add up to more than 1 GiB");
            }
    at = AlignUp(at, kDataAlignment);
    if (uint64_t(rva) + at > 0xFFFFFFFFu)
        return Fail(error, "the resources would end beyond 4 GiB");

    out->assign(at, 0);
    const uint32_t namedTypes = NamedCount(types, &TypeGroup::type);
    PutDirectory(*out, 0, namedTypes, uint32_t(types.size()) - namedTypes);
    size_t index = 0;
    for (size_t ti = 0; ti < types.size(); ++ti) {
        const TypeGroup& t = types[ti];
        PutEntry(*out, 16 + 8 * ti, *t.type, t.string, uint32_t(t.directory) | kHighBit);
        const uint32_t named = NamedCount(t.names, &NameGroup::name);
        PutDirectory(*out, t.directory, named, uint32_t(t.names.size()) - named);
        for (size_t ni = 0; ni < t.names.size(); ++ni) {
            const NameGroup& n = t.names[ni];
            PutEntry(*out, t.directory + 16 + 8 * ni, *n.name, n.string,
                     uint32_t(n.directory) | kHighBit);
            PutDirectory(*out, n.directory, 0, uint32_t(n.languages.size()));
            for (size_t li = 0; li < n.languages.size(); ++li, ++index) {
                const ResourceEntry& e = *n.languages[li];
                const uint64_t entry = dataEntries + 16 * index;
                PutEntry(*out, n.directory + 16 + 8 * li, ResourceId{e.language, {}}, 0,
                         uint32_t(entry));
                Set32(*out, entry, rva + uint32_t(data[index]));
                Set32(*out, entry + 4, uint32_t(e.data.size()));
                Set32(*out, entry + 8, e.codePage);
                std::copy(e.data.begin(), e.data.end(), out->begin() + data[index]);
            }
            if (!n.name->name.empty())
                PutString(*out, n.string, n.name->name);
        }
        if (!t.type->name.empty())
            PutString(*out, t.string, t.type->name);
    }
    return true;
}

// Whether the resource section can grow or shrink with only the headers to
// follow it: it holds the resources alone, and after it comes at most the
// relocation section, holding only relocations, none of which patch the
// resources or anything after them.
bool CheckMovable(const Bytes& image, const Headers& h, size_t r, std::string* error)
{
    const Section& rsrc = h.sections[r];
    if (rsrc.rawSize == 0)
        return Fail(error, "the resource section has no data in the file");
    for (size_t i = 0; i < r; ++i) {
        const Section& s = h.sections[i];
        if ((s.rawSize != 0 && uint64_t(s.rawPointer) + s.rawSize > rsrc.rawPointer) ||
            uint64_t(s.virtualAddress) + s.Loaded() > rsrc.virtualAddress)
            return Fail(error, "section " + s.name + " lies after the resources");
    }
    if (h.sections.size() > r + 2)
        return Fail(error, std::to_string(h.sections.size() - r - 1) +
                               " sections follow the resources (" + h.sections[r + 1].name +
                               ", ...); only the relocations may");
    const DataDirectory relocations = Directory(image, h, kRelocationDirectory);
    uint64_t fileEnd = uint64_t(rsrc.rawPointer) + rsrc.rawSize;
    if (r + 1 < h.sections.size()) {
        const Section& next = h.sections[r + 1];
        if (relocations.rva != next.virtualAddress || relocations.size == 0 ||
            relocations.size > next.Loaded())
            return Fail(error,
                        "section " + next.name +
                            " follows the resources and does not hold the relocations alone");
        if (next.virtualAddress < uint64_t(rsrc.virtualAddress) + rsrc.Loaded())
            return Fail(error, "section " + next.name + " overlaps the resources");
        if (next.rawSize != 0) {
            if (next.rawPointer < fileEnd || next.rawPointer > AlignUp(fileEnd, h.fileAlignment))
                return Fail(error, "bytes between the resources and section " + next.name +
                                       " belong to no section");
            fileEnd = uint64_t(next.rawPointer) + next.rawSize;
        }
    } else if (relocations.rva != 0 &&
               uint64_t(relocations.rva) + relocations.size > rsrc.virtualAddress) {
        return Fail(error, "the relocation directory lies in the resources");
    }
    // The linker may leave the padding up to the file alignment out of a
    // section's raw size.
    if (image.size() < fileEnd || image.size() > AlignUp(fileEnd, h.fileAlignment))
        return Fail(error,
                    std::to_string(image.size() - std::min<uint64_t>(image.size(), fileEnd)) +
                        " bytes after the last section would not move with it");
    if (h.symbolTable != 0)
        return Fail(error, "the program has a COFF symbol table");
    if (h.entryPoint >= rsrc.virtualAddress)
        return Fail(error, "the entry point lies in the resources or after them");
    for (uint32_t i = 0; i < h.directoryCount; ++i) {
        const DataDirectory d = Directory(image, h, i);
        if (i != kResourceDirectory && i != kRelocationDirectory && d.rva != 0 &&
            uint64_t(d.rva) + d.size > rsrc.virtualAddress)
            return Fail(error, "data directory " + std::to_string(i) +
                                   " points into the resources or after them");
    }
    if (relocations.rva == 0)
        return true;
    uint64_t at = 0;
    if (!MapRva(h, relocations.rva, relocations.size, &at))
        return Fail(error, "the relocations lie outside the file");
    for (uint64_t end = at + relocations.size; at < end;) {
        if (!Fits(end, at, 8))
            return Fail(error, "a relocation block runs past the relocations");
        const uint32_t page = Get32(image, at), size = Get32(image, at + 4);
        if (size < 8 || size % 2 != 0 || !Fits(end, at, size))
            return Fail(error, "a relocation block of " + std::to_string(size) + " bytes at " +
                                   Hex(at) + " is malformed");
        for (uint64_t e = at + 8; e < at + size; e += 2) {
            const uint32_t value = Get16(image, e);
            if (value >> 12 != 0 && uint64_t(page) + (value & 0xFFF) >= rsrc.virtualAddress)
                return Fail(error, "a relocation patches " + Hex(uint64_t(page) + (value & 0xFFF)) +
                                       ", in the resources or after them");
        }
        at += size;
    }
    return true;
}

}  // namespace

bool ResourceIdLess(const ResourceId& a, const ResourceId& b)
{
    return CompareIds(a, b) < 0;
}

bool ReplacePeResources(const std::vector<uint8_t>& image,
                        const std::vector<ResourceEntry>& entries, std::vector<uint8_t>* out,
                        std::string* error)
{
    Headers h;
    if (!ParseHeaders(image, &h, error))
        return false;
    const DataDirectory security = Directory(image, h, kSecurityDirectory);
    if (security.rva != 0 || security.size != 0)
        return Fail(error,
                    "the program is signed, and its signature would not hold for a changed copy");
    std::vector<ResourceEntry> own;
    if (!ReadResources(image, h, &own, error))
        return false;
    std::vector<ResourceEntry> wanted = entries;
    std::stable_sort(wanted.begin(), wanted.end(), EntryLess);
    std::vector<TypeGroup> types;
    if (!Group(wanted, &types, error))
        return false;
    std::stable_sort(own.begin(), own.end(), EntryLess);
    if (own == wanted) {
        *out = image;
        return true;
    }

    const DataDirectory resources = Directory(image, h, kResourceDirectory);
    size_t r = 0;
    while (r < h.sections.size() &&
           (resources.rva == 0 || h.sections[r].virtualAddress != resources.rva))
        ++r;
    if (r == h.sections.size())
        return Fail(error, "the program has no resource section to replace");
    if (!CheckMovable(image, h, r, error))
        return false;
    const Section& rsrc = h.sections[r];
    Bytes section;
    if (!BuildSection(types, wanted.size(), rsrc.virtualAddress, &section, error))
        return false;

    const uint64_t rawSize = AlignUp(section.size(), h.fileAlignment);
    const bool hasNext = r + 1 < h.sections.size();
    const uint64_t nextRawSize = hasNext ? h.sections[r + 1].rawSize : 0;
    if (uint64_t(rsrc.rawPointer) + rawSize + nextRawSize > 0xFFFFFFFFu)
        return Fail(error, "the program would grow beyond 4 GiB");
    Bytes result(image.begin(), image.begin() + rsrc.rawPointer);
    result.insert(result.end(), section.begin(), section.end());
    result.resize(rsrc.rawPointer + rawSize, 0);
    Set32(result, rsrc.header + 8, uint32_t(section.size()));
    Set32(result, rsrc.header + 16, uint32_t(rawSize));
    Set32(result, h.directoriesAt + 8 * kResourceDirectory + 4, uint32_t(section.size()));
    uint64_t imageEnd = rsrc.virtualAddress + section.size();
    if (hasNext) {
        const Section& next = h.sections[r + 1];
        const uint64_t address = AlignUp(imageEnd, h.sectionAlignment);
        imageEnd = address + next.Loaded();
        if (imageEnd > 0xFFFFFFFFu)
            return Fail(error, "the program would end beyond 4 GiB");
        if (next.rawSize != 0) {
            Set32(result, next.header + 20, uint32_t(result.size()));
            const auto data = image.begin() + next.rawPointer;
            result.insert(result.end(), data, data + next.rawSize);
        }
        Set32(result, next.header + 12, uint32_t(address));
        Set32(result, h.directoriesAt + 8 * kRelocationDirectory, uint32_t(address));
    }
    const uint64_t sizeOfImage = AlignUp(imageEnd, h.sectionAlignment);
    if (sizeOfImage > 0xFFFFFFFFu)
        return Fail(error, "the program would end beyond 4 GiB");
    Set32(result, h.sizeOfImageAt, uint32_t(sizeOfImage));
    // Linkers count each data section's raw size rounded up to the file
    // alignment, even where they store it unrounded.
    if (rsrc.characteristics & kInitializedData) {
        const uint64_t before = Get32(result, h.initializedDataAt);
        const uint64_t counted = std::min(before, AlignUp(rsrc.rawSize, h.fileAlignment));
        Set32(result, h.initializedDataAt, uint32_t(before - counted + rawSize));
    }
    if (h.checksum != 0) {
        Set32(result, h.checksumAt, 0);
        Set32(result, h.checksumAt, PeChecksum(result));
    }
    *out = std::move(result);
    return true;
}

uint32_t PeChecksum(const std::vector<uint8_t>& image)
{
    uint64_t field = UINT64_MAX;
    if (image.size() >= 0x40) {
        const uint64_t pe = Get32(image, 0x3C);
        if (Fits(image.size(), pe, 24 + 68))
            field = pe + 24 + 64;
    }
    const auto byte = [&](uint64_t at) -> uint32_t {
        return at >= image.size() || (at >= field && at < field + 4) ? 0 : image[at];
    };
    uint32_t sum = 0;
    for (uint64_t at = 0; at < image.size(); at += 2) {
        sum += byte(at) | byte(at + 1) << 8;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return uint32_t((sum & 0xFFFF) + image.size());
}
