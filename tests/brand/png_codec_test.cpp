// The platform-free PNG decoder against the libpng reader the Linux packer
// has always used: for every kind of PNG, and for files libpng is lenient or
// strict about, both must accept with the same pixels or both refuse.
#include "png_codec.h"
#include "png_io.h"
#include "../png_cases.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace pngcase;

struct Outcome {
    bool ok;
    RgbaImage image;
    std::string error;
};

TEST(PngCodec, DecodesAsLibpngReadsAndRefusesWhatItRefuses)
{
    for (const Row& row : Rows()) {
        SCOPED_TRACE(row.name);
        const Bytes png = row.make();
        Outcome libpng, stb;
        libpng.ok = ReadPngBytes(png, &libpng.image, &libpng.error);
        stb.ok = DecodePng(png, &stb.image, &stb.error);
        if (row.refusal == nullptr) {
            ASSERT_TRUE(libpng.ok) << libpng.error;
            ASSERT_TRUE(stb.ok) << stb.error;
            EXPECT_EQ(stb.image.width, libpng.image.width);
            EXPECT_EQ(stb.image.height, libpng.image.height);
            EXPECT_TRUE(stb.image.rgba == libpng.image.rgba);
            continue;
        }
        if (row.libpngToo) {
            EXPECT_FALSE(libpng.ok);
        }
        EXPECT_FALSE(stb.ok);
        EXPECT_EQ(stb.image.width * stb.image.height, 0);
        EXPECT_NE(stb.error.find(row.refusal), std::string::npos) << stb.error;
        EXPECT_EQ(stb.error.find('\n'), std::string::npos) << stb.error;
    }
}

// Random damage, CRCs made right again or not: whatever libpng accepts comes
// out the same, and what it refuses is refused, but for a stream damaged
// past the last pixel, which only this decoder refuses.
TEST(PngCodec, AgreesWithLibpngOnRandomDamage)
{
    const Kind kinds[] = {kRgb8,
                          kGrey1Key,
                          kPalette8,
                          {PNG_COLOR_TYPE_RGB_ALPHA, 16, PNG_INTERLACE_ADAM7, 13, 9},
                          {PNG_COLOR_TYPE_GRAY, 16, PNG_INTERLACE_NONE, 7, 5, true}};
    std::mt19937 rng(7);
    int accepted = 0;
    for (int i = 0; i < 3000; ++i) {
        Bytes png = Written(kinds[i % 5]);
        const size_t at = 8 + rng() % (png.size() - 8);
        switch (rng() % 3) {
        case 0:
            png[at] ^= uint8_t(1 << rng() % 8);
            break;
        case 1:
            png = Cut(png, at);
            break;
        default:
            png[at] = uint8_t(rng());
            png = Joined(Chunks(png));
            break;
        }
        SCOPED_TRACE("case " + std::to_string(i));
        RgbaImage a, b;
        std::string ea, eb;
        const bool libpng = ReadPngBytes(png, &a, &ea), stb = DecodePng(png, &b, &eb);
        accepted += stb;
        if (libpng && !stb) {
            EXPECT_NE(eb.find("image data"), std::string::npos) << eb;
            continue;
        }
        ASSERT_EQ(stb, libpng) << "libpng: " << ea << "; stb: " << eb;
        EXPECT_TRUE(a.rgba == b.rgba);
    }
    EXPECT_GT(accepted, 300);
}

TEST(PngCodec, EncodedPicturesReadBackAsTheyWere)
{
    const struct {
        int width, height;
        size_t bytes;  // of pixels given; the right number unless the row says
        bool ok;
    } rows[] = {{1, 1, 4, true},
                {33, 7, 33 * 7 * 4, true},
                {256, 256, 256 * 256 * 4, true},
                {0, 5, 0, false},
                {4, 4, 60, false},
                {kPngMaxSide + 1, 1, size_t(kPngMaxSide + 1) * 4, false}};
    std::mt19937 rng(3);
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.width) + " x " + std::to_string(r.height));
        RgbaImage picture{r.width, r.height, Bytes(r.bytes)};
        for (uint8_t& b : picture.rgba)
            b = uint8_t(rng() % 4 ? rng() : 0);
        Bytes png;
        std::string error;
        ASSERT_EQ(EncodePng(picture, &png, &error), r.ok) << error;
        if (!r.ok) {
            EXPECT_TRUE(png.empty());
            EXPECT_FALSE(error.empty());
            continue;
        }
        RgbaImage byLibpng, byStb;
        ASSERT_TRUE(ReadPngBytes(png, &byLibpng, &error)) << error;
        ASSERT_TRUE(DecodePng(png, &byStb, &error)) << error;
        EXPECT_TRUE(byLibpng.rgba == picture.rgba);
        EXPECT_TRUE(byStb.rgba == picture.rgba);
    }
}

}  // namespace
