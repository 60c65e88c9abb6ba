// The vector forms of the two surface blends against the plain forms, which
// are the reference: every byte of the destination surface must come out the
// same, at every fade level, for blocks of many widths at odd offsets. Runs
// natively and under Wine in both Windows builds.
#include "pixel_surface.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using SurfaceBlend = int (*)(Surface*, int32_t, int32_t, int32_t, int32_t, const Surface*, int32_t,
                             int32_t, int32_t);
using KeyedBlend = int (*)(Surface*, int32_t, int32_t, int32_t, int32_t, const Surface*, int32_t,
                           int32_t);

struct Form {
    const char* name;
    uint32_t needs;
    SurfaceBlend blend;
    KeyedBlend keyed;
};

// Named on failure, rather than dumped as bytes.
void PrintTo(const Form& form, std::ostream* out)
{
    *out << form.name;
}

const Form kFastForms[] = {
    {"SSE2", kCpuSSE2, BlendSurfaceSSE2, BlendSurfaceKeyedSSE2},
    {"AVX2", kCpuAVX2, BlendSurfaceAVX2, BlendSurfaceKeyedAVX2},
};

class FastForm : public ::testing::TestWithParam<Form> {
protected:
    void SetUp() override
    {
        if ((ProcessorFeatures() & GetParam().needs) != GetParam().needs)
            GTEST_SKIP() << "the processor lacks " << GetParam().name;
    }
};

// A block within a source and a destination of their own sizes.
struct Block {
    int sw, sh, dw, dh, cx, cy, srcX, srcY, dstX, dstY;
};

// Widths up to 48 cover every tail after whole vectors of 4 and 8 pixels, at
// every offset within a vector.
Block RandomBlock(std::mt19937& rng)
{
    Block b;
    b.sw = 1 + rng() % 48, b.sh = 1 + rng() % 6, b.dw = 1 + rng() % 48, b.dh = 1 + rng() % 6;
    b.cx = 1 + rng() % std::min(b.sw, b.dw), b.cy = 1 + rng() % std::min(b.sh, b.dh);
    b.srcX = rng() % (b.sw - b.cx + 1), b.srcY = rng() % (b.sh - b.cy + 1);
    b.dstX = rng() % (b.dw - b.cx + 1), b.dstY = rng() % (b.dh - b.cy + 1);
    return b;
}

// Random bytes, with runs of the alphas where the rule's shortcuts lie (0,
// 255) and their neighbours, and with runs of the key colour.
void FillSource(PixelSurface& src, std::mt19937& rng, uint32_t keyColour)
{
    static const uint8_t edges[] = {0, 1, 2, 127, 128, 254, 255};
    src.randomize(rng);
    for (int y = 0; y < src->height; ++y)
        for (int x = 0; x < src->width;) {
            const int run = 1 + rng() % 9, kind = rng() % 4;
            const uint8_t alpha = edges[rng() % 7];
            for (int i = 0; i < run && x < src->width; ++i, ++x) {
                uint8_t* p = src.at(x, y);
                if (kind == 1)
                    p[3] = alpha;
                if (kind == 2) {
                    p[0] = uint8_t(keyColour), p[1] = uint8_t(keyColour >> 8);
                    p[2] = uint8_t(keyColour >> 16);
                }
            }
        }
}

std::string Describe(const Block& b)
{
    return "block " + std::to_string(b.cx) + " x " + std::to_string(b.cy) + " from (" +
           std::to_string(b.srcX) + ", " + std::to_string(b.srcY) + ") of " + std::to_string(b.sw) +
           " x " + std::to_string(b.sh) + " to (" + std::to_string(b.dstX) + ", " +
           std::to_string(b.dstY) + ") of " + std::to_string(b.dw) + " x " + std::to_string(b.dh);
}

// The first byte where two surfaces differ, for a readable failure.
testing::AssertionResult SameBytes(PixelSurface& want, PixelSurface& got)
{
    for (size_t i = 0; i < want.pixels.size(); ++i)
        if (want.pixels[i] != got.pixels[i]) {
            const size_t row = i / want->pitch, column = i % want->pitch;
            return testing::AssertionFailure()
                   << "pixel (" << column / 4 << ", " << row << ") byte " << column % 4
                   << ": plain " << int(want.pixels[i]) << ", fast " << int(got.pixels[i]);
        }
    return testing::AssertionSuccess();
}

TEST_P(FastForm, BlendSurfaceMatchesPlainAtEveryLevel)
{
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        std::mt19937 rng(seed);
        // The first is the splash picture's own 317 x 236.
        const Block b =
            seed == 1 ? Block{317, 236, 320, 240, 317, 236, 0, 0, 1, 3} : RandomBlock(rng);
        SCOPED_TRACE("seed " + std::to_string(seed) + ", " + Describe(b));
        PixelSurface src(b.sw, b.sh), base(b.dw, b.dh), plain(b.dw, b.dh), fast(b.dw, b.dh);
        FillSource(src, rng, 0);
        base.randomize(rng);
        for (int level = 0; level <= 256; ++level) {
            plain.pixels = fast.pixels = base.pixels;
            BlendSurfacePlain(plain.get(), b.dstX, b.dstY, b.cx, b.cy, src.get(), b.srcX, b.srcY,
                              level);
            ASSERT_EQ(GetParam().blend(fast.get(), b.dstX, b.dstY, b.cx, b.cy, src.get(), b.srcX,
                                       b.srcY, level),
                      1);
            ASSERT_TRUE(SameBytes(plain, fast)) << "level " << level;
        }
    }
}

TEST_P(FastForm, KeyedBlendMatchesPlainWithKeyActiveOrNot)
{
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        std::mt19937 rng(seed);
        const Block b = RandomBlock(rng);
        const uint32_t keyColour = rng() & 0x00FFFFFFu;
        // Active with its usual top byte, with another, and inactive.
        const uint32_t top = (seed % 3 == 0) ? 0u : (seed % 3 == 1) ? 0xFF000000u : 0x01000000u;
        SCOPED_TRACE("seed " + std::to_string(seed) + ", " + Describe(b) + ", key top byte " +
                     std::to_string(top >> 24));
        PixelSurface src(b.sw, b.sh), plain(b.dw, b.dh), fast(b.dw, b.dh);
        FillSource(src, rng, keyColour);
        src->colorKey = keyColour | top;
        plain.randomize(rng);
        fast.pixels = plain.pixels;
        BlendSurfaceKeyedPlain(plain.get(), b.dstX, b.dstY, b.cx, b.cy, src.get(), b.srcX, b.srcY);
        ASSERT_EQ(
            GetParam().keyed(fast.get(), b.dstX, b.dstY, b.cx, b.cy, src.get(), b.srcX, b.srcY), 1);
        ASSERT_TRUE(SameBytes(plain, fast));
    }
}

// Empty blocks and a level of 0 touch nothing; levels outside 0..256 act as
// the nearest end, as in the plain form.
TEST_P(FastForm, EdgeArgumentsActAsInThePlainForm)
{
    std::mt19937 rng(11);
    PixelSurface src(9, 3), base(9, 3);
    FillSource(src, rng, 0);
    base.randomize(rng);
    struct Case {
        int cx, cy, level;
    };
    for (Case c : {Case{0, 3, 256}, Case{9, 0, 256}, Case{-4, 3, 256}, Case{9, 3, 0},
                   Case{9, 3, -7}, Case{9, 3, 257}, Case{9, 3, 1 << 20}}) {
        PixelSurface plain(9, 3), fast(9, 3);
        plain.pixels = fast.pixels = base.pixels;
        BlendSurfacePlain(plain.get(), 0, 0, c.cx, c.cy, src.get(), 0, 0, c.level);
        EXPECT_EQ(GetParam().blend(fast.get(), 0, 0, c.cx, c.cy, src.get(), 0, 0, c.level), 1);
        EXPECT_TRUE(SameBytes(plain, fast))
            << "cx " << c.cx << " cy " << c.cy << " level " << c.level;
        EXPECT_EQ(GetParam().keyed(fast.get(), 0, 0, c.cx < 0 ? c.cx : 0, c.cy, src.get(), 0, 0),
                  1);
        EXPECT_TRUE(SameBytes(plain, fast));
    }
}

// A record that claims another pixel size goes to the plain form, which
// steps by it.
TEST_P(FastForm, OtherPixelSizesFallBackToThePlainForm)
{
    std::mt19937 rng(3);
    PixelSurface src(12, 2), plain(12, 2), fast(12, 2);
    FillSource(src, rng, 0);
    plain.randomize(rng);
    fast.pixels = plain.pixels;
    plain->bytesPerPixel = fast->bytesPerPixel = 3;
    BlendSurfacePlain(plain.get(), 1, 0, 9, 2, src.get(), 0, 0, 200);
    GetParam().blend(fast.get(), 1, 0, 9, 2, src.get(), 0, 0, 200);
    EXPECT_TRUE(SameBytes(plain, fast));
    src->bytesPerPixel = 3;
    BlendSurfaceKeyedPlain(plain.get(), 0, 0, 11, 2, src.get(), 0, 0);
    GetParam().keyed(fast.get(), 0, 0, 11, 2, src.get(), 0, 0);
    EXPECT_TRUE(SameBytes(plain, fast));
}

#if defined(__i386__)
// Calls fn(arg) with the stack pointer offset bytes past a 16-byte boundary
// at the call, as a callback from 32-bit Windows may find it.
void CallWithStackOffset(void (*fn)(void*), void* arg, uint32_t offset)
{
    // The three operands sit in the registers the call may change anyway;
    // esi, which it must keep, holds the stack pointer to come back to.
    uintptr_t function = uintptr_t(fn), argument = uintptr_t(arg), skew = offset;
    __asm__ volatile("movl %%esp, %%esi\n\t"
                     "andl $-16, %%esp\n\t"
                     "subl %2, %%esp\n\t"
                     "subl $12, %%esp\n\t"
                     "pushl %1\n\t"
                     "call *%0\n\t"
                     "movl %%esi, %%esp"
                     : "+a"(function), "+c"(argument), "+d"(skew)
                     :
                     : "esi", "memory", "cc");
}

struct MisalignedCall {
    const Form* form;
    PixelSurface* dst;
    PixelSurface* src;
};

void BlendBoth(void* arg)
{
    MisalignedCall* call = static_cast<MisalignedCall*>(arg);
    call->form->blend(call->dst->get(), 0, 0, 64, 4, call->src->get(), 0, 0, 200);
    call->form->keyed(call->dst->get(), 0, 0, 64, 4, call->src->get(), 0, 0);
}

TEST_P(FastForm, RunsFromAStackAlignedToOnlyFourBytes)
{
    std::mt19937 rng(17);
    PixelSurface src(64, 4), base(64, 4);
    FillSource(src, rng, 0);
    base.randomize(rng);
    PixelSurface want(64, 4);
    want.pixels = base.pixels;
    BlendSurfacePlain(want.get(), 0, 0, 64, 4, src.get(), 0, 0, 200);
    BlendSurfaceKeyedPlain(want.get(), 0, 0, 64, 4, src.get(), 0, 0);
    for (uint32_t offset : {4u, 8u, 12u}) {
        PixelSurface got(64, 4);
        got.pixels = base.pixels;
        MisalignedCall call{&GetParam(), &got, &src};
        CallWithStackOffset(BlendBoth, &call, offset);
        EXPECT_TRUE(SameBytes(want, got)) << "stack offset " << offset;
    }
}
#endif

INSTANTIATE_TEST_SUITE_P(Forms, FastForm, ::testing::ValuesIn(kFastForms),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BlendForms, BestFormFollowsTheFeatures)
{
    struct Case {
        uint32_t features;
        int32_t form;
    };
    for (Case c : {Case{0, kBlendPlain}, Case{kCpuMMX, kBlendPlain}, Case{kCpuSSE2, kBlendSSE2},
                   Case{kCpuMMX | kCpuSSE2, kBlendSSE2}, Case{kCpuSSE2 | kCpuAVX2, kBlendAVX2},
                   Case{kCpuMMX | kCpuSSE2 | kCpuAVX2, kBlendAVX2}})
        EXPECT_EQ(BestBlendForm(c.features), c.form) << "features " << c.features;
}

// A form the processor lacks is never put in force, whatever is asked.
TEST(BlendForms, SelectionStaysWithinWhatTheProcessorRuns)
{
    const int32_t best = BestBlendForm(ProcessorFeatures());
    for (int32_t asked : {-1, int32_t(kBlendPlain), int32_t(kBlendSSE2), int32_t(kBlendAVX2), 99})
        EXPECT_EQ(SelectBlendForm(asked), asked < kBlendPlain ? kBlendPlain : std::min(asked, best))
            << "asked " << asked;
    SelectBlendForm(kBlendAVX2);
}

#if defined(__i386__) || defined(__x86_64__)
// The compiler's own record of the processor reads CPUID and XCR0 by a
// separate route.
TEST(ProcessorFeatures, AgreeWithTheCompilersCpuModel)
{
    __builtin_cpu_init();
    const uint32_t features = ProcessorFeatures();
    EXPECT_EQ((features & kCpuMMX) != 0, __builtin_cpu_supports("mmx") != 0);
    EXPECT_EQ((features & kCpuSSE2) != 0, __builtin_cpu_supports("sse2") != 0);
    EXPECT_EQ((features & kCpuAVX2) != 0, __builtin_cpu_supports("avx2") != 0);
}
#endif

}  // namespace
