// The platform-free half of bitmap loading over the crafted pictures: what is
// accepted, where its parts lie, and the pixels and palette entries that come
// out. Each picture is handed over in a buffer of exactly its size, so under
// AddressSanitizer a read one byte past it is caught.
#include "../bitmap_cases.h"
#include "pixel_surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

namespace {

using bmp::Bytes;

struct Exact {
    std::unique_ptr<uint8_t[]> bytes;
    uint32_t size;
    explicit Exact(const Bytes& b)
        : bytes(new uint8_t[b.size() ? b.size() : 1]), size(uint32_t(b.size()))
    {
        std::memcpy(bytes.get(), b.data(), b.size());
    }
};

uint32_t PixelValue(const uint8_t* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}

// Empty when every pixel of the surface matches, else the first that does not.
template <typename Expected>
std::string FirstMismatch(PixelSurface& s, Expected expected)
{
    for (int32_t y = 0; y < s->height; ++y)
        for (int32_t x = 0; x < s->width; ++x) {
            uint32_t got = PixelValue(s.at(x, y)), want = expected(x, y);
            if (got != want) {
                char text[96];
                std::snprintf(text, sizeof text, "pixel (%d, %d) is %08X, expected %08X", x, y, got,
                              want);
                return text;
            }
        }
    return "";
}

TEST(BitmapFile, BlockSizeComesFromAnHonestHeader)
{
    struct Row {
        uint32_t type, bfSize;
        uint64_t fileSize;
        uint32_t expected;
    } rows[] = {
        {0x4D42, 100, 100, 86},       {0x4D42, 100, 5000, 86},  // bytes beyond bfSize ignored
        {0x4D42, 15, 15, 1},          {0x4D42, 14, 14, 0},      // nothing to read
        {0x4D42, 0, 100, 0},          {0x4D42, 101, 100, 0},    // larger than the file
        {0x4D42, 0xFFFFFFFF, 100, 0}, {0x4D42, 0xFFFFFFFF, 0x100000000, 0xFFFFFFF1},
        {0x424D, 100, 100, 0},        {0x0000, 100, 100, 0},  // not "BM"
    };
    for (const Row& r : rows) {
        Bytes header(14, 0);
        bmp::Put(header, 0, r.type, 2);
        bmp::Put(header, 2, r.bfSize, 4);
        EXPECT_EQ(BitmapFileBlockSize(header.data(), r.fileSize), r.expected)
            << "bfSize " << r.bfSize << ", file " << r.fileSize;
    }
}

TEST(BitmapFile, ReaderLetsThroughTwelveAndSixteenUp)
{
    for (uint32_t size : {0u, 1u, 11u, 12u, 13u, 14u, 15u, 16u, 40u, 108u, 124u, 65536u}) {
        Bytes b;
        bmp::Put(b, 0, size, 4);
        Exact block(b);
        EXPECT_EQ(CheckBitmapHeaderSize(block.bytes.get(), block.size), size == 12 || size >= 16)
            << size;
    }
    // Too short to hold the size at all.
    Exact three(Bytes{12, 0, 0});
    EXPECT_EQ(CheckBitmapHeaderSize(three.bytes.get(), three.size), 0);
}

class CraftedBitmap : public ::testing::TestWithParam<bmp::Case> {};

TEST_P(CraftedBitmap, IsReadAsCrafted)
{
    const bmp::Case& c = GetParam();
    Exact packed(c.packed);
    BitmapLayout layout;
    std::memset(&layout, 0xCD, sizeof layout);
    ASSERT_EQ(ReadBitmapLayout(packed.bytes.get(), packed.size, &layout), c.accepted ? 1 : 0);
    if (!c.accepted)
        return;
    EXPECT_EQ(layout.width, c.width);
    EXPECT_EQ(layout.height, c.height);
    EXPECT_EQ(layout.topDown, c.topDown ? 1 : 0);
    EXPECT_EQ(layout.bitCount, c.bits);
    EXPECT_EQ(layout.colorCount, c.colorCount);
    EXPECT_EQ(layout.pixels, c.pixels);
    EXPECT_LE(uint64_t(layout.pixels) + layout.pixelBytes, packed.size);

    // Cut by one byte, whatever part it belonged to, it is refused; longer,
    // it is read the same.
    Exact cut(Bytes(c.packed.begin(), c.packed.end() - 1));
    BitmapLayout again;
    EXPECT_EQ(ReadBitmapLayout(cut.bytes.get(), cut.size, &again), 0);
    Bytes longer = c.packed;
    longer.insert(longer.end(), 7, 0xEE);
    Exact padded(longer);
    ASSERT_EQ(ReadBitmapLayout(padded.bytes.get(), padded.size, &again), 1);
    EXPECT_EQ(std::memcmp(&again, &layout, sizeof layout), 0);
}

INSTANTIATE_TEST_SUITE_P(Table, CraftedBitmap, ::testing::ValuesIn(bmp::Cases()),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return name;
                         });

// The whole file, or false when it cannot be opened (used by the host-only
// tests below).
[[maybe_unused]] bool ReadWhole(const std::string& path, Bytes* bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return false;
    bytes->clear();
    for (int ch; (ch = std::fgetc(f)) != EOF;)
        bytes->push_back(uint8_t(ch));
    std::fclose(f);
    return true;
}

BitmapLayout LayoutOf(const Exact& packed)
{
    BitmapLayout layout{};
    EXPECT_EQ(ReadBitmapLayout(packed.bytes.get(), packed.size, &layout), 1);
    return layout;
}

// 32-bit pictures land upright and unchanged, however they are stored.
TEST(BitmapRows, ThirtyTwoBitPicturesLandUpright)
{
    for (const bmp::Case& c : bmp::Cases()) {
        if (!c.accepted || c.bits != 32 || c.width > 64)
            continue;
        Exact packed(c.packed);
        BitmapLayout layout = LayoutOf(packed);
        PixelSurface s(c.width, c.height);
        CopyBitmapRows(s.get(), 0, 0, packed.bytes.get(), &layout);
        EXPECT_EQ(FirstMismatch(s, bmp::Pattern), "") << c.name;
    }
}

// Placed anywhere, even partly or wholly off the surface, the picture writes
// exactly the pixels it covers and nothing else.
TEST(BitmapRows, OnlyTheCoveredPartIsWritten)
{
    const bmp::Case shipped = bmp::Cases()[0];
    Exact packed(shipped.packed);
    BitmapLayout layout = LayoutOf(packed);
    const uint32_t untouched = 0x5A5A5A5A;
    struct At {
        int32_t x, y;
    } places[] = {{1, 2}, {2, 3}, {-2, -1}, {4, 4},         {3, -2},       {-5, 0},
                  {7, 0}, {0, 6}, {0, -3},  {INT32_MIN, 0}, {0, INT32_MAX}};
    for (At at : places) {
        PixelSurface s(7, 6);
        std::memset(s->bits, 0x5A, s.pixels.size());
        CopyBitmapRows(s.get(), at.x, at.y, packed.bytes.get(), &layout);
        EXPECT_EQ(FirstMismatch(s,
                                [&](int32_t x, int32_t y) {
                                    int64_t px = int64_t(x) - at.x, py = int64_t(y) - at.y;
                                    bool inside = px >= 0 && px < 5 && py >= 0 && py < 3;
                                    return inside ? bmp::Pattern(int32_t(px), int32_t(py))
                                                  : untouched;
                                }),
                  "")
            << "at (" << at.x << ", " << at.y << ")";
    }
}

struct PaletteRow {
    const char* name;
    Bytes packed;
    uint32_t written;
};

// The block is exactly the 8192 bytes the display allocates: entries beyond
// what fits would be caught by the sanitizer, and bytes after the last entry
// written must keep their old value.
TEST(BitmapPalette, TableGoesIntoTheBlockAsFarAsItFits)
{
    const PaletteRow rows[] = {
        {"256 of 8 bits",
         bmp::Join({bmp::Header({40, 5, 3, 8}), bmp::Table(256), bmp::Rows8(5, 3, 256)}), 256},
        {"core 3-byte colours",
         bmp::Join({bmp::Header({12, 5, 3, 8}), bmp::Table(256, 3), bmp::Rows8(5, 3, 256)}), 256},
        {"3000 of 24 bits",
         bmp::Join({bmp::Header({40, 1, 1, 24, 0, 0, 3000}), bmp::Table(3000), Bytes(4, 0)}), 2047},
    };
    for (const PaletteRow& r : rows) {
        Exact packed(r.packed);
        BitmapLayout layout = LayoutOf(packed);
        std::unique_ptr<uint8_t[]> block(new uint8_t[8192]);
        std::memset(block.get(), 0xA7, 8192);
        WritePaletteEntries(block.get(), packed.bytes.get(), &layout);
        EXPECT_EQ(block[0] | block[1] << 8, 0x300) << r.name;
        EXPECT_EQ(uint32_t(block[2] | block[3] << 8), r.written) << r.name;
        for (uint32_t i = 0; i < r.written; ++i) {
            const uint8_t* e = &block[4 + 4 * i];
            uint32_t colour = bmp::TableColour(i);
            ASSERT_EQ(e[0] | e[1] << 8 | e[2] << 16 | e[3] << 24,
                      (colour >> 16 & 0xFF) | (colour & 0xFF00) | (colour & 0xFF) << 16)
                << r.name << ", entry " << i;
        }
        for (uint32_t at = 4 + 4 * r.written; at < 8192; ++at)
            ASSERT_EQ(block[at], 0xA7) << r.name << ", byte " << at;
    }
}

// What the platform's conversion is given: always a plain 40-byte header,
// and for indexed pictures a table of every colour an index can name.
TEST(BitmapConversion, PlatformGetsAWellFormedDescription)
{
    auto field = [](const uint8_t* info, int at) {
        return uint32_t(info[at] | info[at + 1] << 8 | info[at + 2] << 16 | info[at + 3] << 24);
    };
    for (const bmp::Case& c : bmp::Cases()) {
        if (!c.accepted || c.bits == 32)
            continue;
        Exact packed(c.packed);
        BitmapLayout layout = LayoutOf(packed);
        uint8_t info[kConversionInfoSize];
        std::memset(info, 0xA7, sizeof info);
        BuildConversionInfo(packed.bytes.get(), &layout, info);
        SCOPED_TRACE(c.name);
        EXPECT_EQ(field(info, 0), 40u);
        EXPECT_EQ(int32_t(field(info, 4)), c.width);
        EXPECT_EQ(int32_t(field(info, 8)), c.topDown ? -c.height : c.height);
        EXPECT_EQ(field(info, 14) & 0xFFFF, c.bits);
        EXPECT_EQ(field(info, 16), layout.compression);
        EXPECT_EQ(field(info, 20),
                  layout.compression == 1 || layout.compression == 2 ? layout.pixelBytes : 0u);
        int table = 40;
        if (layout.compression == 3) {
            EXPECT_EQ(std::memcmp(info + 40, packed.bytes.get() + layout.masks, 12), 0);
            table += 12;
        }
        if (c.bits > 8) {
            EXPECT_EQ(field(info, 32), 0u);
            continue;
        }
        const uint32_t entries = 1u << c.bits;
        EXPECT_EQ(field(info, 32), entries);
        for (uint32_t i = 0; i < entries; ++i) {
            uint32_t expected = i < c.colorCount ? bmp::TableColour(i) : 0;
            ASSERT_EQ(field(info, table + 4 * int(i)), expected) << "colour " << i;
        }
    }
}

#ifdef ORVELINE_CORPUS_DIR
// The fuzzer starts from these same pictures: fuzz/make_corpus writes them.
TEST(BitmapCorpus, HoldsEveryCraftedPicture)
{
    for (const bmp::Case& c : bmp::Cases()) {
        const std::string path = std::string(ORVELINE_CORPUS_DIR) + "/" + c.name + ".bmp";
        Bytes stored;
        ASSERT_TRUE(ReadWhole(path, &stored)) << path << " is missing: run make_corpus";
        EXPECT_EQ(stored, bmp::File(c.packed)) << path << " is stale: run make_corpus";
    }
}
#endif

#ifdef ORVELINE_RESOURCES_DIR
// The pictures the program ships: 32-bit with masks red-first, greyscale,
// a soft edge of many alpha values, and corners that are nothing at all, so
// the colour key a load takes from the top-left pixel stays inactive.
TEST(ShippedPictures, HaveTheShippedForm)
{
    struct Picture {
        const char* file;
        int32_t width, height;
    } pictures[] = {{"tal800.bmp", 195, 145}, {"tal1280.bmp", 317, 236}};
    for (const Picture& p : pictures) {
        const std::string path = std::string(ORVELINE_RESOURCES_DIR) + "/" + p.file;
        Bytes file;
        ASSERT_TRUE(ReadWhole(path, &file)) << path;
        ASSERT_EQ(BitmapFileBlockSize(file.data(), file.size()), file.size() - 14) << p.file;
        Exact packed(Bytes(file.begin() + 14, file.end()));
        EXPECT_EQ(packed.size, 52u + uint32_t(p.width * p.height * 4)) << p.file;
        BitmapLayout layout = LayoutOf(packed);
        EXPECT_EQ(layout.width, p.width);
        EXPECT_EQ(layout.height, p.height);
        EXPECT_EQ(layout.topDown, 0);
        EXPECT_EQ(layout.bitCount, 32u);
        EXPECT_EQ(layout.compression, 3u);
        EXPECT_EQ(layout.colorCount, 0u);
        EXPECT_EQ(layout.pixels, 52u);
        EXPECT_EQ(std::memcmp(packed.bytes.get() + 40, bmp::Masks().data(), 12), 0) << p.file;

        PixelSurface s(p.width, p.height);
        CopyBitmapRows(s.get(), 0, 0, packed.bytes.get(), &layout);
        EXPECT_EQ(FirstMismatch(s,
                                [&](int32_t x, int32_t y) {
                                    const uint8_t* px = s.at(x, y);
                                    // Grey, and no colour where nothing shows.
                                    uint32_t grey = px[3] == 0 ? 0 : px[0];
                                    return grey * 0x010101u | uint32_t(px[3]) << 24;
                                }),
                  "")
            << p.file;
        for (auto [x, y] :
             {std::pair{0, 0}, {p.width - 1, 0}, {0, p.height - 1}, {p.width - 1, p.height - 1}})
            EXPECT_EQ(PixelValue(s.at(x, y)), 0u) << p.file << " corner " << x << ", " << y;
        bool alphas[256] = {};
        for (int32_t y = 0; y < p.height; ++y)
            for (int32_t x = 0; x < p.width; ++x)
                alphas[s.at(x, y)[3]] = true;
        EXPECT_GE(std::count(std::begin(alphas), std::end(alphas), true), 32) << p.file;
        EXPECT_TRUE(alphas[0] && alphas[255]) << p.file;
    }
}
#endif

}  // namespace
