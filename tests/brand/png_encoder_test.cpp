// The PNG writer, judged by libpng's reader and by the tool's own decoder:
// every picture must read back as it was, in the colour type that keeps its
// pixels in the fewest channels, as the same bytes every time, and in the
// one plain form the launcher reads.
#include "png_codec.h"
#include "png_io.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <set>

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t Be32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

struct Chunk {
    std::string type;
    Bytes body;
};

// The file's chunks, every CRC checked; empty when the frame is broken.
std::vector<Chunk> Chunks(const Bytes& png)
{
    std::vector<Chunk> chunks;
    size_t at = 8;
    while (at + 12 <= png.size()) {
        const uint32_t length = Be32(&png[at]);
        if (length > png.size() - at - 12)
            return {};
        const uint8_t* body = &png[at + 8];
        if (crc32(0, &png[at + 4], length + 4) != Be32(body + length))
            return {};
        chunks.push_back({std::string(body - 4, body), Bytes(body, body + length)});
        at += 12 + length;
    }
    return at == png.size() ? chunks : std::vector<Chunk>{};
}

enum Colour : uint8_t { kGrey = 0, kRgb = 2, kGreyAlpha = 4, kRgba = 6 };

// Pictures of one colour kind, from a seed: grey or coloured, opaque or
// with alpha, smooth in places and noisy in others, so that every filter
// has rows it suits.
RgbaImage Drawn(int width, int height, bool grey, bool opaque, uint32_t seed)
{
    RgbaImage image{width, height, Bytes(size_t(width) * size_t(height) * 4)};
    std::mt19937 rng(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = image.at(x, y);
            const bool noisy = (y / 4 + x / 16) % 3 == 0;
            for (int k = 0; k < 3; ++k)
                p[k] = uint8_t(noisy ? rng() : x * (k + 1) + y * 3);
            if (grey)
                p[1] = p[2] = p[0];
            p[3] = opaque ? 255 : uint8_t(noisy ? rng() : x + y);
        }
    return image;
}

Bytes ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

struct Row {
    const char* name;
    RgbaImage picture;
    Colour colour;
};

std::vector<Row> Pictures()
{
    std::vector<Row> rows = {
        {"opaque colour", Drawn(40, 30, false, true, 1), kRgb},
        {"colour with alpha", Drawn(40, 30, false, false, 2), kRgba},
        {"opaque grey", Drawn(40, 30, true, true, 3), kGrey},
        {"grey with alpha", Drawn(40, 30, true, false, 4), kGreyAlpha},
        {"1 x 1 colour with alpha", Drawn(1, 1, false, false, 5), kRgba},
        {"1 x 1 opaque grey", Drawn(1, 1, true, true, 6), kGrey},
        {"1 x 1 transparent black", RgbaImage{1, 1, Bytes(4, 0)}, kGreyAlpha},
        {"a column", Drawn(1, 37, false, true, 7), kRgb},
        {"a row", Drawn(61, 1, true, false, 8), kGreyAlpha},
        {"odd width 3", Drawn(3, 9, false, false, 9), kRgba},
        {"odd width 17", Drawn(17, 5, true, true, 10), kGrey},
        {"odd width 195", Drawn(195, 13, false, true, 11), kRgb},
        {"odd width 317", Drawn(317, 11, true, false, 12), kGreyAlpha},
        // One pixel off grey, or off opaque, and the picture is not.
        {"grey but one pixel",
         [] {
             RgbaImage p = Drawn(20, 20, true, false, 13);
             p.at(19, 19)[2] ^= 1;
             return p;
         }(),
         kRgba},
        {"opaque but one pixel",
         [] {
             RgbaImage p = Drawn(20, 20, false, true, 14);
             p.at(0, 0)[3] = 254;
             return p;
         }(),
         kRgba},
    };
    for (const char* name : {"tal800", "tal1280"}) {
        Row row{name, {}, kGreyAlpha};
        std::string error;
        EXPECT_TRUE(DecodePng(ReadAll(std::string(ORVELINE_RESOURCES_DIR) + "/" + name + ".png"),
                              &row.picture, &error))
            << error;
        rows.push_back(std::move(row));
    }
    return rows;
}

// The first pixel where the two differ, or empty.
std::string Difference(const RgbaImage& got, const RgbaImage& want)
{
    if (got.width != want.width || got.height != want.height)
        return "size " + std::to_string(got.width) + " x " + std::to_string(got.height);
    for (int y = 0; y < want.height; ++y)
        for (int x = 0; x < want.width; ++x)
            if (std::memcmp(got.at(x, y), want.at(x, y), 4) != 0)
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return "";
}

// The filter types of the rows of an 8-bit file that is not interlaced.
std::set<int> FilterTypes(const Bytes& idat, const RgbaImage& picture, int channels)
{
    const size_t stride = size_t(picture.width) * size_t(channels) + 1;
    Bytes raw(stride * size_t(picture.height));
    uLongf size = uLongf(raw.size());
    EXPECT_EQ(uncompress(raw.data(), &size, idat.data(), uLong(idat.size())), Z_OK);
    EXPECT_EQ(size, raw.size());
    std::set<int> types;
    for (size_t at = 0; at < raw.size(); at += stride)
        types.insert(raw[at]);
    return types;
}

TEST(PngWriter, EveryPictureReadsBackInTheColourTypeOfFewestChannels)
{
    std::set<int> filters;
    for (const Row& row : Pictures()) {
        SCOPED_TRACE(row.name);
        Bytes png;
        std::string error;
        ASSERT_TRUE(EncodePng(row.picture, &png, &error)) << error;
        RgbaImage byLibpng, byTool;
        ASSERT_TRUE(ReadPngBytes(png, &byLibpng, &error)) << error;
        ASSERT_TRUE(DecodePng(png, &byTool, &error)) << error;
        EXPECT_EQ(Difference(byLibpng, row.picture), "");
        EXPECT_EQ(Difference(byTool, row.picture), "");

        // The header, one image data chunk, the end, and nothing else.
        const std::vector<Chunk> chunks = Chunks(png);
        ASSERT_EQ(chunks.size(), 3u);
        EXPECT_EQ(chunks[0].type, "IHDR");
        EXPECT_EQ(chunks[1].type, "IDAT");
        EXPECT_EQ(chunks[2].type, "IEND");
        ASSERT_EQ(chunks[0].body.size(), 13u);
        const Bytes& h = chunks[0].body;
        EXPECT_EQ(Be32(&h[0]), uint32_t(row.picture.width));
        EXPECT_EQ(Be32(&h[4]), uint32_t(row.picture.height));
        EXPECT_EQ(h[8], 8) << "bits a sample";
        EXPECT_EQ(h[9], row.colour) << "colour type";
        EXPECT_EQ(h[12], 0) << "interlaced";
        // zlib's header says a 32 KiB window and the level-9 tier.
        ASSERT_GE(chunks[1].body.size(), 2u);
        EXPECT_EQ(chunks[1].body[0], 0x78);
        EXPECT_EQ(chunks[1].body[1], 0xDA);
        const int channels = row.colour == kGrey        ? 1
                             : row.colour == kGreyAlpha ? 2
                             : row.colour == kRgb       ? 3
                                                        : 4;
        const std::set<int> used = FilterTypes(chunks[1].body, row.picture, channels);
        filters.insert(used.begin(), used.end());
    }
    // Each of the five filters is written somewhere above and read back.
    EXPECT_EQ(filters, (std::set<int>{0, 1, 2, 3, 4}));
}

TEST(PngWriter, WritesTheSameBytesEveryTimeAndAsItWroteTheShippedPictures)
{
    for (const Row& row : Pictures()) {
        SCOPED_TRACE(row.name);
        Bytes first, second;
        std::string error;
        ASSERT_TRUE(EncodePng(row.picture, &first, &error)) << error;
        ASSERT_TRUE(EncodePng(RgbaImage(row.picture), &second, &error)) << error;
        EXPECT_TRUE(first == second);
    }
    // The shipped pictures are the writer's own: read and written again,
    // they are the files byte for byte, as the branding tool relies on.
    for (const char* name : {"tal800", "tal1280"}) {
        SCOPED_TRACE(name);
        const Bytes file = ReadAll(std::string(ORVELINE_RESOURCES_DIR) + "/" + name + ".png");
        RgbaImage picture;
        Bytes again;
        std::string error;
        ASSERT_TRUE(DecodePng(file, &picture, &error)) << error;
        ASSERT_TRUE(EncodePng(picture, &again, &error)) << error;
        EXPECT_TRUE(again == file)
            << "resources/" << name << ".png is not what the writer makes of it; "
            << "build/host/tools/make_artwork resources writes it again";
    }
}

TEST(PngWriter, KeepsTheSmallerFileOfTheColourTypesItMayUse)
{
    for (const Row& row : Pictures()) {
        SCOPED_TRACE(row.name);
        Bytes smallest, rgba;
        std::string error;
        ASSERT_TRUE(EncodePng(row.picture, &smallest, &error)) << error;
        ASSERT_TRUE(EncodePng(row.picture, &rgba, &error, PngColours::kRgba)) << error;
        EXPECT_EQ(rgba[25], kRgba) << "asked for RGBA alone";
        EXPECT_LE(smallest.size(), rgba.size());
        RgbaImage back;
        ASSERT_TRUE(ReadPngBytes(rgba, &back, &error)) << error;
        EXPECT_EQ(Difference(back, row.picture), "");
    }
}

}  // namespace
