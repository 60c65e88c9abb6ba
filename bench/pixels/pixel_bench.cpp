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
//
// Here the scene and the run; the runs of the routines are in
// pixel_bench_runs.cpp, the summary made of their times in
// pixel_bench_report.cpp.
#include "pixel_bench.h"

#include "bitmap_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

Scene g_scene;

namespace {

PixelSurface LoadPicture(const std::string& path)
{
    PixelSurface picture;
    std::string error;
    if (!LoadBitmapSurface(path, &picture, &error)) {
        std::fprintf(stderr, "pixel_bench: cannot read the 32-bit picture: %s\n", error.c_str());
        std::exit(1);
    }
    return picture;
}

}  // namespace

void BuildScene()
{
    g_scene.features = ProcessorFeatures();
    g_scene.picture = LoadPicture(std::string(ORVELINE_RESOURCES_DIR) + "/tal1280.bmp");
    PixelSurface& picture = g_scene.picture;

    // The key is the top-left pixel's colour, as a load sets it, made active
    // so the keyed routines really compare.
    uint32_t topLeft;
    std::memcpy(&topLeft, picture.record.bits, 4);
    picture.record.colorKey = 0xFF000000u | (topLeft & 0x00FFFFFFu);

    g_scene.tiled = PixelSurface(kScreenWidth, kScreenHeight);
    PixelSurface& tiled = g_scene.tiled;
    tiled.record.colorKey = picture.record.colorKey;
    for (int32_t y = 0; y < kScreenHeight; ++y)
        for (int32_t x = 0; x < kScreenWidth; ++x)
            std::memcpy(tiled.at(x, y),
                        picture.at(x % picture.record.width, y % picture.record.height), 4);

    // A desktop of sorts: a gradient under a few flat windows. The blends
    // cost the same whatever the destination holds, but real-looking bytes
    // keep any shortcut honest.
    g_scene.desktop = PixelSurface(kScreenWidth, kScreenHeight);
    PixelSurface& desktop = g_scene.desktop;
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

std::vector<Case> Cases()
{
    const Surface& p = g_scene.picture.record;
    return {
        {"317x236", g_scene.picture.get(), p.width, p.height, (kScreenWidth - p.width) / 2,
         (kScreenHeight - p.height) / 2},
        {"1920x1080", g_scene.tiled.get(), kScreenWidth, kScreenHeight, 0, 0},
    };
}

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
    const std::vector<Entry> entries = RegisterAll();

    // The console table goes to stderr, so stdout holds the summary alone.
    benchmark::BenchmarkReporter* shown = benchmark::CreateDefaultDisplayReporter();
    shown->SetOutputStream(&std::cerr);
    shown->SetErrorStream(&std::cerr);
    Collector collector(shown);
    if (benchmark::RunSpecifiedBenchmarks(&collector) == 0)
        return 1;
    if (!collector.Empty())  // nothing ran when the runs were only listed
        PrintSummary(collector, entries);
    benchmark::Shutdown();
    return 0;
}
