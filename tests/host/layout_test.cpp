#include "pixel_surface.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct LayoutCase {
    int32_t width, height, bitsPerPixel;
    uint32_t pitch;  // 0: the layout must be refused
};

// Pitches round each row up to whole 4-byte words; sizes that cannot make a
// surface, or whose last row would start past a signed 32-bit offset, are
// refused and leave the record all zero.
const LayoutCase kLayouts[] = {
    {1, 1, 24, 4},
    {3, 2, 24, 12},
    {4, 2, 24, 12},
    {5, 1, 32, 20},
    {1, 7, 32, 4},
    {3, 1, 16, 8},
    {0, 10, 32, 0},
    {10, 0, 32, 0},
    {-1, 10, 32, 0},
    {10, -1, 32, 0},
    {INT32_MIN, 1, 32, 0},
    {1, INT32_MIN, 24, 0},
    {10, 10, 8, 0},
    {10, 10, 1, 0},
    {10, 10, 0, 0},
    {10, 10, -32, 0},
    {10, 10, 64, 0},
    {INT32_MAX, 1, 32, 0},
    {16384, 32768, 32, 0},
    {16384, 32767, 32, 65536},
    {536870911, 1, 32, 2147483644u},
};

class SurfaceLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(SurfaceLayout, StoresSizesAndPitchOrRefuses)
{
    const LayoutCase c = GetParam();
    Surface s;
    std::memset(&s, 0xAB, sizeof s);
    const int ok = SetSurfaceLayout(&s, c.width, c.height, c.bitsPerPixel);
    if (c.pitch == 0) {
        EXPECT_EQ(ok, 0);
        Surface zero{};
        EXPECT_EQ(0, std::memcmp(&s, &zero, sizeof s));
        return;
    }
    ASSERT_EQ(ok, 1);
    EXPECT_EQ(s.width, c.width);
    EXPECT_EQ(s.height, c.height);
    EXPECT_EQ(s.bytesPerPixel, c.bitsPerPixel / 8);
    EXPECT_EQ(s.pitch, c.pitch);
    EXPECT_EQ(s.hBitmap, nullptr);
    EXPECT_EQ(s.bits, nullptr);
    EXPECT_EQ(s.rowOffsets, nullptr);
    EXPECT_EQ(s.colorKey, 0u);
    EXPECT_EQ(s.name[0], '\0');
}

INSTANTIATE_TEST_SUITE_P(Sizes, SurfaceLayout, ::testing::ValuesIn(kLayouts));

}  // namespace
