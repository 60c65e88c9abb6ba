// The artwork packer, judged by what the launcher itself makes of its
// output: every packed picture is read back through the product's loader
// (file header, layout, row copy into a surface) and must give exactly the
// PNG's pixels as blue, green, red and alpha.
#include "artwork_files.h"
#include "png_io.h"
#include "preview.h"
#include "show.h"
#include "../bitmap_cases.h"
#include "pixel_surface.h"

#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <cmath>
#include <cstring>
#include <strings.h>
#include <filesystem>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;
using Rgba = std::array<uint8_t, 4>;

Bytes ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

RgbaImage Picture(int width, int height, uint32_t seed)
{
    RgbaImage image{width, height, Bytes(size_t(width) * size_t(height) * 4)};
    std::mt19937 rng(seed);
    for (auto& b : image.rgba)
        b = uint8_t(rng());
    return image;
}

// A picture drawn pixel by pixel.
template <typename Draw>
RgbaImage Drawn(int width, int height, Draw draw)
{
    RgbaImage image{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgba p = draw(x, y);
            image.rgba.insert(image.rgba.end(), p.begin(), p.end());
        }
    return image;
}

// A fresh folder for each test, gone afterwards.
class ArtworkFiles : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() / ("orveline_artwork_" + std::to_string(getpid()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
    std::string At(const std::string& name) const { return (dir / name).string(); }
    void Save(const std::string& name, const RgbaImage& image) const
    {
        std::string error;
        ASSERT_TRUE(WritePng(At(name), image, &error)) << error;
    }
    std::set<std::string> Listing(const std::string& name) const
    {
        std::set<std::string> names;
        if (fs::exists(dir / name))
            for (const auto& entry : fs::directory_iterator(dir / name))
                names.insert(entry.path().filename().string());
        return names;
    }
};

// What the launcher's loader draws from a bitmap file, put back in RGBA
// order; nothing (0 x 0) when it refuses the file. The file must also carry
// the masks of the pictures already shipped, though the loader ignores them.
RgbaImage Launched(const Bytes& file)
{
    // The packer's block is the whole file, as the header announces.
    PixelSurface surface;
    BitmapLayout layout;
    std::string error;
    if (file.size() < kBitmapFileHeaderSize ||
        BitmapFileBlockSize(file.data(), file.size()) != file.size() - kBitmapFileHeaderSize ||
        !ReadBitmapSurface(file, &surface, &error, &layout) || layout.masks == 0)
        return {};
    const uint8_t* packed = file.data() + kBitmapFileHeaderSize;
    EXPECT_EQ(Bytes(packed + layout.masks, packed + layout.masks + 12), bmp::Masks())
        << "not the shipped masks";
    return Drawn(layout.width, layout.height, [&](int x, int y) {
        const uint8_t* p = surface.at(x, y);
        return Rgba{p[2], p[1], p[0], p[3]};
    });
}

// Empty when the launcher draws exactly the picture, else the first pixel
// that differs.
std::string LauncherDraws(const Bytes& file, const RgbaImage& want)
{
    const RgbaImage got = Launched(file);
    if (got.width != want.width || got.height != want.height)
        return "size " + std::to_string(got.width) + " x " + std::to_string(got.height);
    for (int y = 0; y < want.height; ++y)
        for (int x = 0; x < want.width; ++x)
            if (!std::equal(got.at(x, y), got.at(x, y) + 4, want.at(x, y)))
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return "";
}

// --- Every kind of PNG reaches the launcher as its own pixels ---------------

struct ColourCase {
    const char* name;
    int colorType, bitDepth, interlace;
};

void PrintTo(const ColourCase& c, std::ostream* out)
{
    *out << c.name;
}

const ColourCase kColourCases[] = {
    {"rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, PNG_INTERLACE_NONE},
    {"rgba8_interlaced", PNG_COLOR_TYPE_RGB_ALPHA, 8, PNG_INTERLACE_ADAM7},
    {"rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, PNG_INTERLACE_NONE},
    {"rgb8", PNG_COLOR_TYPE_RGB, 8, PNG_INTERLACE_NONE},
    {"grey8", PNG_COLOR_TYPE_GRAY, 8, PNG_INTERLACE_NONE},
    {"grey_alpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, PNG_INTERLACE_NONE},
    {"grey_alpha16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, PNG_INTERLACE_NONE},
    {"palette_trns", PNG_COLOR_TYPE_PALETTE, 8, PNG_INTERLACE_NONE},
};

// Palette entry i; the transparency chunk covers only the first 100 entries,
// so the rest must come out opaque.
Rgba PaletteEntry(int i)
{
    return {uint8_t(i), uint8_t(255 - i), uint8_t(i * 3), uint8_t(i < 100 ? i * 2 : 255)};
}

// Writes a picture of varied samples in the case's colour type through
// libpng and returns the RGBA the launcher must end up with.
RgbaImage WriteColourCase(const std::string& path, const ColourCase& c, int width, int height)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), c.bitDepth, c.colorType,
                 c.interlace, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (c.colorType == PNG_COLOR_TYPE_PALETTE) {
        png_color palette[256];
        png_byte alphas[100];
        for (int i = 0; i < 256; ++i) {
            const Rgba e = PaletteEntry(i);
            palette[i] = {e[0], e[1], e[2]};
            if (i < 100)
                alphas[i] = e[3];
        }
        png_set_PLTE(png, info, palette, 256);
        png_set_tRNS(png, info, alphas, 100, nullptr);
    }
    png_write_info(png, info);
    const int channels = png_get_channels(png, info), bytes = c.bitDepth / 8;
    Bytes pixels;
    const RgbaImage want = Drawn(width, height, [&](int x, int y) {
        uint8_t s[4];
        for (int k = 0; k < channels; ++k) {
            s[k] = uint8_t((x * 37 + y * 101 + k * 59) ^ (x * y));
            pixels.insert(pixels.end(), size_t(bytes), s[k]);  // 16 bits: v * 257
        }
        switch (c.colorType) {
        case PNG_COLOR_TYPE_GRAY:
            return Rgba{s[0], s[0], s[0], 255};
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            return Rgba{s[0], s[0], s[0], s[1]};
        case PNG_COLOR_TYPE_RGB:
            return Rgba{s[0], s[1], s[2], 255};
        case PNG_COLOR_TYPE_PALETTE:
            return PaletteEntry(s[0]);
        default:
            return Rgba{s[0], s[1], s[2], s[3]};
        }
    });
    std::vector<png_bytep> rows;
    for (int y = 0; y < height; ++y)
        rows.push_back(&pixels[size_t(y) * size_t(width * channels * bytes)]);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return want;
}

class ColourTypes : public ArtworkFiles, public ::testing::WithParamInterface<ColourCase> {};

TEST_P(ColourTypes, LauncherGetsThePngsPixels)
{
    const RgbaImage want = WriteColourCase(At("in.png"), GetParam(), 195, 145);
    RgbaImage picture;
    std::string error;
    // --fit must leave a picture of the right size exactly as it is.
    ASSERT_TRUE(PrepareArtwork(At("in.png"), kSmallArtwork, true, &picture, &error)) << error;
    EXPECT_EQ(LauncherDraws(EncodeArtworkBitmap(picture), want), "");
}

INSTANTIATE_TEST_SUITE_P(Png, ColourTypes, ::testing::ValuesIn(kColourCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Scaling to fit ----------------------------------------------------------

// The large picture's 317 x 236 times each scale, worked out by hand and
// rounded to the nearest pixel (halves up), and the names the launcher
// looks for.
TEST(ScaledArtwork, IsTheLargeSizeTimesItsScale)
{
    const struct {
        int percent, width, height;
        const char* name;
    } cases[] = {
        {125, 396, 295, "Tal1280x125"}, {150, 476, 354, "Tal1280x150"},
        {175, 555, 413, "Tal1280x175"}, {200, 634, 472, "Tal1280x2"},
        {250, 793, 590, "Tal1280x250"}, {300, 951, 708, "Tal1280x300"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.percent);
        const ArtworkSlot* slot = ScaledLargeArtwork(c.percent);
        ASSERT_NE(slot, nullptr);
        EXPECT_EQ(slot->width, c.width);
        EXPECT_EQ(slot->height, c.height);
        EXPECT_EQ(strcasecmp(slot->name, c.name), 0) << slot->name;
        EXPECT_EQ(std::string(ShowScaledName(c.percent)), c.name);
        EXPECT_EQ(ScaledPicture(c.percent).file, std::string(slot->name) + ".bmp");
    }
    for (int other : {0, 100, 120, 199, 400})
        EXPECT_EQ(ScaledLargeArtwork(other), nullptr) << other;
    EXPECT_EQ(ShowScaledName(100), nullptr);
}

TEST(FitInside, KeepsTheShapeCentredOnATransparentBorder)
{
    const std::pair<int, int> sizes[] = {{400, 100}, {100, 400}, {390, 290}, {13, 7},
                                         {1, 1},     {5000, 2},  {3, 4000}};
    const Rgba colour{30, 160, 220, 255};
    for (const ArtworkSlot& slot : {kSmallArtwork, kLargeArtwork})
        for (const auto& [width, height] : sizes) {
            SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + " into " +
                         slot.name);
            const RgbaImage fitted = FitInside(
                Drawn(width, height, [&](int, int) { return colour; }), slot.width, slot.height);
            ASSERT_EQ(fitted.width * fitted.height, slot.width * slot.height);
            // The opaque pixels must be exactly the colour and fill a
            // rectangle; every other pixel is clear.
            int left = slot.width, top = slot.height, right = 0, bottom = 0, opaque = 0;
            for (int y = 0; y < slot.height; ++y)
                for (int x = 0; x < slot.width; ++x) {
                    const uint8_t* p = fitted.at(x, y);
                    if (std::equal(colour.begin(), colour.end(), p)) {
                        ++opaque;
                        left = std::min(left, x), top = std::min(top, y);
                        right = std::max(right, x + 1), bottom = std::max(bottom, y + 1);
                    } else {
                        ASSERT_EQ(p[0] | p[1] | p[2] | p[3], 0) << "at (" << x << ", " << y << ")";
                    }
                }
            const int w = right - left, h = bottom - top;
            EXPECT_EQ(opaque, w * h) << "holes in the picture";
            // One side fills the box, the other keeps the shape to the
            // nearest pixel; the margins are even to within a pixel.
            EXPECT_TRUE(w == slot.width || h == slot.height);
            const double scale = std::min(double(slot.width) / width, double(slot.height) / height);
            EXPECT_LE(std::abs(w - std::max(1.0, width * scale)), 0.5);
            EXPECT_LE(std::abs(h - std::max(1.0, height * scale)), 0.5);
            EXPECT_LE(std::abs(left - (slot.width - right)), 1);
            EXPECT_LE(std::abs(top - (slot.height - bottom)), 1);
        }
}

TEST(FitInside, AveragesTheAreaEachPixelCoversByAlpha)
{
    // Halved checkerboards: black and white give mid grey rounded up; red
    // beside clear green gives red at half alpha, the hidden green unseen.
    struct {
        Rgba even, odd, expected;
    } rows[] = {
        {{0, 0, 0, 255}, {255, 255, 255, 255}, {128, 128, 128, 255}},
        {{255, 0, 0, 255}, {0, 255, 0, 0}, {255, 0, 0, 128}},
        {{200, 0, 0, 192}, {0, 100, 0, 64}, {150, 25, 0, 128}},
    };
    for (const auto& r : rows) {
        const RgbaImage board =
            Drawn(390, 290, [&](int x, int y) { return (x + y) % 2 ? r.odd : r.even; });
        const RgbaImage fitted = FitInside(board, 195, 145);
        EXPECT_EQ(fitted.rgba, Drawn(195, 145, [&](int, int) { return r.expected; }).rgba);
    }
}

TEST_F(ArtworkFiles, DiscEdgesKeepTheirColourThroughFit)
{
    // A red disc on transparent black, scaled down: its rim turns partly
    // transparent but stays pure red, never darkened by the black around.
    Save("disc.png", Drawn(1000, 800, [](int x, int y) {
             return std::hypot(x + 0.5 - 500, y + 0.5 - 400) < 390 ? Rgba{255, 0, 0, 255} : Rgba{};
         }));
    std::string error, report;
    ASSERT_TRUE(PackArtwork(At("disc.png"), At("disc.png"), At("out"), true, &error, &report))
        << error;
    EXPECT_NE(report.find("scaled from 1000 x 800"), std::string::npos) << report;
    for (const char* name : {"tal800.bmp", "tal1280.bmp"}) {
        SCOPED_TRACE(name);
        const RgbaImage got = Launched(ReadAll(dir / "out" / name));
        ASSERT_GT(got.width, 0);
        EXPECT_EQ(got.at(got.width / 2, got.height / 2)[3], 255);
        int rim = 0;
        for (size_t i = 0; i < got.rgba.size(); i += 4) {
            if (got.rgba[i + 3] == 0)
                continue;
            rim += got.rgba[i + 3] < 255;
            ASSERT_EQ(Bytes(&got.rgba[i], &got.rgba[i + 3]), (Bytes{255, 0, 0}))
                << "pixel " << i / 4;
        }
        EXPECT_GT(rim, 100);
    }
}

// --- Refusals leave the output as it was -------------------------------------

TEST_F(ArtworkFiles, WrongSizeIsRefusedWithoutFit)
{
    Save("small.png", Picture(200, 100, 3));
    Save("large.png", Picture(317, 236, 4));
    std::string error, report;
    EXPECT_FALSE(PackArtwork(At("small.png"), At("large.png"), At("out"), false, &error, &report));
    for (const char* words : {"small.png", "200 x 100", "195 x 145", "--fit"})
        EXPECT_NE(error.find(words), std::string::npos) << words << " missing from: " << error;
    EXPECT_FALSE(fs::exists(dir / "out")) << "nothing may be written when one picture is refused";
}

size_t Length(const Bytes& png, size_t chunk)
{
    return size_t(png[chunk]) << 24 | size_t(png[chunk + 1]) << 16 | size_t(png[chunk + 2]) << 8 |
           png[chunk + 3];
}

size_t Chunk(const Bytes& png, const char* type)
{
    size_t at = 8;
    while (at + 8 <= png.size() && std::memcmp(&png[at + 4], type, 4) != 0)
        at += 12 + Length(png, at);
    return at;
}

// Damage inside a chunk that its checksum does not give away.
Bytes Resealed(Bytes png, size_t chunk)
{
    const size_t length = Length(png, chunk);
    const uint32_t crc = uint32_t(crc32(0, &png[chunk + 4], uInt(length + 4)));
    for (size_t k = 0; k < 4; ++k)
        png[chunk + 8 + length + k] = uint8_t(crc >> (24 - 8 * k));
    return png;
}

Bytes Cut(Bytes png, size_t size)
{
    return Bytes(png.begin(), png.begin() + ptrdiff_t(size));
}

Bytes Poked(Bytes png, size_t at, std::initializer_list<uint8_t> bytes, bool reseal)
{
    std::copy(bytes.begin(), bytes.end(), png.begin() + ptrdiff_t(at));
    return reseal ? Resealed(png, Chunk(png, at < 33 ? "IHDR" : "IDAT")) : png;
}

// A good large picture, damaged in one way; each must be refused and leave
// the folder's older pictures exactly as they were.
struct Damage {
    const char* name;
    Bytes (*apply)(Bytes png);
    const char* says;  // part of the message ("" where libpng words it); null: no damage
};

void PrintTo(const Damage& d, std::ostream* out)
{
    *out << d.name;
}

const Damage kDamages[] = {
    {"intact", [](Bytes png) { return png; }, nullptr},
    {"not_png", [](Bytes) { return Bytes{'B', 'M', 'h', 'i', '\n', 0, 0, 0, 0, 0}; },
     "not a PNG file"},
    {"cut_in_signature", [](Bytes png) { return Cut(png, 6); }, "not a PNG file"},
    {"cut_after_signature", [](Bytes png) { return Cut(png, 8); }, "ends before"},
    {"cut_in_header", [](Bytes png) { return Cut(png, 20); }, "ends before"},
    {"cut_after_header", [](Bytes png) { return Cut(png, 33); }, "ends before"},
    {"cut_in_data", [](Bytes png) { return Cut(png, Chunk(png, "IDAT") + 500); }, "ends before"},
    {"cut_before_end", [](Bytes png) { return Cut(png, Chunk(png, "IEND")); }, "ends before"},
    {"data_unsealed", [](Bytes png) { return Poked(png, Chunk(png, "IDAT") + 300, {0x55}, false); },
     ""},
    {"header_unsealed", [](Bytes png) { return Poked(png, 24, {16}, false); }, "CRC"},
    {"deflate_data",
     [](Bytes png) {
         return Poked(png, Chunk(png, "IDAT") + 20, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, true);
     },
     ""},
    {"too_wide",
     [](Bytes png) {
         return Poked(png, 16, {0, 0, 0x20, 0x01}, true);
     },
     ""},
    {"huge",
     [](Bytes png) {
         return Poked(png, 16, {0x7F, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF}, true);
     },
     ""},
};

class DamagedPng : public ArtworkFiles, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedPng, IsRefusedAndTheOldPicturesStay)
{
    const Damage& d = GetParam();
    const RgbaImage small = Picture(195, 145, 5), large = Picture(317, 236, 6);
    Save("small.png", small);
    Save("good.png", large);
    WriteAll(dir / "large.png", d.apply(ReadAll(dir / "good.png")));
    fs::create_directories(dir / "out");
    WriteAll(dir / "out/tal800.bmp", {'o', 'l', 'd', '1'});
    WriteAll(dir / "out/tal1280.bmp", {'o', 'l', 'd', '2'});

    std::string error, report;
    const bool packed =
        PackArtwork(At("small.png"), At("large.png"), At("out"), false, &error, &report);
    EXPECT_EQ(Listing("out"), (std::set<std::string>{"tal800.bmp", "tal1280.bmp"})) << "leftovers";
    if (d.says == nullptr) {  // the damage is refused, not the picture
        ASSERT_TRUE(packed) << error;
        EXPECT_EQ(LauncherDraws(ReadAll(dir / "out/tal800.bmp"), small), "");
        EXPECT_EQ(LauncherDraws(ReadAll(dir / "out/tal1280.bmp"), large), "");
        return;
    }
    EXPECT_FALSE(packed);
    EXPECT_NE(error.find(At("large.png") + ": "), std::string::npos) << error;
    EXPECT_NE(error.find(d.says), std::string::npos) << error;
    EXPECT_EQ(ReadAll(dir / "out/tal800.bmp"), (Bytes{'o', 'l', 'd', '1'}));
    EXPECT_EQ(ReadAll(dir / "out/tal1280.bmp"), (Bytes{'o', 'l', 'd', '2'}));
}

INSTANTIATE_TEST_SUITE_P(Png, DamagedPng, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
