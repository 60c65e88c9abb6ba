#include "brand_programs.h"

#include "artwork.h"
#include "tool_files.h"
#include "icon.h"
#include "product_record.h"
#include "product_record_writer.h"
#include "show.h"
#include "version_info.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint16_t kBitmapType = 2;  // RT_BITMAP
// The type the pictures are stored under: PNG files, by the type's name.
constexpr char16_t kPictureType[] = u"PNG";
// The resource compiler's language for what the shipped program's script
// does not place otherwise: US English.
constexpr uint16_t kDefaultLanguage = 0x409;

// The PNG a program holds for one slot.
bool PackPicture(const std::string& file, const ArtworkSlot& slot, bool fit,
                 std::vector<uint8_t>* packed, std::string* error)
{
    std::vector<uint8_t> png;
    return ReadWholeFile(file, &png, error) && PackArtworkPng(png, file, slot, fit, packed, error);
}

bool IsNamed(const ResourceId& id, const char16_t* name)
{
    if (id.name.size() != std::char_traits<char16_t>::length(name))
        return false;
    for (size_t i = 0; i < id.name.size(); ++i) {
        const char16_t a = id.name[i], b = name[i];
        if ((a >= u'a' && a <= u'z' ? a - 32 : a) != (b >= u'a' && b <= u'z' ? b - 32 : b))
            return false;
    }
    return true;
}

ResourceId Numbered(uint16_t id)
{
    ResourceId numbered;
    numbered.id = id;
    return numbered;
}

ResourceId Named(const char16_t* name)
{
    ResourceId id;
    id.name = name;
    return id;
}

// A slot's resource name, as the resource compiler stores names: in
// capitals.
ResourceId PictureName(const ArtworkSlot& slot)
{
    ResourceId name;
    for (const char* c = slot.name; *c != '\0'; ++c)
        name.name.push_back(char16_t(*c >= 'a' && *c <= 'z' ? *c - 32 : *c));
    return name;
}

// Whether a resource has the name of one of the pictures, in any case, as
// the launcher looks them up.
bool IsPictureName(const ResourceId& id)
{
    if (IsNamed(id, PictureName(kSmallArtwork).name.c_str()) ||
        IsNamed(id, PictureName(kLargeArtwork).name.c_str()))
        return true;
    for (const ShowScale& scale : kShowScaleTable)
        if (IsNamed(id, PictureName(*ScaledLargeArtwork(scale.percent)).name.c_str()))
            return true;
    return false;
}

const ResourceEntry* FindEntry(const std::vector<ResourceEntry>& entries, const ResourceId& type,
                               const char16_t* name, uint16_t id = 0)
{
    for (const ResourceEntry& e : entries)
        if (e.type == type &&
            (name != nullptr ? IsNamed(e.name, name) : e.name.name.empty() && e.name.id == id))
            return &e;
    return nullptr;
}

// Puts data in place of the resource of that type and name, in its
// language, or adds it in the given language.
void SetEntry(std::vector<ResourceEntry>* entries, const ResourceId& type, const ResourceId& name,
              uint16_t language, std::vector<uint8_t> data)
{
    for (ResourceEntry& e : *entries)
        if (e.type == type && e.name == name) {
            e.data = std::move(data);
            return;
        }
    ResourceEntry entry;
    entry.type = type;
    entry.name = name;
    entry.language = language;
    entry.data = std::move(data);
    entries->push_back(std::move(entry));
}

std::u16string Utf16(const std::string& text)
{
    std::u16string units;
    Utf8ToUtf16(text, &units);
    return units;
}

}  // namespace

bool PrepareBrandInputs(const BrandOptions& options, BrandInputs* inputs,
                        std::vector<std::string>* refusals)
{
    std::string error;
    if (!PackPicture(options.small, kSmallArtwork, options.fit, &inputs->small, &error))
        refusals->push_back(error);
    if (!PackPicture(options.large, kLargeArtwork, options.fit, &inputs->large, &error))
        refusals->push_back(error);
    for (const ScaledPicture& picture : options.scaled) {
        BrandInputs::Scaled scaled{ScaledLargeArtwork(picture.percent), {}};
        if (scaled.slot == nullptr ||
            !PackPicture(picture.file, *scaled.slot, options.fit, &scaled.packed, &error))
            refusals->push_back(scaled.slot == nullptr ? "no picture is shown at " +
                                                             std::to_string(picture.percent) + " %"
                                                       : error);
        else
            inputs->scaled.push_back(std::move(scaled));
    }
    if (!options.icon.empty()) {
        std::vector<uint8_t> bytes, icon;
        if (!ReadWholeFile(options.icon, &bytes, &error) ||
            !IconFromBytes(bytes, options.icon, &icon, &error) ||
            !EncodeIconResources(icon, &inputs->icon, &error))
            refusals->push_back(error);
        inputs->hasIcon = true;
    }
    return refusals->empty();
}

bool LoadBrandTemplate(const std::string& path, bool is64, const uint16_t orveline[3],
                       BrandTemplate* program, std::string* error)
{
    program->path = path;
    program->is64 = is64;
    const std::string version = std::to_string(orveline[0]) + "." + std::to_string(orveline[1]) +
                                "." + std::to_string(orveline[2]);
    const std::string what =
        path + " is not the " + (is64 ? "64" : "32") + "-bit program of Orveline " + version;
    if (!ReadWholeFile(path, &program->image, error))
        return false;
    PeFacts facts;
    std::string reason;
    if (!ReadPeFacts(program->image, &facts, &reason) ||
        !ReadPeResources(program->image, &program->entries, &reason)) {
        *error = what + " (" + reason + ")";
        return false;
    }
    if (facts.machine != (is64 ? 0x8664 : 0x14C)) {
        *error = what + " (it is built for another processor)";
        return false;
    }
    if (facts.hasSignature) {
        *error = path + " is signed: brand the unsigned program, then sign what the tool writes";
        return false;
    }
    const ResourceEntry* record =
        FindEntry(program->entries, Numbered(kProductRecordType), u"PRODUCT");
    const std::vector<uint8_t> none;
    const std::vector<uint8_t>& bytes = record != nullptr ? record->data : none;
    uint16_t carried[3] = {};
    if (bytes.size() >= kProductRecordHeaderSize)
        std::memcpy(carried, bytes.data() + kProductRecordOrvelineVersionOffset, sizeof carried);
    if (record == nullptr || std::memcmp(bytes.data(), kProductRecordMagic, 4) != 0 ||
        (bytes[kProductRecordVersionOffset] | bytes[kProductRecordVersionOffset + 1] << 8) !=
            kProductRecordVersion) {
        *error = what + " (it holds no product record the tool knows)";
        return false;
    }
    if (std::memcmp(carried, orveline, sizeof carried) != 0) {
        *error = what + " (it is Orveline " + std::to_string(carried[0]) + "." +
                 std::to_string(carried[1]) + "." + std::to_string(carried[2]) +
                 "'s; use the tool that came with it)";
        return false;
    }
    return true;
}

bool BrandProgram(const BrandTemplate& program, const BrandOptions& options,
                  const BrandInputs& inputs, const uint16_t orveline[3], std::vector<uint8_t>* out,
                  std::string* error)
{
    std::vector<ResourceEntry> entries = program.entries;
    // The pictures keep the language the shipped program stores them in,
    // whether as PNGs or, in programs from before, as bitmaps, of which
    // none is left.
    const ResourceEntry* shippedLarge = FindEntry(entries, Named(kPictureType), u"TAL1280");
    if (shippedLarge == nullptr)
        shippedLarge = FindEntry(entries, Numbered(kBitmapType), u"TAL1280");
    const uint16_t pictureLanguage =
        shippedLarge != nullptr ? shippedLarge->language : kDefaultLanguage;
    std::erase_if(entries, [](const ResourceEntry& e) {
        return e.type == Numbered(kBitmapType) && IsPictureName(e.name);
    });
    SetEntry(&entries, Named(kPictureType), PictureName(kSmallArtwork), pictureLanguage,
             inputs.small);
    SetEntry(&entries, Named(kPictureType), PictureName(kLargeArtwork), pictureLanguage,
             inputs.large);
    for (const BrandInputs::Scaled& scaled : inputs.scaled)
        SetEntry(&entries, Named(kPictureType), PictureName(*scaled.slot), pictureLanguage,
                 scaled.packed);

    if (inputs.hasIcon) {
        std::erase_if(entries, [](const ResourceEntry& e) {
            return e.type.name.empty() &&
                   (e.type.id == kIconResourceType || e.type.id == kIconGroupResourceType);
        });
        for (const IconImage& image : inputs.icon.images)
            SetEntry(&entries, Numbered(kIconResourceType), Numbered(image.id), kDefaultLanguage,
                     image.bytes);
        SetEntry(&entries, Numbered(kIconGroupResourceType), Named(kIconGroupName),
                 kDefaultLanguage, inputs.icon.group);
    }

    VersionFields fields = ShippedVersionFields(program.is64);
    std::copy(options.version, options.version + 4, fields.version);
    fields.productName = Utf16(options.product);
    fields.fileDescription = Utf16(options.description);
    fields.companyName = Utf16(options.company);
    fields.legalCopyright = Utf16(options.copyright);
    std::vector<uint8_t> version = EncodeVersionInfo(fields);
    const ShowTimings timings = {options.fadeInMs, options.holdMs, options.fadeOutMs};
    std::vector<uint8_t> record = EncodeProductRecord(
        timings, Utf16(options.title),
        (options.wait ? kProductFlagWait : 0) |
            (options.cursorMonitor ? kProductFlagCursorMonitor : 0),
        options.silentSwitches, options.untilWindowMs, orveline[0], orveline[1], orveline[2]);
    if (version.empty() || record.empty()) {
        *error = "a text is too long for the program's resources";
        return false;
    }
    SetEntry(&entries, Numbered(kVersionResourceType), Numbered(kVersionResourceId),
             kDefaultLanguage, std::move(version));
    SetEntry(&entries, Numbered(kProductRecordType), Named(u"PRODUCT"), kProductRecordLanguage,
             std::move(record));

    std::string reason;
    if (!ReplacePeResources(program.image, entries, out, &reason)) {
        *error = "cannot rewrite " + program.path + ": " + reason;
        return false;
    }
    return true;
}
