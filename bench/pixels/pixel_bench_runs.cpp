// The pixel benchmark's runs: every routine, each on every case, beside a
// memcpy of the same bytes and pixman's OVER.
#include "pixel_bench.h"

#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

namespace {

// Rates count the block's bytes once, the bytes memcpy moves for the same
// block, so that the two compare directly.
void Account(benchmark::State& state, const Case& c)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * c.bytes());
    state.counters["pixels"] =
        benchmark::Counter(double(c.pixels()), benchmark::Counter::kIsIterationInvariantRate);
}

void Add(std::vector<Entry>* entries, const std::string& routine, const Case& c,
         std::function<void(benchmark::State&, const Case&)> body)
{
    const std::string name = routine + "/" + c.size;
    entries->push_back(Entry{name, routine, c.size, c.pixels()});
    benchmark::RegisterBenchmark(name.c_str(),
                                 [c, body](benchmark::State& state) {
                                     body(state, c);
                                     Account(state, c);
                                 })
        ->Unit(benchmark::kMicrosecond)
        ->ComputeStatistics("min", [](const std::vector<double>& v) {
            return *std::min_element(v.begin(), v.end());
        });
}

// Skips a run the processor cannot take; true when it may go ahead.
bool Has(benchmark::State& state, uint32_t feature, const char* message)
{
    if (g_scene.features & feature)
        return true;
    state.SkipWithError(message);
    return false;
}

// Blending again and again onto the same destination is fine for timing:
// the work each pixel takes follows the source's alpha alone, never what the
// destination holds. The screen is copied once per run, not per call.
using BlendForm = int (*)(Surface*, int32_t, int32_t, int32_t, int32_t, const Surface*, int32_t,
                          int32_t, int32_t);
using KeyedForm = int (*)(Surface*, int32_t, int32_t, int32_t, int32_t, const Surface*, int32_t,
                          int32_t);
using PixelsForm = void (*)(uint8_t*, const uint8_t*, int32_t, int32_t, int32_t, int32_t);

void RunBlend(benchmark::State& state, const Case& c, BlendForm form)
{
    PixelSurface dst = g_scene.desktop.Clone();
    for (auto _ : state) {
        benchmark::DoNotOptimize(form(dst.get(), c.dstX, c.dstY, c.cx, c.cy, c.src, 0, 0, kLevel));
        benchmark::ClobberMemory();
    }
}

void RunKeyed(benchmark::State& state, const Case& c, KeyedForm form)
{
    PixelSurface dst = g_scene.desktop.Clone();
    for (auto _ : state) {
        benchmark::DoNotOptimize(form(dst.get(), c.dstX, c.dstY, c.cx, c.cy, c.src, 0, 0));
        benchmark::ClobberMemory();
    }
}

void RunPixels(benchmark::State& state, const Case& c, PixelsForm form)
{
    PixelSurface dst = g_scene.desktop.Clone();
    uint8_t* d = dst.at(c.dstX, c.dstY);
    const uint8_t* s = c.src->bits;
    const int32_t dstSkip = int32_t(dst.record.pitch) - c.cx * 4;
    const int32_t srcSkip = int32_t(c.src->pitch) - c.cx * 4;
    for (auto _ : state) {
        form(d, s, c.cy, c.cx, dstSkip, srcSkip);
        benchmark::DoNotOptimize(d);
        benchmark::ClobberMemory();
    }
}

// pixman's way of laying a picture over a screen at a fade level: OVER with
// the level as a solid mask. pixman takes the source as premultiplied, so
// its bytes differ from ours; only its speed is compared.
void RunPixman(benchmark::State& state, const Case& c)
{
    PixelSurface dst = g_scene.desktop.Clone();
    pixman_image_t* src =
        pixman_image_create_bits(PIXMAN_a8r8g8b8, c.src->width, c.src->height,
                                 reinterpret_cast<uint32_t*>(c.src->bits), int(c.src->pitch));
    const pixman_color_t level = {0, 0, 0, uint16_t(std::lround(65535.0 * kLevel / 256.0))};
    pixman_image_t* mask = pixman_image_create_solid_fill(&level);
    pixman_image_t* screen = pixman_image_create_bits(
        PIXMAN_x8r8g8b8, dst.record.width, dst.record.height,
        reinterpret_cast<uint32_t*>(dst.record.bits), int(dst.record.pitch));
    if (!src || !mask || !screen) {
        state.SkipWithError("pixman could not make its images");
    } else {
        for (auto _ : state) {
            pixman_image_composite32(PIXMAN_OP_OVER, src, mask, screen, 0, 0, 0, 0, c.dstX, c.dstY,
                                     c.cx, c.cy);
            benchmark::ClobberMemory();
        }
    }
    if (screen)
        pixman_image_unref(screen);
    if (mask)
        pixman_image_unref(mask);
    if (src)
        pixman_image_unref(src);
}

// The scan a region is built with: every run of non-key pixels in every row
// of the block.
void RunRegionScan(benchmark::State& state, const Case& c)
{
    const uint32_t key = c.src->colorKey;
    for (auto _ : state) {
        int64_t runs = 0;
        for (int32_t y = 0; y < c.cy; ++y) {
            const uint8_t* row = c.src->bits + c.src->rowOffsets[y];
            int32_t from = 0, end = 0;
            for (;;) {
                const int32_t start = FindUnkeyedRun(row, c.cx, 4, key, from, &end);
                if (start >= c.cx)
                    break;
                ++runs;
                from = end;
            }
        }
        benchmark::DoNotOptimize(runs);
    }
}

// The same bytes as the block, in memory that starts on a page as the
// surfaces' does.
void RunMemcpy(benchmark::State& state, const Case& c)
{
    PixelBytes from(size_t(c.bytes())), to(size_t(c.bytes()));
    std::memcpy(from.data(), c.src->bits, size_t(c.bytes()));
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), size_t(c.bytes()));
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}

}  // namespace

std::vector<Entry> RegisterAll()
{
    const std::vector<Case> cases = Cases();
    std::vector<Entry> entries;
    auto each = [&](const char* routine, std::function<void(benchmark::State&, const Case&)> body) {
        for (const Case& c : cases)
            Add(&entries, routine, c, body);
    };
    each("memcpy", RunMemcpy);

    each("BlendSurfacePlain",
         [](benchmark::State& s, const Case& c) { RunBlend(s, c, BlendSurfacePlain); });
    each("BlendSurfaceSSE2", [](benchmark::State& s, const Case& c) {
        if (Has(s, kCpuSSE2, "processor lacks SSE2"))
            RunBlend(s, c, BlendSurfaceSSE2);
    });
    each("BlendSurfaceAVX2", [](benchmark::State& s, const Case& c) {
        if (Has(s, kCpuAVX2, "processor lacks AVX2"))
            RunBlend(s, c, BlendSurfaceAVX2);
    });
    each("BlendSurface", [](benchmark::State& s, const Case& c) { RunBlend(s, c, BlendSurface); });
    each("pixman_OVER", RunPixman);

    each("BlendSurfaceKeyedPlain",
         [](benchmark::State& s, const Case& c) { RunKeyed(s, c, BlendSurfaceKeyedPlain); });
    each("BlendSurfaceKeyedSSE2", [](benchmark::State& s, const Case& c) {
        if (Has(s, kCpuSSE2, "processor lacks SSE2"))
            RunKeyed(s, c, BlendSurfaceKeyedSSE2);
    });
    each("BlendSurfaceKeyedAVX2", [](benchmark::State& s, const Case& c) {
        if (Has(s, kCpuAVX2, "processor lacks AVX2"))
            RunKeyed(s, c, BlendSurfaceKeyedAVX2);
    });
    each("BlendSurfaceKeyed",
         [](benchmark::State& s, const Case& c) { RunKeyed(s, c, BlendSurfaceKeyed); });

    each("BlendPixelsPlain",
         [](benchmark::State& s, const Case& c) { RunPixels(s, c, BlendPixelsPlain); });
    each("BlendPixelsMMX", [](benchmark::State& s, const Case& c) {
        if (Has(s, kCpuMMX, "processor lacks MMX"))
            RunPixels(s, c, BlendPixelsMMX);
    });

    each("CopySurfaceRect", [](benchmark::State& s, const Case& c) {
        PixelSurface dst = g_scene.desktop.Clone();
        for (auto _ : s) {
            benchmark::DoNotOptimize(
                CopySurfaceRect(dst.get(), c.dstX, c.dstY, c.cx, c.cy, c.src, 0, 0));
            benchmark::ClobberMemory();
        }
    });
    each("CopySurfaceKeyed",
         [](benchmark::State& s, const Case& c) { RunKeyed(s, c, CopySurfaceKeyed); });
    each("FillSurfaceRect", [](benchmark::State& s, const Case& c) {
        PixelSurface dst = g_scene.desktop.Clone();
        const RECT rect = {c.dstX, c.dstY, c.dstX + c.cx, c.dstY + c.cy};
        for (auto _ : s) {
            benchmark::DoNotOptimize(FillSurfaceRect(dst.get(), rect, 0x00408060u));
            benchmark::ClobberMemory();
        }
    });
    each("SetSurfaceAlpha", [](benchmark::State& s, const Case& c) {
        PixelSurface dst = g_scene.desktop.Clone();
        for (auto _ : s) {
            benchmark::DoNotOptimize(
                SetSurfaceAlpha(dst.get(), c.dstX, c.dstY, c.dstX + c.cx, c.dstY + c.cy, 0x80));
            benchmark::ClobberMemory();
        }
    });
    each("FindUnkeyedRun_region_scan", RunRegionScan);
    return entries;
}
