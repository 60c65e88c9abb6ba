// The pictures the branding tool puts into a vendor's programs, on the
// shipped programs of the win32 and win64 builds: PNG resources in the
// pictures' language, each reading back as exactly the picture the tool
// made of the vendor's file, and no bitmap of a picture's name left, even
// where a program from before held its pictures as bitmaps.
#include "brand_programs.h"
#include "orveline_version.h"
#include "png_codec.h"
#include "tool_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

using Bytes = std::vector<uint8_t>;
using Entries = std::vector<ResourceEntry>;

const uint16_t kOrveline[3] = {ORVELINE_VERSION_MAJOR, ORVELINE_VERSION_MINOR,
                               ORVELINE_VERSION_PATCH};

std::string Resource(const char* name)
{
    return std::string(ORVELINE_SOURCE_DIR) + "/resources/" + name;
}

Bytes ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

ResourceId Id(const char16_t* name)
{
    return {0, name};
}
ResourceId Id(uint16_t id)
{
    return {id, {}};
}

const ResourceEntry* Find(const Entries& entries, const ResourceId& type, const char16_t* name)
{
    for (const ResourceEntry& e : entries)
        if (e.type == type && e.name == Id(name))
            return &e;
    return nullptr;
}

// A shipped program as programs from before this tool's PNGs held their
// pictures: as bitmaps, with a bitmap of another name besides.
Bytes WithBitmaps(const Bytes& image, uint16_t language)
{
    Entries entries;
    std::string error;
    EXPECT_TRUE(ReadPeResources(image, &entries, &error)) << error;
    std::erase_if(entries, [](const ResourceEntry& e) { return e.type == Id(u"PNG"); });
    for (const char16_t* name : {u"TAL800", u"TAL1280", u"TAL1280X2", u"TAL1280X125", u"OTHER"})
        entries.push_back({Id(2), Id(name), language, 0, Bytes(64, 0x42)});
    Bytes out;
    EXPECT_TRUE(ReplacePeResources(image, entries, &out, &error)) << error;
    return out;
}

struct Build {
    const char* folder;
    bool is64;
};

TEST(BrandedPrograms, HoldThePicturesAsPngsAndNoBitmapsOfTheirNames)
{
    BrandOptions options;
    std::string error;
    ASSERT_EQ(ParseBrandOptions({"--fit", "--large-at", "125", Resource("tal1280.png"),
                                 Resource("tal800.png"), Resource("tal1280.png"), "out.exe"},
                                kOrveline, &options, &error),
              kBrandRun)
        << error;
    BrandInputs inputs;
    std::vector<std::string> refusals;
    ASSERT_TRUE(PrepareBrandInputs(options, &inputs, &refusals)) << refusals.front();

    // What each picture must read back as: the vendor's file as the tool
    // makes it fit its slot.
    struct Want {
        const char16_t* name;
        const char* file;
        const ArtworkSlot* slot;
    };
    const Want wants[] = {{u"TAL800", "tal800.png", &kSmallArtwork},
                          {u"TAL1280", "tal1280.png", &kLargeArtwork},
                          {u"TAL1280X125", "tal1280.png", ScaledLargeArtwork(125)}};

    for (const Build& build : {Build{"win32", false}, Build{"win64", true}}) {
        const std::string path =
            std::string(ORVELINE_BUILD_ROOT) + "/" + build.folder + "/launcher/orveline.exe";
        const Bytes shipped = ReadAll(path);
        if (shipped.empty())
            GTEST_FAIL() << "build the programs first: " << path;
        for (const bool fromBefore : {false, true}) {
            SCOPED_TRACE(std::string(build.folder) + (fromBefore ? ", pictures as bitmaps" : ""));
            BrandTemplate program;
            program.path = path;
            program.is64 = build.is64;
            program.image = fromBefore ? WithBitmaps(shipped, 0x411) : shipped;
            ASSERT_TRUE(ReadPeResources(program.image, &program.entries, &error)) << error;
            Bytes out;
            ASSERT_TRUE(BrandProgram(program, options, inputs, kOrveline, &out, &error)) << error;
            Entries entries;
            ASSERT_TRUE(ReadPeResources(out, &entries, &error)) << error;

            for (const Want& want : wants) {
                SCOPED_TRACE(want.file);
                const ResourceEntry* png = Find(entries, Id(u"PNG"), want.name);
                ASSERT_NE(png, nullptr);
                EXPECT_EQ(png->language, 0x411) << "the shipped pictures' language";
                RgbaImage picture, stored;
                ASSERT_TRUE(PrepareArtworkPicture(ReadAll(Resource(want.file)), want.file,
                                                  *want.slot, true, &picture, &error))
                    << error;
                ASSERT_TRUE(DecodePng(png->data, &stored, &error)) << error;
                EXPECT_EQ(stored.width, want.slot->width);
                EXPECT_EQ(stored.height, want.slot->height);
                EXPECT_TRUE(stored.rgba == picture.rgba) << "not the picture the tool made";
            }
            for (const char16_t* name : {u"TAL800", u"TAL1280", u"TAL1280X2", u"TAL1280X125"})
                EXPECT_EQ(Find(entries, Id(2), name), nullptr)
                    << "a bitmap of a picture's name is left";
            EXPECT_EQ(Find(entries, Id(u"PNG"), u"TAL1280X2"), nullptr) << "a picture no one gave";
            if (fromBefore) {
                EXPECT_NE(Find(entries, Id(2), u"OTHER"), nullptr) << "another bitmap went too";
            }
        }
    }
}

}  // namespace
