// The icon's resources from an icon file, against what the resource
// compiler makes of the same file. The file's directory holds the values
// the compiler rewrites: an unstated depth or number of planes, a reserved
// byte that is not 0. The group expected here is the one
// windres of GNU Binutils 2.40 wrote for this file; where a resource
// compiler is installed, the test also asks it again.
#include "icon_resources.h"
#include "windres.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;

struct Picture {
    uint8_t width, height, colours, reserved;
    uint16_t planes, bits;
    Bytes bytes;
};

Bytes IconFile(const std::vector<Picture>& pictures)
{
    Bytes file = {0, 0, 1, 0, uint8_t(pictures.size()), 0};
    uint32_t offset = uint32_t(6 + 16 * pictures.size());
    for (const Picture& p : pictures) {
        const uint32_t size = uint32_t(p.bytes.size());
        file.insert(file.end(), {p.width, p.height, p.colours, p.reserved, uint8_t(p.planes), 0,
                                 uint8_t(p.bits), 0, uint8_t(size), 0, 0, 0, uint8_t(offset),
                                 uint8_t(offset >> 8), 0, 0});
        offset += size;
    }
    for (const Picture& p : pictures)
        file.insert(file.end(), p.bytes.begin(), p.bytes.end());
    return file;
}

const std::vector<Picture> kPictures = {
    {16, 16, 16, 7, 0, 0, Bytes(5, 'A')},   // 16 colours: 4 bits, 1 plane
    {0, 0, 0, 0, 1, 32, Bytes(7, 'B')},     // 256 pixels, as stated
    {32, 32, 2, 0, 3, 0, Bytes(3, 'C')},    // 2 colours: 1 bit, 3 planes as stated
    {48, 24, 3, 0, 0, 0, Bytes(2, 'D')},    // 3 colours: 2 bits
    {20, 20, 0, 255, 0, 0, Bytes(1, 'E')},  // no colours stated: 0 bits
};

TEST(IconResources, AreTheResourceCompilersForTheSameFile)
{
    const Bytes file = IconFile(kPictures);
    IconResources resources;
    std::string error;
    ASSERT_TRUE(EncodeIconResources(file, &resources, &error)) << error;
    const Bytes group = {
        0,  0, 1, 0, 5, 0, 16, 16, 16, 0,  1,  0,  4, 0, 5, 0, 0, 0, 1, 0, 0, 0, 0,  0,  1, 0,
        32, 0, 7, 0, 0, 0, 2,  0,  32, 32, 2,  0,  3, 0, 1, 0, 3, 0, 0, 0, 3, 0, 48, 24, 3, 0,
        1,  0, 2, 0, 2, 0, 0,  0,  4,  0,  20, 20, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 5,  0,
    };
    EXPECT_EQ(resources.group, group);
    ASSERT_EQ(resources.images.size(), kPictures.size());
    for (size_t i = 0; i < kPictures.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(resources.images[i].id, i + 1);
        EXPECT_EQ(resources.images[i].bytes, kPictures[i].bytes);
    }

    if (!windres::Found())
        GTEST_SKIP() << "no " << windres::Command() << ": not compared with the resource compiler";
    const auto folder = windres::TempFolder();
    std::ofstream(folder / "test.ico", std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    const std::string script = "\"ICON\" ICON \"test.ico\"\n";
    EXPECT_EQ(resources.group, windres::Compile(script, folder, "#14", "ICON"));
    for (const IconImage& image : resources.images)
        EXPECT_EQ(image.bytes,
                  windres::Compile(script, folder, "#3", "#" + std::to_string(image.id)));
    std::filesystem::remove_all(folder);
}

TEST(IconResources, RefuseADamagedFile)
{
    const Bytes sound = IconFile({kPictures[0], kPictures[1]});
    auto with = [&](size_t at, uint8_t value) {
        Bytes b = sound;
        b[at] = value;
        return b;
    };
    const struct {
        const char* what;
        Bytes file;
    } rows[] = {
        {"empty", {}},
        {"header cut short", Bytes(sound.begin(), sound.begin() + 5)},
        {"a cursor", with(2, 2)},
        {"reserved word", with(0, 1)},
        {"no pictures", with(4, 0)},
        {"directory past the end", with(4, 3)},
        {"directory cut short", Bytes(sound.begin(), sound.begin() + 30)},
        {"picture of 0 bytes", with(6 + 8, 0)},
        {"picture inside the directory", with(6 + 12, 37)},
        {"picture past the end", with(6 + 16 + 8, 8)},
        {"picture at 4 GiB", with(6 + 16 + 15, 0xFF)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        IconResources resources;
        std::string error;
        EXPECT_FALSE(EncodeIconResources(row.file, &resources, &error));
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
