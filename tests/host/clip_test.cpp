// Clipping of copy blocks to two surfaces, checked against a pixel-by-pixel
// count of which columns (or rows) lie inside both.
#include "surface.h"
#include "pixel_surface.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// Every placement of a block on small surfaces, one axis at a time: the
// other axis is kept wholly inside, so the result shows this axis alone.
TEST(ClipBlock, KeepsExactlyThePixelsInsideBothSurfaces)
{
    PixelSurface dst(7, 5), src(4, 6);
    for (int axis = 0; axis < 2; ++axis) {
        const int32_t dstSize = axis == 0 ? 7 : 5, srcSize = axis == 0 ? 4 : 6;
        for (int32_t d = -9; d <= 9; ++d)
            for (int32_t s = -9; s <= 9; ++s)
                for (int32_t n = -3; n <= 14; ++n) {
                    int32_t first = INT32_MAX, last = INT32_MIN;
                    for (int32_t i = 0; i < n; ++i)
                        if (d + i >= 0 && d + i < dstSize && s + i >= 0 && s + i < srcSize) {
                            first = std::min(first, i);
                            last = std::max(last, i);
                        }
                    int32_t p[6] = {0, 0, 1, 1, 0, 0};  // dstX, dstY, cx, cy, srcX, srcY
                    p[axis] = d, p[2 + axis] = n, p[4 + axis] = s;
                    const int ok =
                        ClipBlock(dst.get(), &p[0], &p[1], &p[2], &p[3], src.get(), &p[4], &p[5]);
                    SCOPED_TRACE(testing::Message() << "axis " << axis << " dst " << d << " src "
                                                    << s << " size " << n);
                    if (first == INT32_MAX) {
                        EXPECT_EQ(ok, 0);
                        EXPECT_EQ(p[axis], d);  // untouched when nothing is left
                        EXPECT_EQ(p[2 + axis], n);
                        continue;
                    }
                    ASSERT_EQ(ok, 1);
                    EXPECT_EQ(p[axis], d + first);
                    EXPECT_EQ(p[4 + axis], s + first);
                    EXPECT_EQ(p[2 + axis], last - first + 1);
                    EXPECT_EQ(p[1 - axis], 0);
                    EXPECT_EQ(p[3 - axis], 1);
                }
    }
}

// Positions and sizes near the limits of 32 bits must not wrap around into
// the surface.
TEST(ClipBlock, ExtremesDoNotWrap)
{
    PixelSurface s(8, 8);
    struct Case {
        int32_t pos, size, ok, clippedPos, clippedSize;
    } cases[] = {
        {INT32_MAX, INT32_MAX, 0, 0, 0},  {INT32_MIN, INT32_MAX, 0, 0, 0},
        {-INT32_MAX, INT32_MAX, 0, 0, 0}, {INT32_MAX - 2, 100, 0, 0, 0},
        {2, INT32_MAX, 1, 2, 6},          {-(INT32_MAX - 3), INT32_MAX, 1, 0, 3},
        {INT32_MIN, -1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        int32_t x = c.pos, y = 0, cx = c.size, cy = 8, sx = c.pos, sy = 0;
        SCOPED_TRACE(testing::Message() << c.pos << " + " << c.size);
        ASSERT_EQ(ClipBlock(s.get(), &x, &y, &cx, &cy, s.get(), &sx, &sy), c.ok);
        if (c.ok) {
            EXPECT_EQ(x, c.clippedPos);
            EXPECT_EQ(sx, c.clippedPos);
            EXPECT_EQ(cx, c.clippedSize);
        }
    }
}

}  // namespace
