#include "pe_resources.h"

#include <algorithm>
#include <set>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kResourceDirectory = 2;
constexpr uint32_t kSecurityDirectory = 4;
constexpr uint32_t kRelocationDirectory = 5;
constexpr uint32_t kHighBit = 0x80000000;
constexpr uint32_t kInitializedData = 0x40;
constexpr size_t kMaxSections = 96;
constexpr size_t kMaxDirectoryEntries = 65536;
// Directory offsets keep their high bit for a flag, so a section stays well
// below 2 GiB.
constexpr uint64_t kMaxResourceSection = uint64_t(1) << 30;
// Resource compilers start each resource's data on this boundary.
constexpr uint32_t kDataAlignment = 8;

uint32_t Get16(const Bytes& b, uint64_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8;
}

uint32_t Get32(const Bytes& b, uint64_t at)
{
    return Get16(b, at) | Get16(b, at + 2) << 16;
}

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

bool Fits(uint64_t limit, uint64_t offset, uint64_t size)
{
    return offset <= limit && size <= limit - offset;
}

uint64_t AlignUp(uint64_t value, uint32_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

bool PowerOfTwo(uint32_t value)
{
    return value != 0 && (value & (value - 1)) == 0;
}

bool Fail(std::string* error, const std::string& reason)
{
    *error = reason;
    return false;
}

std::string Hex(uint64_t value)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), digits[value & 15]);
        value >>= 4;
    } while (value != 0);
    return "0x" + text;
}

struct Section {
    std::string name;
    uint32_t virtualSize, virtualAddress, rawSize, rawPointer, characteristics;
    uint64_t header;

    // What the loader maps: a section without a virtual size takes its raw one.
    uint64_t Loaded() const { return virtualSize != 0 ? virtualSize : rawSize; }
    uint64_t FileBacked() const { return std::min<uint64_t>(rawSize, Loaded()); }
};

struct DataDirectory {
    uint32_t rva = 0, size = 0;
};

struct Headers {
    uint16_t machine = 0;
    bool pe32Plus = false;
    uint32_t symbolTable = 0, entryPoint = 0;
    uint32_t sectionAlignment = 0, fileAlignment = 0, checksum = 0;
    uint64_t checksumAt = 0, sizeOfImageAt = 0, initializedDataAt = 0, directoriesAt = 0;
    uint32_t directoryCount = 0;
    std::vector<Section> sections;
};

DataDirectory Directory(const Bytes& image, const Headers& h, uint32_t index)
{
    if (index >= h.directoryCount)
        return {};
    const uint64_t at = h.directoriesAt + 8 * uint64_t(index);
    return {Get32(image, at), Get32(image, at + 4)};
}

bool ParseHeaders(const Bytes& image, Headers* h, std::string* error)
{
    if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z')
        return Fail(error, "not a Windows program: no MZ header");
    const uint64_t pe = Get32(image, 0x3C);
    if (!Fits(image.size(), pe, 24))
        return Fail(error, "the PE header at " + Hex(pe) + " lies outside the file");
    if (image[pe] != 'P' || image[pe + 1] != 'E' || image[pe + 2] != 0 || image[pe + 3] != 0)
        return Fail(error, "no PE signature at " + Hex(pe));
    const uint64_t coff = pe + 4;
    h->machine = uint16_t(Get16(image, coff));
    const uint32_t sectionCount = Get16(image, coff + 2);
    h->symbolTable = Get32(image, coff + 8);
    const uint32_t optionalSize = Get16(image, coff + 16);
    const uint64_t optional = coff + 20;
    if (!Fits(image.size(), optional, optionalSize) || optionalSize < 2)
        return Fail(error, "the optional header lies outside the file");
    const uint32_t magic = Get16(image, optional);
    if (magic != 0x10B && magic != 0x20B)
        return Fail(error, "unknown optional header magic " + Hex(magic));
    h->pe32Plus = magic == 0x20B;
    const uint32_t fixedSize = h->pe32Plus ? 112 : 96;
    if (optionalSize < fixedSize)
        return Fail(error, "the optional header is too short");
    h->entryPoint = Get32(image, optional + 16);
    h->sectionAlignment = Get32(image, optional + 32);
    h->fileAlignment = Get32(image, optional + 36);
    h->initializedDataAt = optional + 8;
    h->sizeOfImageAt = optional + 56;
    h->checksumAt = optional + 64;
    h->checksum = Get32(image, h->checksumAt);
    h->directoryCount = std::min<uint32_t>(Get32(image, optional + fixedSize - 4), 16);
    h->directoriesAt = optional + fixedSize;
    if (fixedSize + 8 * h->directoryCount > optionalSize)
        return Fail(error, "the data directories run past the optional header");
    if (!PowerOfTwo(h->sectionAlignment) || !PowerOfTwo(h->fileAlignment) ||
        h->fileAlignment > h->sectionAlignment || h->sectionAlignment > (1u << 28))
        return Fail(error, "section alignment " + Hex(h->sectionAlignment) + " and file alignment " +
                               Hex(h->fileAlignment) + " are not valid");
    if (sectionCount > kMaxSections)
        return Fail(error, std::to_string(sectionCount) + " sections, more than Windows loads");
    const uint64_t table = optional + optionalSize;
    if (!Fits(image.size(), table, 40 * uint64_t(sectionCount)))
        return Fail(error, "the section table lies outside the file");
    h->sections.clear();
    for (uint32_t i = 0; i < sectionCount; ++i) {
        const uint64_t at = table + 40 * uint64_t(i);
        Section s;
        for (uint64_t c = 0; c < 8 && image[at + c] != 0; ++c)
            s.name += char(image[at + c]);
        s.virtualSize = Get32(image, at + 8);
        s.virtualAddress = Get32(image, at + 12);
        s.rawSize = Get32(image, at + 16);
        s.rawPointer = Get32(image, at + 20);
        s.characteristics = Get32(image, at + 36);
        s.header = at;
        if (s.rawSize != 0 && !Fits(image.size(), s.rawPointer, s.rawSize))
            return Fail(error, "section " + s.name + "'s data lies outside the file");
        if (uint64_t(s.virtualAddress) + s.Loaded() > 0xFFFFFFFFu)
            return Fail(error, "section " + s.name + " ends beyond 4 GiB");
        h->sections.push_back(s);
    }
    return true;
}

// The file offset of size bytes at rva, when the file holds all of them.
bool MapRva(const Headers& h, uint64_t rva, uint64_t size, uint64_t* offset)
{
    for (const Section& s : h.sections)
        if (rva >= s.virtualAddress && Fits(s.FileBacked(), rva - s.virtualAddress, size)) {
            *offset = s.rawPointer + (rva - s.virtualAddress);
            return true;
        }
    return false;
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

std::string IdText(const ResourceId& id)
{
    if (id.name.empty())
        return std::to_string(id.id);
    std::string text;
    for (char16_t c : id.name)
        text += c >= 0x20 && c < 0x7F ? char(c) : '?';
    return "\"" + text + "\"";
}

class ResourceReader {
public:
    ResourceReader(const Bytes& image, const Headers& h, uint64_t base, uint64_t limit)
        : image_(image), h_(h), base_(base), limit_(limit)
    {
    }

    bool Read(std::vector<ResourceEntry>* entries, std::string* error)
    {
        entries->clear();
        ResourceEntry path;
        return ReadDirectory(0, 0, &path, entries, error);
    }

private:
    bool ReadName(uint32_t offset, std::u16string* name, std::string* error)
    {
        if (!Fits(limit_, offset, 2))
            return Fail(error, "resource name at " + Hex(offset) + " lies outside the section");
        const uint32_t length = Get16(image_, base_ + offset);
        if (length == 0 || !Fits(limit_, offset + 2, 2 * uint64_t(length)))
            return Fail(error, "resource name at " + Hex(offset) + " is empty or runs outside the section");
        name->clear();
        for (uint32_t i = 0; i < length; ++i)
            name->push_back(char16_t(Get16(image_, base_ + offset + 2 + 2 * i)));
        return true;
    }

    // Levels: 0 types, 1 names, 2 languages, whose entries lead to data.
    bool ReadDirectory(uint32_t offset, int level, ResourceEntry* path,
                       std::vector<ResourceEntry>* entries, std::string* error)
    {
        if (!visited_.insert(offset).second)
            return Fail(error, "resource directory at " + Hex(offset) + " is reached twice (a loop)");
        if (!Fits(limit_, offset, 16))
            return Fail(error, "resource directory at " + Hex(offset) + " lies outside the section");
        const uint64_t at = base_ + offset;
        const uint32_t count = Get16(image_, at + 12) + Get16(image_, at + 14);
        if (!Fits(limit_, offset + 16, 8 * uint64_t(count)))
            return Fail(error, "resource directory at " + Hex(offset) + " has entries outside the section");
        entryCount_ += count;
        if (entryCount_ > kMaxDirectoryEntries)
            return Fail(error, "more than " + std::to_string(kMaxDirectoryEntries) + " resource directory entries");
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t key = Get32(image_, at + 16 + 8 * i);
            const uint32_t target = Get32(image_, at + 20 + 8 * i);
            ResourceId id;
            if (key & kHighBit) {
                if (level == 2)
                    return Fail(error, "a resource language given by name");
                if (!ReadName(key & ~kHighBit, &id.name, error))
                    return false;
            } else if (key > 0xFFFF) {
                return Fail(error, "resource id " + Hex(key) + " does not fit 16 bits");
            } else {
                id.id = uint16_t(key);
            }
            if (level == 0)
                path->type = id;
            else if (level == 1)
                path->name = id;
            else
                path->language = id.id;
            if ((level < 2) != bool(target & kHighBit))
                return Fail(error, level < 2 ? "resource directory entry leads to data above the language level"
                                             : "resource language entry leads to another directory");
            if (level < 2) {
                if (!ReadDirectory(target & ~kHighBit, level + 1, path, entries, error))
                    return false;
            } else if (!ReadData(target, *path, entries, error)) {
                return false;
            }
        }
        return true;
    }

    bool ReadData(uint32_t offset, const ResourceEntry& path, std::vector<ResourceEntry>* entries,
                  std::string* error)
    {
        if (!visited_.insert(offset).second || !Fits(limit_, offset, 16))
            return Fail(error, "resource data entry at " + Hex(offset) + " lies outside the section or is shared");
        const uint32_t rva = Get32(image_, base_ + offset);
        const uint32_t size = Get32(image_, base_ + offset + 4);
        uint64_t file = 0;
        if (!MapRva(h_, rva, size, &file))
            return Fail(error, "data of resource " + IdText(path.type) + "/" + IdText(path.name) + " at " + Hex(rva) +
                                   " (" + std::to_string(size) + " bytes) lies outside the file");
        dataTotal_ += size;
        if (dataTotal_ > image_.size())
            return Fail(error, "the resources add up to more than the file");
        ResourceEntry entry = path;
        entry.codePage = Get32(image_, base_ + offset + 8);
        entry.data.assign(image_.begin() + file, image_.begin() + file + size);
        entries->push_back(std::move(entry));
        return true;
    }

    const Bytes& image_;
    const Headers& h_;
    uint64_t base_, limit_;
    std::set<uint32_t> visited_;
    size_t entryCount_ = 0;
    uint64_t dataTotal_ = 0;
};

bool ReadResources(const Bytes& image, const Headers& h, std::vector<ResourceEntry>* entries, std::string* error)
{
    entries->clear();
    const DataDirectory directory = Directory(image, h, kResourceDirectory);
    if (directory.rva == 0)
        return true;
    for (const Section& s : h.sections)
        if (directory.rva >= s.virtualAddress && directory.rva - s.virtualAddress < s.FileBacked()) {
            const uint64_t into = directory.rva - s.virtualAddress;
            return ResourceReader(image, h, s.rawPointer + into, s.FileBacked() - into).Read(entries, error);
        }
    return Fail(error, "the resource directory at " + Hex(directory.rva) + " lies outside every section");
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
bool Group(const std::vector<ResourceEntry>& sorted, std::vector<TypeGroup>* types, std::string* error)
{
    for (const ResourceEntry& e : sorted) {
        if (e.type.name.size() > 0xFFFF || e.name.name.size() > 0xFFFF)
            return Fail(error, "a resource name longer than 65535 units");
        if (types->empty() || CompareIds(*types->back().type, e.type) != 0) {
            types->push_back({&e.type, {}});
        } else if (*types->back().type != e.type) {
            return Fail(error, "resource types " + IdText(*types->back().type) + " and " + IdText(e.type) +
                                   " differ only in case");
        }
        std::vector<NameGroup>& names = types->back().names;
        if (names.empty() || CompareIds(*names.back().name, e.name) != 0) {
            names.push_back({&e.name, {}});
        } else if (*names.back().name != e.name) {
            return Fail(error, "resource names " + IdText(*names.back().name) + " and " + IdText(e.name) +
                                   " differ only in case");
        } else if (names.back().languages.back()->language == e.language) {
            return Fail(error, "two resources " + IdText(e.type) + "/" + IdText(e.name) + " in language " +
                                   std::to_string(e.language));
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
    return uint32_t(std::count_if(groups.begin(), groups.end(), [&](const G& g) { return !(g.*id)->name.empty(); }));
}

// One layout for any set of resources: every directory, each type's right
// after its entry's parent, then the data entries, the names, and the data.
bool BuildSection(std::vector<TypeGroup>& types, size_t count, uint32_t rva, Bytes* out, std::string* error)
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
            PutEntry(*out, t.directory + 16 + 8 * ni, *n.name, n.string, uint32_t(n.directory) | kHighBit);
            PutDirectory(*out, n.directory, 0, uint32_t(n.languages.size()));
            for (size_t li = 0; li < n.languages.size(); ++li, ++index) {
                const ResourceEntry& e = *n.languages[li];
                const uint64_t entry = dataEntries + 16 * index;
                PutEntry(*out, n.directory + 16 + 8 * li, ResourceId{e.language, {}}, 0, uint32_t(entry));
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
        return Fail(error, std::to_string(h.sections.size() - r - 1) + " sections follow the resources (" +
                               h.sections[r + 1].name + ", ...); only the relocations may");
    const DataDirectory relocations = Directory(image, h, kRelocationDirectory);
    uint64_t fileEnd = uint64_t(rsrc.rawPointer) + rsrc.rawSize;
    if (r + 1 < h.sections.size()) {
        const Section& next = h.sections[r + 1];
        if (relocations.rva != next.virtualAddress || relocations.size == 0 || relocations.size > next.Loaded())
            return Fail(error, "section " + next.name +
                                   " follows the resources and does not hold the relocations alone");
        if (next.virtualAddress < uint64_t(rsrc.virtualAddress) + rsrc.Loaded())
            return Fail(error, "section " + next.name + " overlaps the resources");
        if (next.rawSize != 0) {
            if (next.rawPointer < fileEnd || next.rawPointer > AlignUp(fileEnd, h.fileAlignment))
                return Fail(error, "bytes between the resources and section " + next.name + " belong to no section");
            fileEnd = uint64_t(next.rawPointer) + next.rawSize;
        }
    } else if (relocations.rva != 0 && uint64_t(relocations.rva) + relocations.size > rsrc.virtualAddress) {
        return Fail(error, "the relocation directory lies in the resources");
    }
    // The linker may leave the padding up to the file alignment out of a
    // section's raw size.
    if (image.size() < fileEnd || image.size() > AlignUp(fileEnd, h.fileAlignment))
        return Fail(error, std::to_string(image.size() - std::min<uint64_t>(image.size(), fileEnd)) +
                               " bytes after the last section would not move with it");
    if (h.symbolTable != 0)
        return Fail(error, "the program has a COFF symbol table");
    if (h.entryPoint >= rsrc.virtualAddress)
        return Fail(error, "the entry point lies in the resources or after them");
    for (uint32_t i = 0; i < h.directoryCount; ++i) {
        const DataDirectory d = Directory(image, h, i);
        if (i != kResourceDirectory && i != kRelocationDirectory && d.rva != 0 &&
            uint64_t(d.rva) + d.size > rsrc.virtualAddress)
            return Fail(error, "data directory " + std::to_string(i) + " points into the resources or after them");
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
            return Fail(error, "a relocation block of " + std::to_string(size) + " bytes at " + Hex(at) +
                                   " is malformed");
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

} // namespace

bool ResourceIdLess(const ResourceId& a, const ResourceId& b)
{
    return CompareIds(a, b) < 0;
}

bool ReadPeResources(const std::vector<uint8_t>& image, std::vector<ResourceEntry>* entries, std::string* error)
{
    Headers h;
    return ParseHeaders(image, &h, error) && ReadResources(image, h, entries, error);
}

bool ReadPeFacts(const std::vector<uint8_t>& image, PeFacts* facts, std::string* error)
{
    Headers h;
    if (!ParseHeaders(image, &h, error))
        return false;
    const DataDirectory security = Directory(image, h, kSecurityDirectory);
    *facts = {h.machine, h.pe32Plus, security.rva != 0 || security.size != 0, h.checksum};
    return true;
}

bool ReplacePeResources(const std::vector<uint8_t>& image, const std::vector<ResourceEntry>& entries,
                        std::vector<uint8_t>* out, std::string* error)
{
    Headers h;
    if (!ParseHeaders(image, &h, error))
        return false;
    const DataDirectory security = Directory(image, h, kSecurityDirectory);
    if (security.rva != 0 || security.size != 0)
        return Fail(error, "the program is signed, and its signature would not hold for a changed copy");
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
    while (r < h.sections.size() && (resources.rva == 0 || h.sections[r].virtualAddress != resources.rva))
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
