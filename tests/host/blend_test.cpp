#include "blend_rule.h"
#include "pixel_surface.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>

namespace {

// The rule as plainly as it can be said, with divisions instead of shifts.
int RuleReference(int d, int s, int a)
{
    return d * (256 - a) / 256 + s * a / 256;
}

std::string Where(int x, int y, int byte)
{
    return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") byte " +
           std::to_string(byte);
}

TEST(BlendRule, MatchesPlainStatementForEveryByteAndWeight)
{
    for (int a = 0; a <= 256; ++a)
        for (int d = 0; d < 256; ++d)
            for (int s = 0; s < 256; ++s) {
                int expected = RuleReference(d, s, a);
                ASSERT_LE(expected, 255) << "d=" << d << " s=" << s << " a=" << a;
                ASSERT_EQ(BlendByte(d, s, a), expected) << "d=" << d << " s=" << s << " a=" << a;
            }
}

// Every public blend and every form of the two surface blends, reduced to
// "blend this row of source pixels onto this row of destination pixels", so
// the exhaustive sweep below runs on all of them.
struct RowBlender {
    const char* name;
    bool blendsAlpha;  // the raw-pixel blends mix byte 3 and copy opaque pixels
    uint32_t needs;    // processor features the form runs on
    std::function<void(PixelSurface&, PixelSurface&)> blend;
};

using SurfaceBlend = int (*)(Surface*, int32_t, int32_t, int32_t, int32_t, const Surface*, int32_t,
                             int32_t, int32_t);
using KeyedBlend = int (*)(Surface*, int32_t, int32_t, int32_t, int32_t, const Surface*, int32_t,
                           int32_t);

RowBlender AtLevel256(const char* name, uint32_t needs, SurfaceBlend blend)
{
    return {name, false, needs, [blend](PixelSurface& dst, PixelSurface& src) {
                blend(dst.get(), 0, 0, dst->width, 1, src.get(), 0, 0, 256);
            }};
}

RowBlender KeyInactive(const char* name, uint32_t needs, KeyedBlend blend)
{
    return {name, false, needs, [blend](PixelSurface& dst, PixelSurface& src) {
                blend(dst.get(), 0, 0, dst->width, 1, src.get(), 0, 0);
            }};
}

const RowBlender kRowBlenders[] = {
    AtLevel256("BlendSurfaceAtLevel256", 0, BlendSurface),
    AtLevel256("BlendSurfacePlainAtLevel256", 0, BlendSurfacePlain),
    AtLevel256("BlendSurfaceSSE2AtLevel256", kCpuSSE2, BlendSurfaceSSE2),
    AtLevel256("BlendSurfaceAVX2AtLevel256", kCpuAVX2, BlendSurfaceAVX2),
    KeyInactive("BlendSurfaceKeyedInactiveKey", 0, BlendSurfaceKeyed),
    KeyInactive("BlendSurfaceKeyedPlainInactiveKey", 0, BlendSurfaceKeyedPlain),
    KeyInactive("BlendSurfaceKeyedSSE2InactiveKey", kCpuSSE2, BlendSurfaceKeyedSSE2),
    KeyInactive("BlendSurfaceKeyedAVX2InactiveKey", kCpuAVX2, BlendSurfaceKeyedAVX2),
    {"BlendPixelsPlain", true, 0,
     [](PixelSurface& dst, PixelSurface& src) {
         BlendPixelsPlain(dst->bits, src->bits, 1, dst->width, 0, 0);
     }},
    {"BlendPixelsMMX", true, 0,
     [](PixelSurface& dst, PixelSurface& src) {
         BlendPixelsMMX(dst->bits, src->bits, 1, dst->width, 0, 0);
     }},
};

void PrintTo(const RowBlender& blender, std::ostream* os)
{
    *os << blender.name;
}

class EveryBlend : public ::testing::TestWithParam<RowBlender> {};

// Source column s holds colour bytes s; one row per (alpha, destination byte).
// At level 256 the effective weight of BlendSurface is the alpha itself, so
// all four routines must give the rule at every weight a pixel can carry.
TEST_P(EveryBlend, AppliesTheRuleToEveryByteAtEveryAlpha)
{
    const RowBlender& blender = GetParam();
    if ((ProcessorFeatures() & blender.needs) != blender.needs)
        GTEST_SKIP() << "the processor lacks this form's instructions";
    PixelSurface src(256, 1), dst(256, 1);
    for (int alpha = 0; alpha < 256; ++alpha) {
        for (int s = 0; s < 256; ++s) {
            uint8_t* p = src.at(s, 0);
            p[0] = p[1] = p[2] = uint8_t(s);
            p[3] = uint8_t(alpha);
        }
        for (int d = 0; d < 256; ++d) {
            const uint8_t dstAlpha = uint8_t(255 - d);
            for (int x = 0; x < 256; ++x) {
                uint8_t* p = dst.at(x, 0);
                p[0] = p[1] = p[2] = uint8_t(d);
                p[3] = dstAlpha;
            }
            blender.blend(dst, src);
            for (int s = 0; s < 256; ++s) {
                const uint8_t* p = dst.at(s, 0);
                int colour = blender.blendsAlpha && alpha == 255 ? s : RuleReference(d, s, alpha);
                int alphaByte = !blender.blendsAlpha ? dstAlpha
                                : alpha == 255       ? 255
                                                     : RuleReference(dstAlpha, alpha, alpha);
                for (int b = 0; b < 3; ++b)
                    ASSERT_EQ(p[b], colour)
                        << blender.name << " alpha " << alpha << " d " << d << " s " << s;
                ASSERT_EQ(p[3], alphaByte)
                    << blender.name << " alpha " << alpha << " d " << d << " s " << s;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Blends, EveryBlend, ::testing::ValuesIn(kRowBlenders),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BlendSurface, WeighsEachPixelByAlphaTimesLevelOver256)
{
    // Row x holds alpha x; destination 0 and 255 alternate down the columns.
    PixelSurface src(2, 256), dst(2, 256);
    for (int alpha = 0; alpha < 256; ++alpha)
        for (int x = 0; x < 2; ++x) {
            uint8_t* p = src.at(x, alpha);
            p[0] = 200, p[1] = 100, p[2] = 255, p[3] = uint8_t(alpha);
        }
    for (int level = 0; level <= 256; ++level) {
        for (int y = 0; y < 256; ++y) {
            std::memset(dst.at(0, y), 0, 4);
            std::memset(dst.at(1, y), 255, 4);
        }
        ASSERT_EQ(BlendSurface(dst.get(), 0, 0, 2, 256, src.get(), 0, 0, level), 1);
        for (int alpha = 0; alpha < 256; ++alpha) {
            int g = alpha * level / 256;
            for (int x = 0; x < 2; ++x) {
                int d = x == 0 ? 0 : 255;
                const uint8_t* p = dst.at(x, alpha);
                const uint8_t* s = src.at(x, alpha);
                for (int b = 0; b < 3; ++b)
                    ASSERT_EQ(p[b], RuleReference(d, s[b], g))
                        << "level " << level << " " << Where(x, alpha, b);
                ASSERT_EQ(p[3], d) << "level " << level << " " << Where(x, alpha, 3);
            }
        }
    }
}

TEST(BlendSurface, OpaqueWhiteAtLevel255LandsOneStepShort)
{
    struct Case {
        uint8_t dst;
        uint8_t expected;
    };
    const Case cases[] = {{0, 253}, {255, 254}};
    for (const Case& c : cases) {
        PixelSurface src(1, 1), dst(1, 1);
        std::memset(src.at(0, 0), 255, 4);
        std::memset(dst.at(0, 0), c.dst, 4);
        BlendSurface(dst.get(), 0, 0, 1, 1, src.get(), 0, 0, 255);
        for (int b = 0; b < 3; ++b)
            EXPECT_EQ(dst.at(0, 0)[b], c.expected) << "over " << int(c.dst);
        EXPECT_EQ(dst.at(0, 0)[3], c.dst);
    }
}

TEST(BlendSurface, LevelOutsideRangeActsAsNearestEnd)
{
    std::mt19937 rng(7);
    PixelSurface src(16, 4), base(16, 4);
    src.randomize(rng);
    base.randomize(rng);
    struct Case {
        int level;
        int equivalent;
    };
    for (Case c : {Case{-1, 0}, Case{-1000, 0}, Case{257, 256}, Case{100000, 256}}) {
        PixelSurface got(16, 4), want(16, 4);
        got.pixels = want.pixels = base.pixels;
        BlendSurface(got.get(), 0, 0, 16, 4, src.get(), 0, 0, c.level);
        BlendSurface(want.get(), 0, 0, 16, 4, src.get(), 0, 0, c.equivalent);
        EXPECT_EQ(got.pixels, want.pixels) << "level " << c.level;
    }
}

TEST(BlendSurface, AtLevel256EqualsKeyedBlendWithInactiveKey)
{
    std::mt19937 rng(2024);
    PixelSurface src(37, 23), a(41, 29), b(41, 29);
    src.randomize(rng);
    a.randomize(rng);
    b.pixels = a.pixels;
    src->colorKey = 0x00123456;  // inactive: top byte zero
    BlendSurface(a.get(), 3, 5, 37, 23, src.get(), 0, 0, 256);
    BlendSurfaceKeyed(b.get(), 3, 5, 37, 23, src.get(), 0, 0);
    EXPECT_EQ(a.pixels, b.pixels);
}

// Blocks inside surfaces of different widths: only the block changes, and
// each of its pixels is the rule applied to the matching source pixel.
TEST(BlendSurface, BlendsOnlyTheBlockBetweenSurfacesOfDifferentPitch)
{
    std::mt19937 rng(99);
    for (int trial = 0; trial < 50; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        const int sw = 1 + rng() % 40, sh = 1 + rng() % 20, dw = 1 + rng() % 40,
                  dh = 1 + rng() % 20;
        const int cx = 1 + rng() % std::min(sw, dw), cy = 1 + rng() % std::min(sh, dh);
        const int srcX = rng() % (sw - cx + 1), srcY = rng() % (sh - cy + 1);
        const int dstX = rng() % (dw - cx + 1), dstY = rng() % (dh - cy + 1);
        const int level = rng() % 257;
        PixelSurface src(sw, sh), dst(dw, dh), before(dw, dh);
        src.randomize(rng);
        dst.randomize(rng);
        before.pixels = dst.pixels;
        BlendSurface(dst.get(), dstX, dstY, cx, cy, src.get(), srcX, srcY, level);
        for (int y = 0; y < dh; ++y)
            for (int x = 0; x < dw; ++x) {
                const bool inside = x >= dstX && x < dstX + cx && y >= dstY && y < dstY + cy;
                const uint8_t* d0 = before.at(x, y);
                const uint8_t* s = inside ? src.at(x - dstX + srcX, y - dstY + srcY) : nullptr;
                for (int b = 0; b < 4; ++b) {
                    int expected =
                        inside && b < 3 ? RuleReference(d0[b], s[b], s[3] * level / 256) : d0[b];
                    ASSERT_EQ(dst.at(x, y)[b], expected) << Where(x, y, b);
                }
            }
    }
}

TEST(BlendSurfaceKeyed, LeavesKeyColouredPixelsWhateverTheirAlphaOnlyWhileKeyIsActive)
{
    const uint32_t keyColour = 0x00102030;  // blue 0x30, green 0x20, red 0x10
    PixelSurface src(4, 1);
    const uint8_t alphas[] = {0, 128, 255, 255};
    for (int x = 0; x < 4; ++x) {
        uint8_t* p = src.at(x, 0);
        p[0] = 0x30, p[1] = 0x20, p[2] = 0x10, p[3] = alphas[x];
    }
    src.at(3, 0)[0] = 0x31;  // differs from the key in blue alone
    for (uint32_t top : {0x01000000u, 0xFF000000u, 0u}) {
        src->colorKey = keyColour | top;
        PixelSurface dst(4, 1);
        std::memset(dst.pixels.data(), 0xC8, dst.pixels.size());
        BlendSurfaceKeyed(dst.get(), 0, 0, 4, 1, src.get(), 0, 0);
        for (int x = 0; x < 4; ++x) {
            const bool keyed = top != 0 && x < 3;
            for (int b = 0; b < 3; ++b) {
                int expected = keyed ? 0xC8 : RuleReference(0xC8, src.at(x, 0)[b], alphas[x]);
                EXPECT_EQ(dst.at(x, 0)[b], expected)
                    << "key top byte " << (top >> 24) << " " << Where(x, 0, b);
            }
            EXPECT_EQ(dst.at(x, 0)[3], 0xC8);
        }
    }
}

TEST(BlendSurfaceKeyed, TakesPixelSizeFromSource)
{
    // A 32-bit source onto a destination whose record claims 3 bytes per
    // pixel: the keyed blend still steps 4 bytes, so pixel 1 lands at byte 4.
    PixelSurface src(2, 1), dst(2, 1);
    std::memset(src.pixels.data(), 255, src.pixels.size());
    dst->bytesPerPixel = 3;
    BlendSurfaceKeyed(dst.get(), 0, 0, 2, 1, src.get(), 0, 0);
    const uint8_t expected[] = {254, 254, 254, 0, 254, 254, 254, 0};
    EXPECT_EQ(0, std::memcmp(dst.pixels.data(), expected, 8));
}

TEST(SurfaceBlends, EmptyOrNegativeBlocksDrawNothingAndSucceed)
{
    std::mt19937 rng(5);
    PixelSurface src(4, 4), dst(4, 4), before(4, 4);
    src.randomize(rng);
    for (auto& p : src.pixels)
        p |= 0x80;  // every pixel would visibly blend
    dst.randomize(rng);
    before.pixels = dst.pixels;
    const std::array<std::array<int, 2>, 5> sizes{
        {{0, 4}, {4, 0}, {-1, 4}, {4, -3}, {INT32_MIN, INT32_MIN}}};
    for (auto [cx, cy] : sizes) {
        EXPECT_EQ(BlendSurface(dst.get(), 0, 0, cx, cy, src.get(), 0, 0, 256), 1);
        EXPECT_EQ(BlendSurfaceKeyed(dst.get(), 0, 0, cx, cy, src.get(), 0, 0), 1);
        BlendPixelsPlain(dst->bits, src->bits, cy, cx, 0, 0);
        BlendPixelsMMX(dst->bits, src->bits, cy, cx, 0, 0);
        EXPECT_EQ(dst.pixels, before.pixels) << "cx " << cx << " cy " << cy;
    }
}

TEST(BlendPixelsMMX, HalfAlphaBlendsTheAlphaByteToo)
{
    struct Case {
        uint8_t dstAlpha;
        uint8_t expected;
    };
    for (Case c : {Case{255, 191}, Case{0, 64}}) {
        uint8_t src[4] = {10, 20, 30, 128};
        uint8_t dst[4] = {0, 0, 0, c.dstAlpha};
        BlendPixelsMMX(dst, src, 1, 1, 0, 0);
        EXPECT_EQ(dst[3], c.expected);
    }
}

// The MMX routine against its plain twin on sub-blocks of random surfaces,
// with the alpha values where rules change mixed in. The seed in the trace
// replays a failure.
TEST(BlendPixelsMMX, MatchesPlainTwinByteForByte)
{
    const uint8_t edgeAlphas[] = {0, 1, 127, 128, 254, 255};
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        const int sw = 1 + rng() % 70, sh = 1 + rng() % 9, dw = 1 + rng() % 70, dh = 1 + rng() % 9;
        const int cols = 1 + rng() % std::min(sw, dw), rows = 1 + rng() % std::min(sh, dh);
        const int srcX = rng() % (sw - cols + 1), srcY = rng() % (sh - rows + 1);
        const int dstX = rng() % (dw - cols + 1), dstY = rng() % (dh - rows + 1);
        PixelSurface src(sw, sh), plain(dw, dh), mmx(dw, dh);
        src.randomize(rng);
        for (int y = 0; y < sh; ++y)
            for (int x = 0; x < sw; ++x)
                if (rng() % 2)
                    src.at(x, y)[3] = edgeAlphas[rng() % 6];
        plain.randomize(rng);
        mmx.pixels = plain.pixels;
        const int srcSkip = int(src->pitch) - 4 * cols, dstSkip = int(plain->pitch) - 4 * cols;
        BlendPixelsPlain(plain.at(dstX, dstY), src.at(srcX, srcY), rows, cols, dstSkip, srcSkip);
        BlendPixelsMMX(mmx.at(dstX, dstY), src.at(srcX, srcY), rows, cols, dstSkip, srcSkip);
        for (int y = 0; y < dh; ++y)
            for (int x = 0; x < dw; ++x)
                for (int b = 0; b < 4; ++b)
                    ASSERT_EQ(mmx.at(x, y)[b], plain.at(x, y)[b]) << Where(x, y, b);
    }
}

// Meaningful in the 32-bit build, where the routine uses the real MMX
// registers; 64-bit compilers carry MMX code out in SSE registers instead.
TEST(BlendPixelsMMX, LeavesFloatingPointUsable)
{
    uint8_t src[8] = {1, 2, 3, 100, 4, 5, 6, 200};
    uint8_t dst[8] = {};
    BlendPixelsMMX(dst, src, 1, 2, 0, 0);
    // Without emms the x87 stack is left full and this arithmetic yields NaN.
    volatile long double x = 1.5L;
    volatile long double y = x * 3.0L + 0.25L;
    EXPECT_EQ(y, 4.75L);
}

}  // namespace
