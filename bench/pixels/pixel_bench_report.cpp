// The pixel benchmark's report: the runs' times as the library reports
// them, and the Markdown summary made of them.
#include "pixel_bench.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

double Result::Time() const
{
    if (fastest >= 0)
        return fastest;
    return times.empty() ? -1 : *std::min_element(times.begin(), times.end());
}

void Collector::ReportRuns(const std::vector<Run>& runs)
{
    shown_->ReportRuns(runs);
    for (const Run& run : runs) {
        Result& r = results_[run.run_name.function_name];
        const double us =
            run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e6;
        if (run.error_occurred)
            r.skipped = run.error_message;
        else if (run.run_type == Run::RT_Aggregate) {
            if (run.aggregate_name == "min")
                r.fastest = us;
        } else
            r.times.push_back(us);
    }
}

const Result* Collector::Find(const std::string& name) const
{
    auto it = results_.find(name);
    return it == results_.end() ? nullptr : &it->second;
}

double Collector::Time(const std::string& name) const
{
    const Result* r = Find(name);
    return r && r->skipped.empty() ? r->Time() : -1;
}

namespace {

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
    const PixelSurface& p = g_scene.picture;
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

}  // namespace

void PrintSummary(const Collector& results, const std::vector<Entry>& entries)
{
    const int32_t chosen = BestBlendForm(g_scene.features);
    std::printf("\n## Pixel routines, native x86-64\n\n");
    std::printf(
        "Processor forms present: %s. BlendSurface and BlendSurfaceKeyed use the %s form.\n\n",
        Forms(g_scene.features).c_str(), FormName(chosen));
    DescribePicture();
    std::printf("The 317x236 cases lay the picture at the centre of a 1920 x 1080 screen; the "
                "1920x1080 cases cover the screen from the picture tiled. Times are real time, "
                "of the fastest repetition.\n\n");

    std::printf("| routine | size | time per call (µs) | Mpixel/s | × memcpy |\n");
    std::printf("|---|---|--:|--:|--:|\n");
    for (const Entry& e : entries) {
        const Result* r = results.Find(e.name);
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
