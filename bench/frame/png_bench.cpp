// Times the reading of the largest picture the program can hold, the large
// one at 300 %, 951 x 708, as the loader reads a PNG resource: the file
// judged, its rows inflated into a block of their own and judged, a surface
// made, the filters undone and the pixels written. Two pictures: the
// shipped large one scaled up, as the branding tool makes the 300 % slot,
// and a photograph-like one of noise over gradients, which deflate can
// barely shrink. Each is written as the tool writes PNGs: the smallest
// colour type, each row's filter the one of least absolute sum, zlib at
// level 9. Prints a Markdown table; runs under Wine (or Windows).
#include "surface_win32.h"

#include <windows.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kWidth = 951, kHeight = 708;

// Blue, green, red and alpha, rows top-down.
struct Picture {
    int width, height;
    Bytes bgra;
};

double Now()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(f.QuadPart);
}

// The shipped picture from its PNG resource, by the loader itself, scaled
// three times up: at a whole factor the tool's box average repeats pixels.
Picture ScaledArtwork()
{
    Surface s{};
    if (!LoadSurfaceImage("TAL1280", &s, 0, 0, nullptr, nullptr) || s.width * 3 != kWidth)
        std::exit(1);
    Picture p{kWidth, kHeight, Bytes(size_t(kWidth) * kHeight * 4)};
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            std::memcpy(&p.bgra[(size_t(y) * kWidth + x) * 4],
                        s.bits + s.rowOffsets[y / 3] + x / 3 * 4, 4);
    DestroySurface(&s);
    return p;
}

// Colour gradients under noise of a few levels, inside a soft-edged oval.
Picture PhotographLike()
{
    Picture p{kWidth, kHeight, Bytes(size_t(kWidth) * kHeight * 4)};
    uint32_t seed = 12345;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* px = &p.bgra[(size_t(y) * kWidth + x) * 4];
            for (int c = 0; c < 3; ++c) {
                seed = seed * 1664525u + 1013904223u;
                const double wave =
                    128 + 90 * std::sin(x * (0.011 + 0.004 * c) + y * 0.007 * (c + 1));
                px[c] = uint8_t(std::clamp(wave + int(seed >> 28) - 8, 0.0, 255.0));
            }
            const double dx = (x - kWidth / 2.0) / (kWidth / 2.0),
                         dy = (y - kHeight / 2.0) / (kHeight / 2.0);
            px[3] = uint8_t(std::clamp((1.0 - std::sqrt(dx * dx + dy * dy)) * 2550.0, 0.0, 255.0));
        }
    return p;
}

void PutBe32(Bytes& b, uint32_t v)
{
    b.insert(b.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
}

void PutChunk(Bytes& file, const char* type, const Bytes& body)
{
    PutBe32(file, uint32_t(body.size()));
    const size_t start = file.size();
    file.insert(file.end(), type, type + 4);
    file.insert(file.end(), body.begin(), body.end());
    PutBe32(file, uint32_t(crc32(0, &file[start], uInt(body.size() + 4))));
}

// The samples of the smallest colour type that holds the picture.
int Samples(const Picture& p, Bytes* samples)
{
    bool grey = true, opaque = true;
    for (size_t i = 0; i < p.bgra.size(); i += 4) {
        grey = grey && p.bgra[i] == p.bgra[i + 1] && p.bgra[i] == p.bgra[i + 2];
        opaque = opaque && p.bgra[i + 3] == 255;
    }
    const int colour = (grey ? 0 : 2) | (opaque ? 0 : 4);
    for (size_t i = 0; i < p.bgra.size(); i += 4) {
        const uint8_t* px = &p.bgra[i];
        if (grey)
            samples->push_back(px[0]);
        else
            samples->insert(samples->end(), {px[2], px[1], px[0]});
        if (!opaque)
            samples->push_back(px[3]);
    }
    return colour;
}

// Each row under the filter whose residuals, taken as signed, sum least.
Bytes Filtered(const Bytes& samples, int width, int height, int bpp)
{
    const size_t stride = size_t(width) * bpp;
    Bytes out, best, trial(stride);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = &samples[y * stride];
        const uint8_t* above = y > 0 ? row - stride : nullptr;
        long bestSum = -1;
        int bestFilter = 0;
        for (int f = 0; f < 5; ++f) {
            long sum = 0;
            for (size_t i = 0; i < stride; ++i) {
                const int a = i >= size_t(bpp) ? row[i - bpp] : 0, b = above ? above[i] : 0,
                          c = above && i >= size_t(bpp) ? above[i - bpp] : 0;
                const int q = a + b - c, pa = std::abs(q - a), pb = std::abs(q - b),
                          pc = std::abs(q - c);
                const int predicted[5] = {0, a, b, (a + b) / 2,
                                          pa <= pb && pa <= pc ? a
                                          : pb <= pc           ? b
                                                               : c};
                trial[i] = uint8_t(row[i] - predicted[f]);
                sum += std::abs(int(int8_t(trial[i])));
            }
            if (bestSum < 0 || sum < bestSum) {
                bestSum = sum;
                bestFilter = f;
                best = trial;
            }
        }
        out.push_back(uint8_t(bestFilter));
        out.insert(out.end(), best.begin(), best.end());
    }
    return out;
}

Bytes Encoded(const Picture& p, int* colour)
{
    Bytes samples;
    *colour = Samples(p, &samples);
    const int bpp = int(samples.size() / (size_t(p.width) * p.height));
    const Bytes raw = Filtered(samples, p.width, p.height, bpp);
    uLongf size = compressBound(uLong(raw.size()));
    Bytes zlib(size);
    if (compress2(zlib.data(), &size, raw.data(), uLong(raw.size()), 9) != Z_OK)
        std::exit(1);
    zlib.resize(size);
    Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    PutBe32(header, uint32_t(p.width));
    PutBe32(header, uint32_t(p.height));
    header.insert(header.end(), {8, uint8_t(*colour), 0, 0, 0});
    PutChunk(file, "IHDR", header);
    PutChunk(file, "IDAT", zlib);
    PutChunk(file, "IEND", {});
    return file;
}

struct Timing {
    double structure, data, rows, total;
};

// The loader's steps, each timed; false if any fails.
bool ReadOnce(const Bytes& file, const Picture& expected, Timing* t)
{
    const double start = Now();
    PngLayout layout;
    if (!ReadPngLayout(file.data(), uint32_t(file.size()), nullptr, 0, &layout))
        return false;
    const double judged = Now();
    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, layout.rawBytes);
    uint8_t* raw = handle ? static_cast<uint8_t*>(GlobalLock(handle)) : nullptr;
    bool ok = raw != nullptr &&
              ReadPngLayout(file.data(), uint32_t(file.size()), raw, layout.rawBytes, &layout);
    const double inflated = Now();
    Surface s{};
    ok = ok && CreateSurface(&s, layout.width, layout.height, 32, "bench");
    if (ok)
        CopyPngRows(&s, 0, 0, raw, &layout);
    const double done = Now();
    if (raw != nullptr)
        GlobalUnlock(handle);
    if (handle != nullptr)
        GlobalFree(handle);
    ok = ok && std::memcmp(s.bits, expected.bgra.data(), expected.bgra.size()) == 0;
    DestroySurface(&s);
    *t = {judged - start, inflated - judged, done - inflated, done - start};
    return ok;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The shipped large picture loaded whole, as the launcher loads it at its
// start, from its PNG resource and from the same pixels as a bitmap
// resource, in turn; what the PNG adds to the start is the difference.
void CompareWithBitmap()
{
    std::vector<double> png, bitmap;
    for (int i = 0; i < 51; ++i) {
        for (int which = 0; which < 2; ++which) {
            Surface s{};
            const double start = Now();
            const int loaded =
                LoadSurfaceImage(which == 0 ? "TAL1280" : "TALBMP", &s, 0, 0, nullptr, nullptr);
            const double ms = Now() - start;
            DestroySurface(&s);
            if (!loaded) {
                std::printf("\nThe %s resource did not load.\n", which == 0 ? "PNG" : "bitmap");
                return;
            }
            (which == 0 ? png : bitmap).push_back(ms);
        }
    }
    const double p = Median(png), b = Median(bitmap);
    std::printf(
        "\nThe shipped large picture, 317 x 236, loaded as the launcher loads it at its start "
        "(51 loads of each, in turn; medians): from its PNG resource %.2f ms, from a bitmap "
        "resource %.2f ms; the PNG adds %.2f ms to the start.\n",
        p, b, p - b);
}

}  // namespace

int main()
{
    const struct {
        const char* name;
        Picture picture;
    } cases[] = {{"shipped large picture, 3 x", ScaledArtwork()},
                 {"photograph-like", PhotographLike()}};
    std::printf("| picture | colour type | file bytes | judged (ms) | inflated and judged (ms) | "
                "surface and rows (ms) | "
                "whole read, median (ms) | fastest (ms) | memcpy of the pixels (ms) |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const auto& c : cases) {
        int colour = 0;
        const Bytes file = Encoded(c.picture, &colour);
        std::vector<double> structure, data, rows, total;
        Bytes copy(c.picture.bgra.size());
        const double copyStart = Now();
        std::memcpy(copy.data(), c.picture.bgra.data(), copy.size());
        const double copyMs = Now() - copyStart;
        for (int i = 0; i < 21; ++i) {
            Timing t;
            if (!ReadOnce(file, c.picture, &t)) {
                std::printf("| %s | %d | %zu | refused or wrong | | | | | |\n", c.name, colour,
                            file.size());
                return 1;
            }
            structure.push_back(t.structure);
            data.push_back(t.data);
            rows.push_back(t.rows);
            total.push_back(t.total);
        }
        std::printf("| %s | %d | %zu | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f |\n", c.name, colour,
                    file.size(), Median(structure), Median(data), Median(rows), Median(total),
                    *std::min_element(total.begin(), total.end()), copyMs);
    }
    CompareWithBitmap();
    return 0;
}
