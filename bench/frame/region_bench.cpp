// Times RegionFromColorKey on a 1920 x 1080 surface: the region is built one
// band at a time, so its cost follows the number of runs, and the platform's
// union of a band into a growing region is the bulk of it. Prints a Markdown
// table. Runs under Wine (or Windows): the regions are the platform's.
#include "surface_win32.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int32_t kWidth = 1920, kHeight = 1080;

struct Picture {
    Surface record{};
    std::vector<uint8_t> pixels;
    std::vector<int32_t> rows;
};

// Every pixel starts as the key colour (black, as pixel (0, 0) is); the
// pattern paints the others.
void Make(Picture& p, int32_t height, const std::function<bool(int32_t, int32_t)>& painted)
{
    SetSurfaceLayout(&p.record, kWidth, height, 32);
    p.pixels.assign(size_t(p.record.pitch) * size_t(height), 0);
    p.rows.resize(size_t(height));
    p.record.bits = p.pixels.data();
    p.record.rowOffsets = p.rows.data();
    FillRowOffsets(&p.record);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < kWidth; ++x)
            if (painted(x, y))
                p.pixels[size_t(p.record.rowOffsets[y]) + size_t(x) * 4 + 1] = 0xC0;
}

int64_t CountRuns(const Picture& p)
{
    int64_t runs = 0;
    for (int32_t y = 0; y < p.record.height; ++y)
        for (int32_t x = 0; x < kWidth; ++x) {
            const bool on = p.pixels[size_t(p.record.rowOffsets[y]) + size_t(x) * 4 + 1] != 0;
            const bool before =
                x > 0 && p.pixels[size_t(p.record.rowOffsets[y]) + size_t(x) * 4 - 3] != 0;
            runs += on && !before;
        }
    return runs;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return double(to.QuadPart - from.QuadPart) / double(f.QuadPart);
}

// Best of a few builds, so that one slow moment of a shared machine does not
// count; slow cases are built once.
void Measure(const char* name, int32_t height, const std::function<bool(int32_t, int32_t)>& painted)
{
    Picture p;
    Make(p, height, painted);
    const int64_t runs = CountRuns(p);
    double best = 1e30;
    DWORD rects = 0;
    for (int i = 0; i < 5; ++i) {
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        HRGN h = RegionFromColorKey(&p.record, 0, 0, 0, 0);
        QueryPerformanceCounter(&t1);
        if (!h) {
            std::printf("| %s | %d | %lld | failed | | |\n", name, height, (long long)runs);
            return;
        }
        const DWORD size = GetRegionData(h, 0, nullptr);
        std::vector<uint8_t> data(size);
        GetRegionData(h, size, reinterpret_cast<RGNDATA*>(data.data()));
        rects = reinterpret_cast<RGNDATA*>(data.data())->rdh.nCount;
        DeleteObject(h);
        best = std::min(best, Seconds(t0, t1));
        if (best > 0.5)
            break;
    }
    std::printf("| %s | %d | %lld | %lu | %.2f | %.3f |\n", name, height, (long long)runs,
                (unsigned long)rects, best * 1e3, best * 1e9 / double(runs ? runs : 1) / 1e3);
    std::fflush(stdout);
}

bool InEllipse(int32_t x, int32_t y, double cx, double cy, double rx, double ry)
{
    const double dx = (x - cx) / rx, dy = (y - cy) / ry;
    return dx * dx + dy * dy <= 1.0;
}

}  // namespace

int main()
{
    std::printf("| case | rows | runs | rectangles | ms | us per run |\n");
    std::printf("|---|---:|---:|---:|---:|---:|\n");
    // Few runs: one opaque block, one run on each of its rows.
    Measure("block 800 x 600", kHeight,
            [](int32_t x, int32_t y) { return x >= 560 && x < 1360 && y >= 240 && y < 840; });
    // A picture's outline: a ring with a disc and three bars inside, two to
    // eight runs a row.
    Measure("picture outline", kHeight, [](int32_t x, int32_t y) {
        const bool ring =
            InEllipse(x, y, 960, 540, 700, 450) && !InEllipse(x, y, 960, 540, 600, 380);
        const bool disc = InEllipse(x, y, 960, 540, 180, 180);
        const bool bars = y >= 300 && y < 780 && ((x >= 500 && x < 560) || (x >= 1360 && x < 1420));
        return ring || disc || bars;
    });
    // Vertical stripes: the same runs on every row, so the platform merges
    // equal rows and the region stays small however many runs there are.
    for (int32_t w : {240, 60, 15, 4, 1}) {
        char name[64];
        std::snprintf(name, sizeof name, "stripes %d px (%d runs a row)", w, kWidth / (2 * w));
        Measure(name, kHeight, [w](int32_t x, int32_t) { return (x / w) % 2 == 1; });
    }
    // The worst case: alternate pixels keyed, shifted by one on each row, so
    // no two rows merge and the region holds every run. Timed on growing
    // heights to show how the time grows with the runs.
    for (int32_t h : {8, 16, 32, 64, 128})
        Measure("checkerboard", h, [](int32_t x, int32_t y) { return (x + y) % 2 == 1; });
    return 0;
}
