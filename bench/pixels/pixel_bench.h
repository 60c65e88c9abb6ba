// What the pixel benchmark's parts share: the scene the runs work on, the
// blocks they time, the runs registered, and their times as collected for
// the summary.
#pragma once

#include "pixel_surface.h"
#include "show.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The last level of the show's fade in; below 256 every pixel with any
// alpha takes the full blend, so it is the costly case.
const int32_t kLevel = ShowLevel(kFadeInFrameCount - 1);
constexpr int32_t kScreenWidth = 1920, kScreenHeight = 1080;

// Everything the runs share, built once before any of them. The surfaces'
// memory starts on a page, as a platform bitmap's does (PixelBytes).
struct Scene {
    PixelSurface picture;  // the shipped picture
    PixelSurface tiled;    // the picture repeated over a screen
    PixelSurface desktop;  // what the picture is laid over
    uint32_t features = 0;
};
extern Scene g_scene;
void BuildScene();

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
std::vector<Case> Cases();

// What the summary needs to know of each registered run.
struct Entry {
    std::string name;  // the benchmark's, ROUTINE/SIZE
    std::string routine;
    std::string size;
    int64_t pixels;
};
// Registers every routine on every case; returns them in order.
std::vector<Entry> RegisterAll();

// The time of one benchmark, in microseconds per call: that of its fastest
// repetition. Other work on a shared machine only ever slows a repetition
// down, so the fastest is the one least disturbed; medians of a few moved by
// a third from one run to the next where the fastest held.
struct Result {
    std::vector<double> times;  // one per repetition, when they are shown
    double fastest = -1;        // the library's "min" statistic, when reported
    std::string skipped;
    double Time() const;
};

// Shows the runs with the library's own reporter, chosen by its flags, and
// keeps their times for the summary.
class Collector : public benchmark::BenchmarkReporter {
public:
    explicit Collector(benchmark::BenchmarkReporter* shown) : shown_(shown) {}

    bool ReportContext(const Context& context) override { return shown_->ReportContext(context); }
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override { shown_->Finalize(); }

    bool Empty() const { return results_.empty(); }
    const Result* Find(const std::string& name) const;
    double Time(const std::string& name) const;

private:
    benchmark::BenchmarkReporter* shown_;
    std::map<std::string, Result> results_;
};

// The Markdown summary of the runs registered, to stdout.
void PrintSummary(const Collector& results, const std::vector<Entry>& entries);
