// Regions from a colour key, read back from the platform and compared with
// a plain scan of the same pixels.
#include "surface_win32.h"
#include "pixel_surface.h"
#include "gdi_squeeze.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <tuple>
#include <vector>

namespace {

// One row's span of covered pixels: row, first column, column after the last.
using Span = std::tuple<int32_t, int32_t, int32_t>;

struct RegionDeleter {
    void operator()(HRGN__* h) const { DeleteObject(h); }
};
using ScopedRegion = std::unique_ptr<HRGN__, RegionDeleter>;

// The region's pixels as spans per row. GDI merges equal bands of
// neighbouring rows into one rectangle, so rectangles are cut back into
// rows; within a row its rectangles never touch.
std::vector<Span> RegionSpans(HRGN hRgn)
{
    const DWORD size = GetRegionData(hRgn, 0, nullptr);
    std::vector<uint8_t> buffer(size);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    EXPECT_EQ(GetRegionData(hRgn, size, data), size);
    const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
    std::vector<Span> spans;
    for (DWORD i = 0; i < data->rdh.nCount; ++i)
        for (LONG y = rects[i].top; y < rects[i].bottom; ++y)
            spans.emplace_back(y, rects[i].left, rects[i].right);
    std::sort(spans.begin(), spans.end());
    return spans;
}

// The plain scan: every maximal run of pixels whose colour bytes differ
// from those of pixel (0, 0).
std::vector<Span> ScanSpans(PixelSurface& s, int32_t x, int32_t y, int32_t cx, int32_t cy)
{
    const uint8_t* key = s.at(0, 0);
    auto isKey = [&](int32_t c, int32_t r) {
        const uint8_t* p = s.at(x + c, y + r);
        return p[0] == key[0] && p[1] == key[1] && p[2] == key[2];
    };
    std::vector<Span> spans;
    for (int32_t r = 0; r < cy; ++r)
        for (int32_t c = 0; c < cx; ++c) {
            if (isKey(c, r))
                continue;
            const int32_t start = c;
            while (c < cx && !isKey(c, r))
                ++c;
            spans.emplace_back(r, start, c);
        }
    return spans;
}

// Colours a pixel; 'K' takes the key colour (0x10, 0x20, 0x30), other
// letters give other colours. Alpha bytes are left as they are.
void Paint(PixelSurface& s, int32_t x, int32_t y, char what)
{
    uint8_t* p = s.at(x, y);
    p[0] = 0x10;
    p[1] = 0x20;
    p[2] = what == 'K' ? 0x30 : uint8_t(what);
}

void PaintAll(PixelSurface& s, char what)
{
    for (int32_t y = 0; y < s->height; ++y)
        for (int32_t x = 0; x < s->width; ++x)
            Paint(s, x, y, what);
}

struct RandomCase {
    uint32_t seed;
    int32_t bitsPerPixel, width, height, x, y, cx, cy;
};

class RegionMatchesScan : public ::testing::TestWithParam<RandomCase> {};

TEST_P(RegionMatchesScan, OnRandomSurfacesWithFewColours)
{
    const RandomCase c = GetParam();
    std::mt19937 rng(c.seed);
    PixelSurface s(c.width, c.height, c.bitsPerPixel);
    s.randomize(rng);  // alpha bytes and padding stay random
    const char colours[] = "KKKab";
    for (int32_t y = 0; y < c.height; ++y)
        for (int32_t x = 0; x < c.width; ++x)
            Paint(s, x, y, colours[rng() % 5]);
    Paint(s, 0, 0, 'K');
    s->colorKey = rng();

    ScopedRegion region(RegionFromColorKey(s.get(), c.x, c.y, c.cx, c.cy));
    ASSERT_NE(region, nullptr);
    const int32_t cx = c.cx ? c.cx : c.width, cy = c.cy ? c.cy : c.height;
    const std::vector<Span> expected = ScanSpans(s, c.x, c.y, cx, cy);
    ASSERT_GT(expected.size(), size_t(cy));
    EXPECT_EQ(RegionSpans(region.get()), expected);
}

INSTANTIATE_TEST_SUITE_P(Surfaces, RegionMatchesScan,
                         ::testing::Values(RandomCase{1, 32, 40, 30, 0, 0, 0,
                                                      0},  // sizes of 0: the whole surface
                                           RandomCase{2, 24, 40, 30, 0, 0, 0, 0},
                                           RandomCase{3, 32, 57, 41, 5, 7, 33, 20},
                                           RandomCase{4, 24, 57, 41, 5, 7, 33, 20},
                                           RandomCase{5, 24, 61, 9, 3, 0, 0, 9},  // width 0 alone
                                           RandomCase{6, 32, 64, 48, 10, 20, 54, 28}));

TEST(RegionFromColorKey, EdgeCases)
{
    PixelSurface s(30, 30);
    PaintAll(s, 'K');
    {
        ScopedRegion all(RegionFromColorKey(s.get(), 0, 0, 0, 0));
        ASSERT_NE(all, nullptr);
        EXPECT_TRUE(RegionSpans(all.get()).empty()) << "all key";
    }

    // A block without the key colour comes back whole.
    for (int32_t y = 5; y < 25; ++y)
        for (int32_t x = 4; x < 20; ++x)
            Paint(s, x, y, 'a');
    {
        ScopedRegion whole(RegionFromColorKey(s.get(), 4, 5, 16, 20));
        ScopedRegion block(CreateRectRgn(0, 0, 16, 20));
        EXPECT_TRUE(EqualRgn(whole.get(), block.get()));
        // Offset (10, 20) in the surface: pixel (13, 22) is point (3, 2).
        ScopedRegion offset(RegionFromColorKey(s.get(), 10, 20, 5, 5));
        EXPECT_TRUE(PtInRegion(offset.get(), 3, 2));
        EXPECT_FALSE(PtInRegion(offset.get(), 13, 22));
    }

    // Non-key, key, non-key, non-key, key on row 2; a run to the row's end
    // on row 3.
    const char* row = "NKNNK";
    for (int32_t x = 0; x < 5; ++x) {
        Paint(s, x, 2, row[x]);
        Paint(s, x, 3, x < 2 ? 'K' : 'N');
    }
    {
        ScopedRegion rows(RegionFromColorKey(s.get(), 0, 2, 5, 2));
        EXPECT_EQ(RegionSpans(rows.get()), (std::vector<Span>{{0, 0, 1}, {0, 2, 4}, {1, 2, 5}}));
    }

    // Pixel (0, 0) sets the key, so it is never inside; the key colour
    // follows it, whatever colorKey says.
    PaintAll(s, 'a');
    Paint(s, 0, 0, 'b');
    {
        ScopedRegion fromCorner(RegionFromColorKey(s.get(), 0, 0, 0, 0));
        EXPECT_FALSE(PtInRegion(fromCorner.get(), 0, 0));
        EXPECT_TRUE(PtInRegion(fromCorner.get(), 1, 0));
        EXPECT_TRUE(PtInRegion(fromCorner.get(), 29, 29));
    }
}

// colorKey and alpha bytes have no say: the same colours give the same
// region in a 24-bit surface and in a 32-bit one whatever else it holds.
TEST(RegionFromColorKey, OnlyColourBytesDecide)
{
    std::mt19937 rng(9);
    PixelSurface s24(25, 18, 24), s32(25, 18, 32);
    s32.randomize(rng);
    for (int32_t y = 0; y < 18; ++y)
        for (int32_t x = 0; x < 25; ++x) {
            const char what = "KKa"[rng() % 3];
            Paint(s24, x, y, what);
            Paint(s32, x, y, what);
        }
    Paint(s24, 0, 0, 'K');
    Paint(s32, 0, 0, 'K');
    s32->colorKey = 0xFF000000 | 0x616161;
    ScopedRegion r24(RegionFromColorKey(s24.get(), 0, 0, 0, 0));
    ScopedRegion r32(RegionFromColorKey(s32.get(), 0, 0, 0, 0));
    EXPECT_TRUE(EqualRgn(r24.get(), r32.get()));
    s32->colorKey = 0;
    for (int32_t y = 0; y < 18; ++y)
        for (int32_t x = 0; x < 25; ++x)
            s32.at(x, y)[3] = uint8_t(rng());
    ScopedRegion again(RegionFromColorKey(s32.get(), 0, 0, 0, 0));
    EXPECT_TRUE(EqualRgn(r24.get(), again.get()));
}

// With room for the result and one band, a block of many runs still builds:
// each band is released before the next one is made. With room for the
// result only, the first band fails: nothing half-built comes back, and the
// result's handle is free again afterwards.
TEST(RegionFromColorKey, ReleasesBandsAndFailsWhole)
{
    PixelSurface s(40, 10);
    PaintAll(s, 'a');
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 40; x += 2)
            Paint(s, x, y, 'K');
    {
        HandleSqueeze squeeze(2);
        ASSERT_GT(squeeze.held.size(), 100u) << "no handle limit reached";
        ScopedRegion region(RegionFromColorKey(s.get(), 0, 0, 0, 0));
        ASSERT_NE(region, nullptr);
        EXPECT_EQ(RegionSpans(region.get()).size(), 200u);
    }
    {
        HandleSqueeze squeeze(1);
        EXPECT_EQ(RegionFromColorKey(s.get(), 0, 0, 0, 0), nullptr);
        HRGN last = CreateRectRgn(0, 0, 1, 1);
        EXPECT_NE(last, nullptr) << "the partly built result was not released";
        DeleteObject(last);
        HandleSqueeze none(0);
        EXPECT_EQ(RegionFromColorKey(s.get(), 0, 0, 0, 0), nullptr);
    }
}

}  // namespace
