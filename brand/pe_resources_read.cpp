// A program's resources and the facts of its headers, read from an
// untrusted image: every offset and size is checked before it is followed.
#include "pe_resources_internal.h"

#include <set>

namespace pe_image {

namespace {

constexpr size_t kMaxSections = 96;
constexpr size_t kMaxDirectoryEntries = 65536;

bool PowerOfTwo(uint32_t value)
{
    return value != 0 && (value & (value - 1)) == 0;
}

}  // namespace

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
        return Fail(error, "section alignment " + Hex(h->sectionAlignment) +
                               " and file alignment " + Hex(h->fileAlignment) + " are not valid");
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

std::string IdText(const ResourceId& id)
{
    if (id.name.empty())
        return std::to_string(id.id);
    std::string text;
    for (char16_t c : id.name)
        text += c >= 0x20 && c < 0x7F ? char(c) : '?';
    return "\"" + text + "\"";
}

namespace {

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
            return Fail(error, "resource name at " + Hex(offset) +
                                   " is empty or runs outside the section");
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
            return Fail(error,
                        "resource directory at " + Hex(offset) + " is reached twice (a loop)");
        if (!Fits(limit_, offset, 16))
            return Fail(error,
                        "resource directory at " + Hex(offset) + " lies outside the section");
        const uint64_t at = base_ + offset;
        const uint32_t count = Get16(image_, at + 12) + Get16(image_, at + 14);
        if (!Fits(limit_, offset + 16, 8 * uint64_t(count)))
            return Fail(error, "resource directory at " + Hex(offset) +
                                   " has entries outside the section");
        entryCount_ += count;
        if (entryCount_ > kMaxDirectoryEntries)
            return Fail(error, "more than " + std::to_string(kMaxDirectoryEntries) +
                                   " resource directory entries");
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
                return Fail(error,
                            level < 2
                                ? "resource directory entry leads to data above the language level"
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
            return Fail(error, "resource data entry at " + Hex(offset) +
                                   " lies outside the section or is shared");
        const uint32_t rva = Get32(image_, base_ + offset);
        const uint32_t size = Get32(image_, base_ + offset + 4);
        uint64_t file = 0;
        if (!MapRva(h_, rva, size, &file))
            return Fail(error, "data of resource " + IdText(path.type) + "/" + IdText(path.name) +
                                   " at " + Hex(rva) + " (" + std::to_string(size) +
                                   " bytes) lies outside the file");
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

}  // namespace

bool ReadResources(const Bytes& image, const Headers& h, std::vector<ResourceEntry>* entries,
                   std::string* error)
{
    entries->clear();
    const DataDirectory directory = Directory(image, h, kResourceDirectory);
    if (directory.rva == 0)
        return true;
    for (const Section& s : h.sections)
        if (directory.rva >= s.virtualAddress &&
            directory.rva - s.virtualAddress < s.FileBacked()) {
            const uint64_t into = directory.rva - s.virtualAddress;
            return ResourceReader(image, h, s.rawPointer + into, s.FileBacked() - into)
                .Read(entries, error);
        }
    return Fail(error,
                "the resource directory at " + Hex(directory.rva) + " lies outside every section");
}

}  // namespace pe_image

using namespace pe_image;

bool ReadPeResources(const std::vector<uint8_t>& image, std::vector<ResourceEntry>* entries,
                     std::string* error)
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
