// Times every pixel routine natively with Google Benchmark, each beside a
// memcpy of the same bytes, and our blend beside pixman's OVER through a
// solid mask, the usual way to lay a picture with alpha over another at a
// fade level. The console table goes to stderr while the runs go on; at the
// end a Markdown summary goes to stdout.
//
// The blends work on the shipped picture, whose mix of transparent, opaque
// and partial pixels decides how much work each pixel takes: once at its own
// size at the centre of a desktop-like screen, once tiled over a whole
// 1920 x 1080 screen.
#include "show.h"
#include "surface.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// The last level of the show's fade in; below 256 every pixel with any
// alpha takes the full blend, so it is the costly case.
const int32_t kLevel = ShowLevel(kFadeInFrameCount - 1);
constexpr int32_t kScreenWidth = 1920, kScreenHeight = 1080;

// Pixel memory aligned the way a platform bitmap's is (on a page), so that
// neither the routines nor memcpy gain or lose by where the heap put it.
struct AlignedBytes {
    struct Free {
        void operator()(uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<uint8_t[], Free> data;

    explicit AlignedBytes(size_t size)
    {
        const size_t rounded = (size + 4095) / 4096 * 4096;
        data.reset(static_cast<uint8_t*>(std::aligned_alloc(4096, rounded)));
        if (!data) {
            std::fprintf(stderr, "pixel_bench: out of memory\n");
            std::exit(1);
        }
        std::memset(data.get(), 0, rounded);
    }
};

// A surface over memory of its own; no platform needed.
struct OwnedSurface {
    Surface record{};
    AlignedBytes pixels;
    std::vector<int32_t> rows;

    OwnedSurface(int32_t width, int32_t height)
        : pixels(Layout(&record, width, height)), rows(size_t(height))
    {
        record.bits = pixels.data.get();
        record.rowOffsets = rows.data();
        FillRowOffsets(&record);
    }
    // A fresh copy, so that each routine starts from the same screen.
    OwnedSurface(const OwnedSurface& other) : OwnedSurface(other.record.width, other.record.height)
    {
        std::memcpy(record.bits, other.record.bits, size_t(record.pitch) * size_t(record.height));
        record.colorKey = other.record.colorKey;
    }
    OwnedSurface& operator=(const OwnedSurface&) = delete;

    Surface* get() { return &record; }
    uint8_t* at(int32_t x, int32_t y) { return record.bits + record.rowOffsets[y] + x * 4; }

    static size_t Layout(Surface* record, int32_t width, int32_t height)
    {
        if (!SetSurfaceLayout(record, width, height, 32)) {
            std::fprintf(stderr, "pixel_bench: surface layout refused\n");
            std::exit(1);
        }
        return size_t(record->pitch) * size_t(height);
    }
};

std::unique_ptr<OwnedSurface> LoadPicture(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const uint32_t block = file.size() > kBitmapFileHeaderSize
                               ? BitmapFileBlockSize(file.data(), file.size())
                               : 0;
    BitmapLayout layout{};
    if (block == 0 || !ReadBitmapLayout(file.data() + kBitmapFileHeaderSize, block, &layout) ||
        layout.bitCount != 32) {
        std::fprintf(stderr, "pixel_bench: cannot read the 32-bit picture %s\n", path.c_str());
        std::exit(1);
    }
    auto picture = std::make_unique<OwnedSurface>(layout.width, layout.height);
    CopyBitmapRows(picture->get(), 0, 0, file.data() + kBitmapFileHeaderSize, &layout);
    return picture;
}

// Everything the runs share, built once before any of them.
struct Scene {
    std::unique_ptr<OwnedSurface> picture;  // the shipped picture
    std::unique_ptr<OwnedSurface> tiled;    // the picture repeated over a screen
    std::unique_ptr<OwnedSurface> desktop;  // what the picture is laid over
    uint32_t features = 0;
};
Scene g_scene;

void BuildScene()
{
    g_scene.features = ProcessorFeatures();
    g_scene.picture = LoadPicture(std::string(ORVELINE_RESOURCES_DIR) + "/tal1280.bmp");
    OwnedSurface& picture = *g_scene.picture;

    // The key is the top-left pixel's colour, as a load sets it, made active
    // so the keyed routines really compare.
    uint32_t topLeft;
    std::memcpy(&topLeft, picture.record.bits, 4);
    picture.record.colorKey = 0xFF000000u | (topLeft & 0x00FFFFFFu);

    g_scene.tiled = std::make_unique<OwnedSurface>(kScreenWidth, kScreenHeight);
    OwnedSurface& tiled = *g_scene.tiled;
    tiled.record.colorKey = picture.record.colorKey;
    for (int32_t y = 0; y < kScreenHeight; ++y)
        for (int32_t x = 0; x < kScreenWidth; ++x)
            std::memcpy(tiled.at(x, y),
                        picture.at(x % picture.record.width, y % picture.record.height), 4);

    // A desktop of sorts: a gradient under a few flat windows. The blends
    // cost the same whatever the destination holds, but real-looking bytes
    // keep any shortcut honest.
    g_scene.desktop = std::make_unique<OwnedSurface>(kScreenWidth, kScreenHeight);
    OwnedSurface& desktop = *g_scene.desktop;
    for (int32_t y = 0; y < kScreenHeight; ++y)
        for (int32_t x = 0; x < kScreenWidth; ++x) {
            uint8_t* p = desktop.at(x, y);
            const bool window = (x / 240 + y / 180) % 3 == 0;
            p[0] = window ? 0xF0 : uint8_t(0x60 + y * 0x60 / kScreenHeight);
            p[1] = window ? 0xF0 : uint8_t(0x30 + x * 0x40 / kScreenWidth);
            p[2] = window ? 0xF0 : uint8_t(0x10 + (x ^ y) % 0x20);
            p[3] = 0;
        }
}

// One block a routine works on: the picture at its own size laid at the
// centre of the screen, or the whole screen from the tiled picture.
struct Case {
    const char* size;
    Surface* src;
    int32_t cx, cy;
    int32_t dstX, dstY;
    int64_t pixels() const { return int64_t(cx) * cy; }
    int64_t bytes() const { return pixels() * 4; }
};

std::vector<Case> Cases()
{
    const Surface& p = g_scene.picture->record;
    return {
        {"317x236", g_scene.picture->get(), p.width, p.height, (kScreenWidth - p.width) / 2,
         (kScreenHeight - p.height) / 2},
        {"1920x1080", g_scene.tiled->get(), kScreenWidth, kScreenHeight, 0, 0},
    };
}

// What the summary needs to know of each registered run, by its name.
struct Entry {
    std::string routine;
    std::string size;
    int64_t pixels;
};
std::map<std::string, Entry> g_entries;
std::vector<std::string> g_order;

// Rates count the block's bytes once, the bytes memcpy moves for the same
// block, so that the two compare directly.
void Account(benchmark::State& state, const Case& c)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * c.bytes());
    state.counters["pixels"] =
        benchmark::Counter(double(c.pixels()), benchmark::Counter::kIsIterationInvariantRate);
}

void Add(const std::string& routine, const Case& c,
         std::function<void(benchmark::State&, const Case&)> body)
{
    const std::string name = routine + "/" + c.size;
    g_entries[name] = Entry{routine, c.size, c.pixels()};
    g_order.push_back(name);
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
    OwnedSurface dst(*g_scene.desktop);
    for (auto _ : state) {
        benchmark::DoNotOptimize(form(dst.get(), c.dstX, c.dstY, c.cx, c.cy, c.src, 0, 0, kLevel));
        benchmark::ClobberMemory();
    }
}

void RunKeyed(benchmark::State& state, const Case& c, KeyedForm form)
{
    OwnedSurface dst(*g_scene.desktop);
    for (auto _ : state) {
        benchmark::DoNotOptimize(form(dst.get(), c.dstX, c.dstY, c.cx, c.cy, c.src, 0, 0));
        benchmark::ClobberMemory();
    }
}

void RunPixels(benchmark::State& state, const Case& c, PixelsForm form)
{
    OwnedSurface dst(*g_scene.desktop);
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
    OwnedSurface dst(*g_scene.desktop);
    pixman_image_t* src =
        pixman_image_create_bits(PIXMAN_a8r8g8b8, c.src->width, c.src->height,
                                 reinterpret_cast<uint32_t*>(c.src->bits), int(c.src->pitch));
    const pixman_color_t level = {0, 0, 0, uint16_t(std::lround(65535.0 * kLevel / 256.0))};
    pixman_image_t* mask = pixman_image_create_solid_fill(&level);
    pixman_image_t* screen =
        pixman_image_create_bits(PIXMAN_x8r8g8b8, dst.record.width, dst.record.height,
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

void RunMemcpy(benchmark::State& state, const Case& c)
{
    AlignedBytes from(size_t(c.bytes())), to(size_t(c.bytes()));
    std::memcpy(from.data.get(), c.src->bits, size_t(c.bytes()));
    for (auto _ : state) {
        std::memcpy(to.data.get(), from.data.get(), size_t(c.bytes()));
        benchmark::DoNotOptimize(to.data.get());
        benchmark::ClobberMemory();
    }
}

void RegisterAll()
{
    const std::vector<Case> cases = Cases();
    auto each = [&](const char* routine, std::function<void(benchmark::State&, const Case&)> body) {
        for (const Case& c : cases)
            Add(routine, c, body);
    };
    each("memcpy", RunMemcpy);

    each("BlendSurfacePlain", [](benchmark::State& s, const Case& c) { RunBlend(s, c, BlendSurfacePlain); });
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

    each("BlendSurfaceKeyedPlain", [](benchmark::State& s, const Case& c) { RunKeyed(s, c, BlendSurfaceKeyedPlain); });
    each("BlendSurfaceKeyedSSE2", [](benchmark::State& s, const Case& c) {
        if (Has(s, kCpuSSE2, "processor lacks SSE2"))
            RunKeyed(s, c, BlendSurfaceKeyedSSE2);
    });
    each("BlendSurfaceKeyedAVX2", [](benchmark::State& s, const Case& c) {
        if (Has(s, kCpuAVX2, "processor lacks AVX2"))
            RunKeyed(s, c, BlendSurfaceKeyedAVX2);
    });
    each("BlendSurfaceKeyed", [](benchmark::State& s, const Case& c) { RunKeyed(s, c, BlendSurfaceKeyed); });

    each("BlendPixelsPlain", [](benchmark::State& s, const Case& c) { RunPixels(s, c, BlendPixelsPlain); });
    each("BlendPixelsMMX", [](benchmark::State& s, const Case& c) {
        if (Has(s, kCpuMMX, "processor lacks MMX"))
            RunPixels(s, c, BlendPixelsMMX);
    });

    each("CopySurfaceRect", [](benchmark::State& s, const Case& c) {
        OwnedSurface dst(*g_scene.desktop);
        for (auto _ : s) {
            benchmark::DoNotOptimize(CopySurfaceRect(dst.get(), c.dstX, c.dstY, c.cx, c.cy, c.src, 0, 0));
            benchmark::ClobberMemory();
        }
    });
    each("CopySurfaceKeyed", [](benchmark::State& s, const Case& c) { RunKeyed(s, c, CopySurfaceKeyed); });
    each("FillSurfaceRect", [](benchmark::State& s, const Case& c) {
        OwnedSurface dst(*g_scene.desktop);
        const RECT rect = {c.dstX, c.dstY, c.dstX + c.cx, c.dstY + c.cy};
        for (auto _ : s) {
            benchmark::DoNotOptimize(FillSurfaceRect(dst.get(), rect, 0x00408060u));
            benchmark::ClobberMemory();
        }
    });
    each("SetSurfaceAlpha", [](benchmark::State& s, const Case& c) {
        OwnedSurface dst(*g_scene.desktop);
        for (auto _ : s) {
            benchmark::DoNotOptimize(
                SetSurfaceAlpha(dst.get(), c.dstX, c.dstY, c.dstX + c.cx, c.dstY + c.cy, 0x80));
            benchmark::ClobberMemory();
        }
    });
    each("FindUnkeyedRun_region_scan", RunRegionScan);
}

// The time of one benchmark, in microseconds per call: that of its fastest
// repetition. Other work on a shared machine only ever slows a repetition
// down, so the fastest is the one least disturbed; medians of a few moved by
// a third from one run to the next where the fastest held.
struct Result {
    std::vector<double> times;  // one per repetition, when they are shown
    double fastest = -1;        // the library's "min" statistic, when reported
    std::string skipped;
    double Time() const
    {
        if (fastest >= 0)
            return fastest;
        return times.empty() ? -1 : *std::min_element(times.begin(), times.end());
    }
};

// Shows the runs with the library's own reporter, chosen by its flags, and
// keeps their times for the summary.
class Collector : public benchmark::BenchmarkReporter {
public:
    explicit Collector(benchmark::BenchmarkReporter* shown) : shown_(shown) {}

    bool ReportContext(const Context& context) override { return shown_->ReportContext(context); }
    void ReportRuns(const std::vector<Run>& runs) override
    {
        shown_->ReportRuns(runs);
        for (const Run& run : runs) {
            Result& r = results_[run.run_name.function_name];
            const double us = run.GetAdjustedRealTime() /
                              benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e6;
            if (run.error_occurred)
                r.skipped = run.error_message;
            else if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "min")
                    r.fastest = us;
            } else
                r.times.push_back(us);
        }
    }
    void Finalize() override { shown_->Finalize(); }

    bool Empty() const { return results_.empty(); }
    const Result* Find(const std::string& name) const
    {
        auto it = results_.find(name);
        return it == results_.end() ? nullptr : &it->second;
    }
    double Time(const std::string& name) const
    {
        const Result* r = Find(name);
        return r && r->skipped.empty() ? r->Time() : -1;
    }

private:
    benchmark::BenchmarkReporter* shown_;
    std::map<std::string, Result> results_;
};

std::string Number(double v, int decimals)
{
    if (v < 0)
        return "n/a";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

std::string Micros(double us)
{
    return Number(us, us < 10 ? 2 : us < 1000 ? 1 : 0);
}

std::string Forms(uint32_t features)
{
    std::string s;
    for (auto [bit, name] : {std::pair{kCpuMMX, "MMX"}, {kCpuSSE2, "SSE2"}, {kCpuAVX2, "AVX2"}})
        if (features & uint32_t(bit))
            s += s.empty() ? name : std::string(", ") + name;
    return s.empty() ? "none" : s;
}

const char* FormName(int32_t form)
{
    return form == kBlendAVX2 ? "AVX2" : form == kBlendSSE2 ? "SSE2" : "plain";
}

std::string Shown(const std::string& routine)
{
    if (routine == "pixman_OVER")
        return "pixman OVER, solid mask";
    if (routine == "FindUnkeyedRun_region_scan")
        return "FindUnkeyedRun, region scan";
    return routine;
}

// Shares of the picture's pixels by alpha, and of those in the key colour.
void DescribePicture()
{
    const OwnedSurface& p = *g_scene.picture;
    int64_t clear = 0, opaque = 0, keyed = 0;
    const int64_t total = int64_t(p.record.width) * p.record.height;
    for (int32_t y = 0; y < p.record.height; ++y)
        for (int32_t x = 0; x < p.record.width; ++x) {
            const uint8_t* px = p.record.bits + p.record.rowOffsets[y] + x * 4;
            clear += px[3] == 0;
            opaque += px[3] == 255;
            uint32_t word;
            std::memcpy(&word, px, 4);
            keyed += (word & 0x00FFFFFFu) == (p.record.colorKey & 0x00FFFFFFu);
        }
    auto percent = [&](int64_t n) { return Number(100.0 * double(n) / double(total), 1); };
    std::printf("Source: `resources/tal1280.bmp`, %d x %d: %s%% transparent, %s%% opaque, %s%% "
                "partial; %s%% in the key colour 0x%06X. Blends at level %d.\n\n",
                p.record.width, p.record.height, percent(clear).c_str(), percent(opaque).c_str(),
                percent(total - clear - opaque).c_str(), percent(keyed).c_str(),
                unsigned(p.record.colorKey & 0x00FFFFFFu), kLevel);
}

void PrintSummary(const Collector& results)
{
    const int32_t chosen = BestBlendForm(g_scene.features);
    std::printf("\n## Pixel routines, native x86-64\n\n");
    std::printf("Processor forms present: %s. BlendSurface and BlendSurfaceKeyed use the %s form.\n\n",
                Forms(g_scene.features).c_str(), FormName(chosen));
    DescribePicture();
    std::printf("The 317x236 cases lay the picture at the centre of a 1920 x 1080 screen; the "
                "1920x1080 cases cover the screen from the picture tiled. Times are real time, "
                "of the fastest repetition.\n\n");

    std::printf("| routine | size | time per call (µs) | Mpixel/s | × memcpy |\n");
    std::printf("|---|---|--:|--:|--:|\n");
    for (const std::string& name : g_order) {
        const Entry& e = g_entries[name];
        const Result* r = results.Find(name);
        if (!r)
            continue;  // left out by a filter
        if (!r->skipped.empty()) {
            std::printf("| %s | %s | skipped: %s | | |\n", Shown(e.routine).c_str(), e.size.c_str(),
                        r->skipped.c_str());
            continue;
        }
        const double us = r->Time();
        const double copy = results.Time("memcpy/" + e.size);
        std::printf("| %s | %s | %s | %s | %s |\n", Shown(e.routine).c_str(), e.size.c_str(),
                    Micros(us).c_str(), Number(us > 0 ? double(e.pixels) / us : -1, 0).c_str(),
                    Number(us > 0 && copy > 0 ? us / copy : -1, 2).c_str());
    }

    std::printf("\n### Key ratios\n\n");
    std::printf("| ratio | size | value | target |\n");
    std::printf("|---|---|--:|---|\n");
    auto ratio = [&](const std::string& label, const std::string& top, const std::string& bottom,
                     const char* size, double target, bool atMost) {
        const double a = results.Time(top + "/" + size), b = results.Time(bottom + "/" + size);
        const double v = a > 0 && b > 0 ? a / b : -1;
        std::string goal = "";
        if (target > 0) {
            goal = std::string(atMost ? "≤ " : "≥ ") + Number(target, 2);
            if (v > 0)
                goal += (atMost ? v <= target : v >= target) ? " (met)" : " (missed)";
        }
        std::printf("| %s | %s | %s | %s |\n", label.c_str(), size, Number(v, 2).c_str(),
                    goal.c_str());
    };
    ratio("BlendSurface / memcpy", "BlendSurface", "memcpy", "1920x1080", 1.25, true);
    ratio("pixman OVER / BlendSurface", "pixman_OVER", "BlendSurface", "317x236", 1.5, false);
    for (const char* blend : {"BlendSurface", "BlendSurfaceKeyed"})
        for (const char* form : {"SSE2", "AVX2"})
            for (const char* size : {"317x236", "1920x1080"}) {
                const std::string plain = std::string(blend) + "Plain";
                const std::string fast = std::string(blend) + form;
                ratio(plain + " / " + fast, plain, fast, size, 0, false);
            }
    for (const char* size : {"317x236", "1920x1080"})
        ratio("BlendPixelsPlain / BlendPixelsMMX", "BlendPixelsPlain", "BlendPixelsMMX", size, 0,
              false);
}

}  // namespace

int main(int argc, char** argv)
{
    // Five short repetitions, judged by the fastest, keep the whole run well
    // under a minute and steady on a shared machine; flags given on the
    // command line come later and win.
    static char minTime[] = "--benchmark_min_time=0.1";
    static char repetitions[] = "--benchmark_repetitions=5";
    static char aggregatesOnly[] = "--benchmark_display_aggregates_only=true";
    std::vector<char*> args(argv, argv + argc);
    args.insert(args.begin() + 1, {minTime, repetitions, aggregatesOnly});
    int count = int(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;

    BuildScene();
    RegisterAll();

    // The console table goes to stderr, so stdout holds the summary alone.
    benchmark::BenchmarkReporter* shown = benchmark::CreateDefaultDisplayReporter();
    shown->SetOutputStream(&std::cerr);
    shown->SetErrorStream(&std::cerr);
    Collector collector(shown);
    if (benchmark::RunSpecifiedBenchmarks(&collector) == 0)
        return 1;
    if (!collector.Empty())  // nothing ran when the runs were only listed
        PrintSummary(collector);
    benchmark::Shutdown();
    return 0;
}
