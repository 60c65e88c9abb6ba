// Copies, fills and the alpha setting, against expectations built byte by
// byte on a snapshot of the surfaces.
#include "pixel_surface.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = PixelBytes;

size_t Offset(const Surface& s, int32_t x, int32_t y)
{
    return size_t(y) * s.pitch + size_t(x) * size_t(s.bytesPerPixel);
}

// Random pixels drawn from a small palette, so keyed pixels are common.
void FillFromPalette(PixelSurface& s, std::mt19937& rng, const std::vector<uint32_t>& palette)
{
    for (int32_t y = 0; y < s->height; ++y)
        for (int32_t x = 0; x < s->width; ++x) {
            uint32_t colour = palette[rng() % palette.size()];
            uint8_t* p = s.at(x, y);
            for (int32_t b = 0; b < s->bytesPerPixel; ++b)
                p[b] = uint8_t(colour >> (8 * b));
            if (s->bytesPerPixel == 4)
                p[3] = uint8_t(rng());  // alpha never decides anything here
        }
}

struct OverlapCase {
    int32_t bitsPerPixel, srcX, dstX, cx;
};

class CopyWithinRows : public ::testing::TestWithParam<OverlapCase> {};

// The same rows of one surface as source and destination: the copy must
// read every source byte before it is overwritten, in either direction.
TEST_P(CopyWithinRows, MatchesCopyFromSnapshot)
{
    const OverlapCase c = GetParam();
    std::mt19937 rng(c.srcX * 131 + c.dstX);
    PixelSurface s(23, 5, c.bitsPerPixel);
    s.randomize(rng);
    const Bytes before = s.pixels;
    Bytes expected = before;
    for (int32_t y = 1; y < 4; ++y)
        std::copy_n(before.begin() + Offset(s.record, c.srcX, y), c.cx * s->bytesPerPixel,
                    expected.begin() + Offset(s.record, c.dstX, y));

    EXPECT_EQ(CopySurfaceRect(s.get(), c.dstX, 1, c.cx, 3, s.get(), c.srcX, 1), 1);
    EXPECT_EQ(s.pixels, expected);
}

INSTANTIATE_TEST_SUITE_P(Overlaps, CopyWithinRows,
                         ::testing::Values(OverlapCase{32, 0, 1, 20},
                                           OverlapCase{32, 1, 0, 20},  // one pixel apart
                                           OverlapCase{32, 2, 9, 12},
                                           OverlapCase{32, 9, 2, 12},   // partly
                                           OverlapCase{32, 4, 4, 10},   // onto itself
                                           OverlapCase{32, 0, 12, 11},  // side by side
                                           OverlapCase{24, 0, 1, 20}, OverlapCase{24, 7, 3, 14}));

// Between two surfaces of different pitch, every byte of the block moves
// (alpha included) and nothing outside it changes.
TEST(CopySurfaceRect, CopiesEveryByteOfTheBlockOnly)
{
    std::mt19937 rng(7);
    for (int32_t bpp : {24, 32}) {
        PixelSurface src(13, 9, bpp), dst(17, 11, bpp);
        src.randomize(rng);
        dst.randomize(rng);
        Bytes expected = dst.pixels;
        for (int32_t y = 0; y < 6; ++y)
            std::copy_n(src.pixels.begin() + Offset(src.record, 2, 3 + y), 9 * src->bytesPerPixel,
                        expected.begin() + Offset(dst.record, 8, 5 + y));
        EXPECT_EQ(CopySurfaceRect(dst.get(), 8, 5, 9, 6, src.get(), 2, 3), 1);
        EXPECT_EQ(dst.pixels, expected) << bpp << "-bit";
    }
}

class CopyKeyed : public ::testing::TestWithParam<uint32_t> {};

// Key-coloured source pixels are left out whatever their alpha and whatever
// the key's top byte; every other pixel arrives with its own alpha.
TEST_P(CopyKeyed, LeavesOutKeyColourOnly)
{
    const uint32_t colorKey = GetParam();
    std::mt19937 rng(colorKey);
    PixelSurface src(19, 12), dst(21, 14);
    FillFromPalette(src, rng, {colorKey & 0xFFFFFF, 0x000000, 0xFFFFFF, 0x102030, 0x302010});
    dst.randomize(rng);
    src->colorKey = colorKey;
    Bytes expected = dst.pixels;
    int32_t leftOut = 0;
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 16; ++x) {
            const uint8_t* p = src.at(1 + x, 2 + y);
            const bool key = p[0] == uint8_t(colorKey) && p[1] == uint8_t(colorKey >> 8) &&
                             p[2] == uint8_t(colorKey >> 16);
            leftOut += key;
            if (!key)
                std::copy_n(p, 4, expected.begin() + Offset(dst.record, 4 + x, 3 + y));
        }
    ASSERT_GT(leftOut, 0);

    EXPECT_EQ(CopySurfaceKeyed(dst.get(), 4, 3, 16, 10, src.get(), 1, 2), 1);
    EXPECT_EQ(dst.pixels, expected);
}

// 0 is how BlitSurface never calls it, but called directly it means black.
INSTANTIATE_TEST_SUITE_P(Keys, CopyKeyed,
                         ::testing::Values(0x00000000u, 0xFF000000u, 0x01FFFFFFu, 0x00102030u,
                                           0x7F302010u));

struct FillCase {
    COLORREF color;
    uint8_t blue, green, red;
};

class FillColour : public ::testing::TestWithParam<FillCase> {};

TEST_P(FillColour, StoresOpaquePixelsInPixelOrder)
{
    const FillCase c = GetParam();
    std::mt19937 rng(c.color);
    PixelSurface s(12, 8);
    s.randomize(rng);
    Bytes expected = s.pixels;
    for (int32_t y = 2; y < 7; ++y)
        for (int32_t x = 3; x < 11; ++x) {
            const size_t o = Offset(s.record, x, y);
            expected[o] = c.blue;
            expected[o + 1] = c.green;
            expected[o + 2] = c.red;
            expected[o + 3] = 0xFF;
        }
    EXPECT_EQ(FillSurfaceRect(s.get(), RECT{3, 2, 11, 7}, c.color), 1);
    EXPECT_EQ(s.pixels, expected);
}

INSTANTIATE_TEST_SUITE_P(Colours, FillColour,
                         ::testing::Values(FillCase{0x000000FF, 0, 0, 0xFF},  // pure red
                                           FillCase{0x00FF0000, 0xFF, 0, 0},  // pure blue
                                           FillCase{0x0000FF00, 0, 0xFF, 0},
                                           FillCase{0x00000000, 0, 0, 0},
                                           FillCase{0xAB123456, 0x12, 0x34, 0x56}));

TEST(SetSurfaceAlpha, StoresLowByteAndKeepsColour)
{
    std::mt19937 rng(3);
    for (int32_t alpha : {0x1FF, 0x100, 0x80, -1}) {
        PixelSurface s(10, 7);
        s.randomize(rng);
        Bytes expected = s.pixels;
        for (int32_t y = 1; y < 6; ++y)
            for (int32_t x = 2; x < 9; ++x)
                expected[Offset(s.record, x, y) + 3] = uint8_t(alpha);
        EXPECT_EQ(SetSurfaceAlpha(s.get(), 2, 1, 9, 6, alpha), 1);
        EXPECT_EQ(s.pixels, expected) << "alpha " << alpha;
    }
}

// Blocks that are empty or turned inside out change nothing and succeed.
TEST(EmptyBlocks, ChangeNothing)
{
    using Call = std::function<int(PixelSurface&, PixelSurface&, int32_t, int32_t)>;
    const std::pair<const char*, Call> calls[] = {
        {"CopySurfaceRect",
         [](PixelSurface& d, PixelSurface& s, int32_t w, int32_t h) {
             return CopySurfaceRect(d.get(), 2, 2, w, h, s.get(), 2, 2);
         }},
        {"CopySurfaceKeyed",
         [](PixelSurface& d, PixelSurface& s, int32_t w, int32_t h) {
             return CopySurfaceKeyed(d.get(), 2, 2, w, h, s.get(), 2, 2);
         }},
        {"FillSurfaceRect",
         [](PixelSurface& d, PixelSurface&, int32_t w, int32_t h) {
             return FillSurfaceRect(d.get(), RECT{2, 2, 2 + w, 2 + h}, 0x123456);
         }},
        {"SetSurfaceAlpha",
         [](PixelSurface& d, PixelSurface&, int32_t w, int32_t h) {
             return SetSurfaceAlpha(d.get(), 2, 2, 2 + w, 2 + h, 0x42);
         }},
    };
    const std::pair<int32_t, int32_t> sizes[] = {{0, 3},  {3, 0},  {0, 0},
                                                 {-1, 3}, {3, -2}, {-3, -3}};
    std::mt19937 rng(11);
    for (const auto& [name, call] : calls)
        for (const auto& [w, h] : sizes) {
            PixelSurface dst(6, 6), src(6, 6);
            dst.randomize(rng);
            src.randomize(rng);
            const Bytes before = dst.pixels;
            EXPECT_EQ(call(dst, src, w, h), 1) << name << " " << w << "x" << h;
            EXPECT_EQ(dst.pixels, before) << name << " " << w << "x" << h;
        }
}

}  // namespace
