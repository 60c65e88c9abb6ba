// Crafted bitmaps: a small builder and the table of good and bad pictures
// that the loader's tests go through, natively and under Wine, and that seeds
// the fuzzer's corpus (fuzz/make_corpus writes them out as files).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

namespace bmp {

using Bytes = std::vector<uint8_t>;

inline void Put(Bytes& b, size_t at, uint32_t value, int bytes)
{
    if (b.size() < at + bytes)
        b.resize(at + bytes);
    for (int i = 0; i < bytes; ++i)
        b[at + i] = uint8_t(value >> (8 * i));
}

inline Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Header fields as a 40-byte header holds them; size decides the layout (12:
// the core header) and how many bytes are kept.
struct Info {
    uint32_t size = 40;
    int32_t width = 0, height = 0;
    uint32_t bits = 32, compression = 0, sizeImage = 0, clrUsed = 0;
};

inline Bytes Header(const Info& i)
{
    Bytes b;
    Put(b, 0, i.size, 4);
    if (i.size == 12) {
        Put(b, 4, uint32_t(i.width), 2);
        Put(b, 6, uint32_t(i.height), 2);
        Put(b, 8, 1, 2);
        Put(b, 10, i.bits, 2);
        return b;
    }
    Put(b, 4, uint32_t(i.width), 4);
    Put(b, 8, uint32_t(i.height), 4);
    Put(b, 12, 1, 2);
    Put(b, 14, i.bits, 2);
    Put(b, 16, i.compression, 4);
    Put(b, 20, i.sizeImage, 4);
    Put(b, 32, i.clrUsed, 4);
    b.resize(i.size < 4 ? 4 : i.size);
    return b;
}

// Red, green and blue masks; by default red in the lowest byte, the form the
// shipped pictures declare.
inline Bytes Masks(uint32_t red = 0x000000FF, uint32_t green = 0x0000FF00,
                   uint32_t blue = 0x00FF0000)
{
    Bytes b;
    Put(b, 0, red, 4);
    Put(b, 4, green, 4);
    Put(b, 8, blue, 4);
    return b;
}

// A file: the 14-byte header (bfSize off by delta from the truth) and the
// packed bitmap.
inline Bytes File(const Bytes& packed, int64_t bfSizeDelta = 0, uint32_t offBits = 0)
{
    Bytes b;
    Put(b, 0, 0x4D42, 2);
    Put(b, 2, uint32_t(int64_t(packed.size()) + 14 + bfSizeDelta), 4);
    Put(b, 10, offBits, 4);
    b.insert(b.end(), packed.begin(), packed.end());
    return b;
}

// The upright picture every crafted bitmap shows: blue, green, red, alpha of
// the pixel at (x, y), all different from their neighbours'.
inline uint32_t Pattern(int32_t x, int32_t y)
{
    return (uint32_t(x * 29 + y * 7) & 0xFF) | (uint32_t(x * 3 + y * 53 + 17) & 0xFF) << 8 |
           (uint32_t((x ^ y) * 41 + 99) & 0xFF) << 16 | uint32_t(x * 13 + y * 31 + 1) << 24;
}

// Colour i of a crafted table, as blue, green, red.
inline uint32_t TableColour(uint32_t i)
{
    return ((i * 37 + 3) & 0xFF) | ((i * 11 + 5) & 0xFF) << 8 | ((255 - i) & 0xFF) << 16;
}

inline Bytes Table(uint32_t count, int entrySize = 4)
{
    Bytes b;
    for (uint32_t i = 0; i < count; ++i)
        Put(b, b.size(), TableColour(i), entrySize);
    return b;
}

// Stored row r holds picture row y.
inline int32_t PictureRow(int32_t r, int32_t height, bool topDown)
{
    return topDown ? r : height - 1 - r;
}

inline Bytes Rows32(int32_t w, int32_t h, bool topDown = false)
{
    Bytes b;
    for (int32_t r = 0; r < h; ++r)
        for (int32_t x = 0; x < w; ++x)
            Put(b, b.size(), Pattern(x, PictureRow(r, h, topDown)), 4);
    return b;
}

inline Bytes Rows24(int32_t w, int32_t h, bool topDown = false)
{
    Bytes b;
    for (int32_t r = 0; r < h; ++r) {
        for (int32_t x = 0; x < w; ++x)
            Put(b, b.size(), Pattern(x, PictureRow(r, h, topDown)), 3);
        b.resize((b.size() + 3) & ~size_t(3));
    }
    return b;
}

// The colour index at (x, y) of an indexed picture.
inline uint32_t PatternIndex(int32_t x, int32_t y, uint32_t colours)
{
    return uint32_t(x * 5 + y * 3) % colours;
}

inline Bytes Rows8(int32_t w, int32_t h, uint32_t colours)
{
    Bytes b;
    for (int32_t r = 0; r < h; ++r) {
        for (int32_t x = 0; x < w; ++x)
            b.push_back(uint8_t(PatternIndex(x, PictureRow(r, h, false), colours)));
        b.resize((b.size() + 3) & ~size_t(3));
    }
    return b;
}

// The same indices run-length coded: a run of one pixel each, an end of line
// after each row, an end of bitmap at the close.
inline Bytes Rle8(int32_t w, int32_t h, uint32_t colours)
{
    Bytes b;
    for (int32_t r = 0; r < h; ++r) {
        for (int32_t x = 0; x < w; ++x) {
            b.push_back(1);
            b.push_back(uint8_t(PatternIndex(x, PictureRow(r, h, false), colours)));
        }
        b.insert(b.end(), {0, 0});
    }
    b.insert(b.end(), {0, 1});
    return b;
}

struct Case {
    std::string name;
    Bytes packed;
    bool accepted;
    // What an accepted picture reads as.
    int32_t width = 0, height = 0;
    bool topDown = false;
    uint32_t bits = 0, colorCount = 0, pixels = 0;
};

// Named on failure, rather than dumped as bytes.
inline void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.name;
}

inline std::vector<Case> Cases()
{
    std::vector<Case> c;
    auto good = [&](std::string name, Bytes packed, int32_t w, int32_t h, bool topDown,
                    uint32_t bits, uint32_t colours, uint32_t pixels) {
        c.push_back(
            {std::move(name), std::move(packed), true, w, h, topDown, bits, colours, pixels});
    };
    auto bad = [&](std::string name, Bytes packed) {
        c.push_back({std::move(name), std::move(packed), false});
    };
    auto info = [](uint32_t size, int32_t w, int32_t h, uint32_t bits, uint32_t compression = 0,
                   uint32_t clrUsed = 0, uint32_t sizeImage = 0) {
        return Header({size, w, h, bits, compression, sizeImage, clrUsed});
    };

    // Pictures the loader takes.
    good("good-32-shipped-form", Join({info(40, 5, 3, 32, 3), Masks(), Rows32(5, 3)}), 5, 3, false,
         32, 0, 52);
    good("good-32-top-down", Join({info(40, 4, -3, 32), Rows32(4, 3, true)}), 4, 3, true, 32, 0,
         40);
    good("good-32-core-header", Join({info(12, 3, 2, 32), Rows32(3, 2)}), 3, 2, false, 32, 0, 12);
    good("good-32-short-header", Join({info(16, 2, 2, 32), Rows32(2, 2)}), 2, 2, false, 32, 0, 16);
    {
        Bytes v4 = info(108, 3, 2, 32, 3);
        Bytes masks = Masks();
        std::copy(masks.begin(), masks.end(), v4.begin() + 40);
        good("good-32-v4-header", Join({v4, Rows32(3, 2)}), 3, 2, false, 32, 0, 108);
        Bytes v5 = v4;
        Put(v5, 0, 124, 4);
        v5.resize(124);
        good("good-32-v5-header", Join({v5, Rows32(3, 2)}), 3, 2, false, 32, 0, 124);
        Bytes v4_16 = v4;
        Put(v4_16, 14, 16, 2);
        Put(v4_16, 4, 2, 4);
        masks = Masks(0x7C00, 0x03E0, 0x001F);
        std::copy(masks.begin(), masks.end(), v4_16.begin() + 40);
        good("good-16-v4-bit-fields", Join({v4_16, Bytes(8, 0x5A)}), 2, 2, false, 16, 0, 108);
    }
    good("good-32-widest", Join({info(40, 8192, 1, 32), Rows32(8192, 1)}), 8192, 1, false, 32, 0,
         40);
    good("good-24-odd-width", Join({info(40, 3, 2, 24), Rows24(3, 2)}), 3, 2, false, 24, 0, 40);
    good("good-24-top-down", Join({info(40, 3, -2, 24), Rows24(3, 2, true)}), 3, 2, true, 24, 0,
         40);
    good("good-24-optimal-table", Join({info(40, 2, 1, 24, 0, 2), Table(2), Rows24(2, 1)}), 2, 1,
         false, 24, 2, 48);
    good("good-16-bit-fields",
         Join({info(40, 2, 2, 16, 3), Masks(0xF800, 0x07E0, 0x001F), Bytes(8, 0x33)}), 2, 2, false,
         16, 0, 52);
    good("good-8-full-table", Join({info(40, 5, 3, 8), Table(256), Rows8(5, 3, 256)}), 5, 3, false,
         8, 256, 40 + 1024);
    good("good-8-short-table", Join({info(40, 5, 3, 8, 0, 3), Table(3), Rows8(5, 3, 3)}), 5, 3,
         false, 8, 3, 52);
    good("good-8-long-table", Join({info(40, 5, 3, 8, 0, 300), Table(300), Rows8(5, 3, 256)}), 5, 3,
         false, 8, 300, 40 + 1200);
    good("good-8-core-header", Join({info(12, 5, 3, 8), Table(256, 3), Rows8(5, 3, 256)}), 5, 3,
         false, 8, 256, 12 + 768);
    good("good-8-rle",
         Join({info(40, 5, 3, 8, 1, 0, uint32_t(Rle8(5, 3, 256).size())), Table(256),
               Rle8(5, 3, 256)}),
         5, 3, false, 8, 256, 40 + 1024);
    good("good-4-rle", Join({info(40, 4, 2, 4, 2, 0, 6), Table(16), Bytes{4, 0x12, 0, 0, 0, 1}}), 4,
         2, false, 4, 16, 40 + 64);
    good("good-1-bit", Join({info(40, 9, 2, 1), Table(2), Bytes(8, 0xA5)}), 9, 2, false, 1, 2, 48);

    // Headers too short, or of sizes no reader takes.
    bad("bad-three-bytes", Bytes{40, 0, 0});
    for (uint32_t size : {0u, 11u, 13u, 14u, 15u}) {
        Bytes b = Join({info(40, 1, 1, 32), Rows32(1, 1)});
        Put(b, 0, size, 4);
        bad("bad-header-size-" + std::to_string(size), b);
    }
    bad("bad-header-past-data", [&] {
        Bytes b = info(40, 1, 1, 32);
        b.resize(30);
        return b;
    }());
    bad("bad-core-header-cut", Bytes{12, 0, 0, 0, 1, 0, 1, 0});

    // Sizes.
    // Pixels enough for a side of 8193, so only the cap can refuse it.
    for (int32_t w : {0, -1, 8193})
        bad("bad-width-" + std::to_string(w), Join({info(40, w, 1, 32), Bytes(8193 * 4, 1)}));
    for (int32_t h : {0, INT32_MIN, 8193, -8193})
        bad("bad-height-" + std::to_string(h), Join({info(40, 1, h, 32), Bytes(8193 * 4, 1)}));

    // Depths and compressions that disagree or are unknown.
    bad("bad-depth-0-jpeg", Join({info(40, 1, 1, 0, 4), Bytes(16, 0xFF)}));
    bad("bad-png", Join({info(40, 1, 1, 32, 5), Bytes(16, 0xFF)}));
    bad("bad-depth-7", Join({info(40, 1, 1, 7, 0, 2), Table(2), Bytes(4, 0)}));
    // A run-length picture names its own count of pixel bytes, so only the
    // size check itself can refuse a side of zero.
    bad("bad-rle8-width-0", Join({info(40, 0, 1, 8, 1, 0, 4), Table(256), Bytes{2, 0, 0, 1}}));
    bad("bad-rle8-height-0", Join({info(40, 2, 0, 8, 1, 0, 4), Table(256), Bytes{2, 0, 0, 1}}));
    bad("bad-rle8-of-4-bits", Join({info(40, 2, 1, 4, 1, 0, 4), Table(16), Bytes{2, 0, 0, 1}}));
    bad("bad-bit-fields-of-8-bits", Join({info(40, 2, 1, 8, 3), Masks(), Table(256), Bytes(4, 0)}));
    bad("bad-rle8-top-down", Join({info(40, 2, -1, 8, 1, 0, 4), Table(256), Bytes{2, 0, 0, 1}}));
    bad("bad-rle8-no-size", Join({info(40, 2, 1, 8, 1, 0, 0), Table(256), Bytes{2, 0, 0, 1}}));
    bad("bad-rle8-size-past-data",
        Join({info(40, 2, 1, 8, 1, 0, 5), Table(256), Bytes{2, 0, 0, 1}}));
    bad("bad-bit-fields-in-44-byte-header", Join({info(44, 1, 1, 32, 3), Masks(), Rows32(1, 1)}));

    // Masks of 16-bit pixels the platform could not apply.
    const uint32_t brokenMasks[][3] = {{0, 0x07E0, 0x001F},         // empty
                                       {0xF800, 0x0FE0, 0x001F},    // sharing a bit
                                       {0xF800, 0x07E0, 0x0015},    // broken run
                                       {0xF800, 0x07E0, 0x10000}};  // beyond the pixel
    for (const auto& m : brokenMasks)
        bad("bad-16-masks-" + std::to_string(&m - brokenMasks),
            Join({info(40, 2, 2, 16, 3), Masks(m[0], m[1], m[2]), Bytes(8, 0x33)}));

    // Masks, table or pixels running past the data.
    bad("bad-masks-cut", Join({info(40, 1, 1, 32, 3), Bytes(8, 0)}));
    bad("bad-table-cut", Join({info(40, 1, 1, 8), Table(255)}));
    bad("bad-core-table-cut", Join({info(12, 1, 1, 8), Table(255, 3), Bytes(4, 0)}));
    bad("bad-huge-colour-count", Join({info(40, 1, 1, 8, 0, 0x40000001), Table(256), Bytes(4, 0)}));
    bad("bad-32-one-byte-short", [&] {
        Bytes b = Join({info(40, 2, 2, 32), Rows32(2, 2)});
        b.pop_back();
        return b;
    }());
    bad("bad-24-last-padding-missing", [&] {
        Bytes b = Join({info(40, 3, 2, 24), Rows24(3, 2)});
        b.pop_back();
        return b;
    }());
    bad("bad-32-tallest-no-data", Join({info(40, 8192, 8192, 32), Rows32(4, 4)}));
    return c;
}

}  // namespace bmp
