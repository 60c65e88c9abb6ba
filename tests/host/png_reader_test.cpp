// The launcher's PNG reader against the branding tool's decoder: whatever
// the reader accepts, the tool decodes to the same picture, which must come
// out as the bitmap of that picture would, byte for byte; and every rule
// the reader holds refuses a file that breaks it alone. Each file is handed
// over in a buffer of exactly its size, and each block of rows too, so that
// under AddressSanitizer a read or write one byte outside them is caught.
#include "../png_cases.h"
#include "artwork.h"
#include "pixel_surface.h"
#include "png_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <set>

namespace {

using namespace pngcase;

// What the reader makes of a file, through both of its calls as the loader
// makes them; null when it is refused. The surface is made only once the
// file is accepted, as the loader makes it.
std::unique_ptr<PixelSurface> Load(const Bytes& file)
{
    std::unique_ptr<uint8_t[]> exact(new uint8_t[file.size() + 1]);
    std::copy(file.begin(), file.end(), exact.get());
    const uint32_t size = uint32_t(file.size());
    PngLayout layout, untouched;
    std::memset(&layout, 0xCD, sizeof layout);
    untouched = layout;
    if (!ReadPngLayout(exact.get(), size, nullptr, 0, &layout)) {
        EXPECT_EQ(std::memcmp(&layout, &untouched, sizeof layout), 0)
            << "a refusal stored a layout";
        return nullptr;
    }
    std::unique_ptr<uint8_t[]> raw(new uint8_t[layout.rawBytes]);
    PngLayout again = untouched;
    if (ReadPngLayout(exact.get(), size, raw.get(), layout.rawBytes - 1, &again) ||
        ReadPngLayout(exact.get(), size, raw.get(), layout.rawBytes + 1, &again))
        ADD_FAILURE() << "rows accepted into a block of the wrong size";
    if (!ReadPngLayout(exact.get(), size, raw.get(), layout.rawBytes, &again)) {
        EXPECT_EQ(std::memcmp(&again, &untouched, sizeof again), 0) << "a refusal stored a layout";
        return nullptr;
    }
    EXPECT_EQ(std::memcmp(&again, &layout, sizeof layout), 0);
    auto surface = std::make_unique<PixelSurface>(layout.width, layout.height);
    CopyPngRows(surface->get(), 0, 0, raw.get(), &layout);
    return surface;
}

// The bitmap the tool would pack from the picture its decoder reads,
// drawn the way the launcher draws bitmaps.
std::unique_ptr<PixelSurface> ThroughTheBitmap(const Bytes& file)
{
    RgbaImage image;
    std::string error;
    if (!DecodePng(file, &image, &error))
        return nullptr;
    const Bytes bitmap = EncodeArtworkBitmap(image);
    BitmapLayout layout;
    EXPECT_EQ(ReadBitmapLayout(bitmap.data() + 14, uint32_t(bitmap.size() - 14), &layout), 1);
    auto surface = std::make_unique<PixelSurface>(image.width, image.height);
    CopyBitmapRows(surface->get(), 0, 0, bitmap.data() + 14, &layout);
    return surface;
}

// Empty when the surfaces agree, else the first pixel that differs.
std::string FirstMismatch(PixelSurface& got, PixelSurface& want)
{
    if (got->width != want->width || got->height != want->height)
        return "the sizes differ";
    for (int32_t y = 0; y < got->height; ++y)
        for (int32_t x = 0; x < got->width; ++x)
            if (std::memcmp(got.at(x, y), want.at(x, y), 4) != 0) {
                char text[96];
                const uint8_t *g = got.at(x, y), *w = want.at(x, y);
                std::snprintf(text, sizeof text,
                              "pixel (%d, %d) is %02X%02X%02X%02X, expected %02X%02X%02X%02X", x, y,
                              g[0], g[1], g[2], g[3], w[0], w[1], w[2], w[3]);
                return text;
            }
    return "";
}

// The tool's table: of its files the reader takes the kinds the tool
// writes and no other, and those as the tool's bitmaps would show them.
TEST(PngReader, TakesTheToolsKindsFromItsTableAsItsBitmapsShowThem)
{
    const std::set<std::string> read = {"rgb8",        "rgba8",     "grey8",
                                        "grey_alpha8", "rgba8_1x1", "rgb8_gamma"};
    for (const Row& row : Rows()) {
        SCOPED_TRACE(row.name);
        const Bytes file = row.make();
        const auto reader = Load(file);
        EXPECT_EQ(reader != nullptr, read.count(row.name) == 1);
        if (reader == nullptr)
            continue;
        const auto bitmap = ThroughTheBitmap(file);
        ASSERT_NE(bitmap, nullptr) << "the tool refuses what the launcher reads";
        EXPECT_EQ(FirstMismatch(*reader, *bitmap), "");
    }
}

// Seeded random files of every kind read: any filter on any row, stored,
// fixed and dynamic blocks, and the data cut into chunks of any size.
TEST(PngReader, EveryKindFilterAndBlockComesOutAsTheToolReadsIt)
{
    const int colours[] = {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_GRAY_ALPHA,
                           PNG_COLOR_TYPE_RGB_ALPHA};
    const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY, Z_RLE, Z_FILTERED};
    const size_t splits[] = {0, 0, 1, 7, 1000};
    std::mt19937 rng(33);
    for (int i = 0; i < 400; ++i) {
        Composition c;
        c.colour = colours[rng() % 4];
        c.width = 1 + int(rng() % 40);
        c.height = 1 + int(rng() % 12);
        c.filters.clear();
        for (int k = 0; k < 1 + int(rng() % 6); ++k)
            c.filters.push_back(int(rng() % 5));
        c.level = int(rng() % 10);
        c.strategy = strategies[rng() % 5];
        c.split = splits[rng() % 5];
        c.seed = uint32_t(i);
        SCOPED_TRACE("case " + std::to_string(i));
        const Bytes file = Composed(c);
        const auto reader = Load(file), bitmap = ThroughTheBitmap(file);
        ASSERT_NE(reader, nullptr);
        ASSERT_NE(bitmap, nullptr);
        ASSERT_EQ(FirstMismatch(*reader, *bitmap), "");
    }
}

#ifdef ORVELINE_RESOURCES_DIR
Bytes ReadWhole(const std::string& path)
{
    Bytes bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    for (int ch; f != nullptr && (ch = std::fgetc(f)) != EOF;)
        bytes.push_back(uint8_t(ch));
    if (f != nullptr)
        std::fclose(f);
    return bytes;
}

// The pictures the program ships come out as the bitmaps it ships.
TEST(PngReader, ShippedPicturesComeOutAsTheShippedBitmaps)
{
    for (const char* name : {"tal800", "tal1280"}) {
        SCOPED_TRACE(name);
        const Bytes bmp = ReadWhole(std::string(ORVELINE_RESOURCES_DIR) + "/" + name + ".bmp");
        const auto png = Load(ReadWhole(std::string(ORVELINE_RESOURCES_DIR) + "/" + name + ".png"));
        ASSERT_GT(bmp.size(), 14u);
        ASSERT_NE(png, nullptr);
        BitmapLayout layout;
        ASSERT_EQ(ReadBitmapLayout(bmp.data() + 14, uint32_t(bmp.size() - 14), &layout), 1);
        PixelSurface fromBitmap(layout.width, layout.height);
        CopyBitmapRows(fromBitmap.get(), 0, 0, bmp.data() + 14, &layout);
        EXPECT_EQ(FirstMismatch(*png, fromBitmap), "");
    }
}
#endif

// Placed anywhere, even partly or wholly off the surface, the picture
// writes exactly the pixels it covers.
TEST(PngReader, OnlyTheCoveredPartIsWritten)
{
    const Bytes file = Composed({PNG_COLOR_TYPE_RGB_ALPHA, 5, 3});
    const auto whole = Load(file);
    ASSERT_NE(whole, nullptr);
    const struct {
        int32_t x, y;
    } places[] = {{1, 2}, {-2, -1}, {4, 4},         {3, -2},
                  {7, 0}, {0, -3},  {INT32_MIN, 0}, {0, INT32_MAX}};
    for (const auto at : places) {
        PngLayout layout;
        ASSERT_EQ(ReadPngLayout(file.data(), uint32_t(file.size()), nullptr, 0, &layout), 1);
        Bytes raw(layout.rawBytes);
        ASSERT_EQ(
            ReadPngLayout(file.data(), uint32_t(file.size()), raw.data(), layout.rawBytes, &layout),
            1);
        PixelSurface s(7, 6);
        std::memset(s->bits, 0x5A, s.pixels.size());
        CopyPngRows(s.get(), at.x, at.y, raw.data(), &layout);
        for (int32_t y = 0; y < 6; ++y)
            for (int32_t x = 0; x < 7; ++x) {
                const int64_t px = int64_t(x) - at.x, py = int64_t(y) - at.y;
                const bool inside = px >= 0 && px < 5 && py >= 0 && py < 3;
                const uint8_t untouched[4] = {0x5A, 0x5A, 0x5A, 0x5A};
                ASSERT_EQ(std::memcmp(s.at(x, y),
                                      inside ? whole->at(int32_t(px), int32_t(py)) : untouched, 4),
                          0)
                    << "(" << x << ", " << y << ") with the picture at (" << at.x << ", " << at.y
                    << ")";
            }
    }
}

// --- One rule broken at a time ----------------------------------------------

const Composition kGood{PNG_COLOR_TYPE_RGB_ALPHA, 19, 11};

Bytes WithHeader(size_t at, uint8_t value)
{
    return Edited(Composed(kGood), [&](auto& c) { c[0].body[at] = value; });
}

Bytes WithSides(uint32_t width, uint32_t height)
{
    return Edited(Composed({PNG_COLOR_TYPE_GRAY, 1, 1}),
                  [&](auto& c) { c[0].body = HeaderBody(int(width), int(height), 8, 0); });
}

Bytes WithChunk(size_t before, Chunk chunk)
{
    return Edited(Composed(kGood), [&](auto& c) { c.insert(c.begin() + long(before), chunk); });
}

// The image data made anew from the rows, changed.
Bytes WithRows(const std::function<void(Bytes& raw)>& change)
{
    return Recompressed(Composed(kGood), [&](Bytes& raw, Bytes& z) {
        if (z.empty())
            change(raw);
    });
}

Bytes WithStream(const std::function<void(Bytes& zlib)>& change)
{
    return Recompressed(Composed(kGood), [&](Bytes&, Bytes& z) {
        if (!z.empty())
            change(z);
    });
}

// A zlib header with its check made right again.
void SetZlibHeader(Bytes& z, uint8_t method, uint8_t flags)
{
    z[0] = method;
    z[1] = uint8_t(flags & 0xE0);
    z[1] = uint8_t(z[1] + (31 - (z[0] * 256 + z[1]) % 31) % 31);
}

struct Refusal {
    std::string name;
    Bytes file;
    bool inData = false;  // found only in the image data, by the second call
};

std::vector<Refusal> Refusals()
{
    const Bytes good = Composed(kGood);
    const Bytes split =
        Composed({PNG_COLOR_TYPE_RGB_ALPHA, 19, 11, {0, 1, 2, 3, 4}, 9, Z_DEFAULT_STRATEGY, 100});
    const Chunk text{"tEXt", {'a', 0, 'b'}};
    std::vector<Refusal> rows = {
        {"signature", Poked(good, 1, 0x20)},
        {"header not first", WithChunk(0, text)},
        {"second header", WithChunk(1, Chunks(good)[0])},
        {"header under another name", Edited(good, [](auto& c) { c[0].type = "iHDR"; })},
        {"header of 12 bytes", Edited(good, [](auto& c) { c[0].body.resize(12); })},
        {"header of 14 bytes", Edited(good, [](auto& c) { c[0].body.push_back(0); })},
        {"zero wide", WithSides(0, 1)},
        {"zero high", WithSides(1, 0)},
        {"wider than the cap", WithSides(kBitmapMaxSide + 1, 1)},
        {"higher than the cap", WithSides(1, kBitmapMaxSide + 1)},
        {"sides past 31 bits", WithSides(0x80000001u, 0x80000001u)},
        {"sides all ones", WithSides(0xFFFFFFFFu, 0xFFFFFFFFu)},
        {"16-bit", Written({PNG_COLOR_TYPE_RGB_ALPHA, 16})},
        {"4-bit grey", Written({PNG_COLOR_TYPE_GRAY, 4})},
        {"palette", Written({PNG_COLOR_TYPE_PALETTE, 8})},
        {"colour type 1", WithHeader(9, 1)},
        {"colour type 5", WithHeader(9, 5)},
        {"colour type 7", WithHeader(9, 7)},
        {"compression method 1", WithHeader(10, 1)},
        {"filter method 1", WithHeader(11, 1)},
        {"interlaced", Written({PNG_COLOR_TYPE_RGB_ALPHA, 8, PNG_INTERLACE_ADAM7, 19, 11})},
        {"interlace flag alone", WithHeader(12, 1)},
        {"transparency", Edited(Composed({PNG_COLOR_TYPE_RGB, 5, 3}),
                                [](auto& c) {
                                    c.insert(c.begin() + 1, Chunk{"tRNS", {0, 1, 0, 2, 0, 3}});
                                })},
        {"suggested palette", WithChunk(1, Chunk{"PLTE", {1, 2, 3}})},
        {"unknown critical chunk", WithChunk(1, Chunk{"QUIT", {1}})},
        {"type not letters", WithChunk(1, Chunk{"te1t", {1}})},
        {"ancillary chunk damaged", Poked(WithChunk(1, text), 33 + 8 + 3, 1)},
        {"length past 31 bits",
         [&] {
             Bytes b = good;
             b[33] = 0x80;
             return b;
         }()},
        {"no image data", Edited(good, [](auto& c) { c.erase(c.begin() + 1); })},
        {"image data in two runs", Edited(split, [&](auto& c) { c.insert(c.begin() + 2, text); })},
        {"no end", Edited(good, [](auto& c) { c.pop_back(); })},
        {"end with a body", Edited(good, [](auto& c) { c.back().body = {0}; })},
        {"end before the data", Edited(good, [](auto& c) { std::swap(c[1], c[2]); })},
        {"a byte after the end",
         [&] {
             Bytes b = good;
             b.push_back(0);
             return b;
         }()},
        {"a chunk after the end", Edited(good, [&](auto& c) { c.push_back(text); })},
        {"zlib check", WithStream([](Bytes& z) { z[1] ^= 1; }), true},
        {"zlib method 7", WithStream([](Bytes& z) { SetZlibHeader(z, 0x77, 0); }), true},
        {"zlib window of 64 KiB", WithStream([](Bytes& z) { SetZlibHeader(z, 0x88, 0); }), true},
        {"zlib preset dictionary", WithStream([](Bytes& z) { SetZlibHeader(z, 0x78, 0x20); }),
         true},
        {"Adler-32", WithStream([](Bytes& z) { z.back() ^= 1; }), true},
        {"stream without its checksum", WithStream([](Bytes& z) { z.resize(z.size() - 4); }), true},
        {"stream cut short", WithStream([](Bytes& z) { z.resize(z.size() / 2); }), true},
        {"bytes after the stream", WithStream([](Bytes& z) { z.push_back(0); }), true},
        {"image data after the stream", WithChunk(2, Chunk{"IDAT", {0}}), true},
        {"one byte short of the rows", WithRows([](Bytes& raw) { raw.pop_back(); }), true},
        {"one byte past the rows", WithRows([](Bytes& raw) { raw.push_back(0); }), true},
        {"filter 5 on the last row", WithRows([](Bytes& raw) { raw[raw.size() - 77] = 5; }), true},
        {"filter 255 on the top row", WithRows([](Bytes& raw) { raw[0] = 255; }), true},
    };
    // Every CRC, each chunk's in turn.
    size_t at = 8;
    for (const Chunk& c : Chunks(split)) {
        rows.push_back({c.type + " CRC at " + std::to_string(at),
                        Poked(split, at + 8 + c.body.size() + 2, 4)});
        rows.push_back({c.type + " body at " + std::to_string(at),
                        Poked(split, at + 8 + c.body.size() / 2, 1)});
        at += 12 + c.body.size();
    }
    // Cut at every byte, chunk boundaries among them.
    for (size_t size = 0; size < split.size(); ++size)
        rows.push_back({"cut to " + std::to_string(size) + " bytes", Cut(split, size)});
    return rows;
}

TEST(PngReader, RefusesEachBrokenRule)
{
    // The file every row breaks is read.
    ASSERT_NE(Load(Composed(kGood)), nullptr);
    ASSERT_NE(Load(Composed(
                  {PNG_COLOR_TYPE_RGB_ALPHA, 19, 11, {0, 1, 2, 3, 4}, 9, Z_DEFAULT_STRATEGY, 100})),
              nullptr);
    ASSERT_NE(Load(Composed({PNG_COLOR_TYPE_GRAY, kBitmapMaxSide, 1})), nullptr)
        << "the widest picture";
    ASSERT_NE(Load(Composed({PNG_COLOR_TYPE_GRAY, 1, kBitmapMaxSide})), nullptr)
        << "the highest picture";
    ASSERT_NE(Load(WithChunk(1, Chunk{"tEXt", {'a', 0, 'b'}})), nullptr) << "an ancillary chunk";
    ASSERT_NE(Load(WithChunk(2, Chunk{"IDAT", {}})), nullptr)
        << "an empty IDAT chunk after the stream";
    for (const Refusal& r : Refusals()) {
        SCOPED_TRACE(r.name);
        PngLayout layout;
        EXPECT_EQ(ReadPngLayout(r.file.data(), uint32_t(r.file.size()), nullptr, 0, &layout),
                  r.inData ? 1 : 0)
            << (r.inData ? "refused before the image data" : "let through to the image data");
        EXPECT_EQ(Load(r.file), nullptr);
    }
}

}  // namespace
