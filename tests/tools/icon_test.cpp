// The icon encoder, judged by parsing what it writes the way Windows does:
// the directory, each bitmap's header, colours and mask, and the PNG.
#include "artwork.h"
#include "icon.h"
#include "little_endian.h"
#include "png_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

using Bytes = std::vector<uint8_t>;

// 30 x 12: opaque colours on the left half, nothing on the right, so every
// size has a transparent border above and below and transparent pixels
// inside the picture too.
RgbaImage HalfTransparent()
{
    RgbaImage image{30, 12, {}};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const uint8_t alpha = x < 15 ? 255 : 0;
            image.rgba.insert(image.rgba.end(), {uint8_t(x * 8), uint8_t(y * 20), 90, alpha});
        }
    return image;
}

struct Entry {
    int width, height;
    uint32_t planes, bits, size, offset;
};

std::vector<Entry> Directory(const Bytes& icon)
{
    std::vector<Entry> entries;
    for (uint32_t i = 0; i < Get16(icon.data() + 4); ++i) {
        const uint8_t* e = icon.data() + 6 + 16 * i;
        entries.push_back({e[0] == 0 ? 256 : e[0], e[1] == 0 ? 256 : e[1], Get16(e + 4),
                           Get16(e + 6), Get32(e + 8), Get32(e + 12)});
    }
    return entries;
}

Bytes Encoded(const RgbaImage& picture)
{
    Bytes icon;
    std::string error;
    EXPECT_TRUE(EncodeIcon(picture, &icon, &error)) << error;
    return icon;
}

TEST(IconTest, DirectoryListsEverySizeInsideTheFile)
{
    const Bytes icon = Encoded(HalfTransparent());
    ASSERT_GE(icon.size(), 6u);
    EXPECT_EQ(Get16(icon.data()), 0u);
    EXPECT_EQ(Get16(icon.data() + 2), 1u);
    const std::vector<Entry> entries = Directory(icon);
    ASSERT_EQ(entries.size(), 4u);
    const int sides[] = {16, 32, 48, 256};
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].width, sides[i]);
        EXPECT_EQ(entries[i].height, sides[i]);
        EXPECT_EQ(entries[i].planes, 1u);
        EXPECT_EQ(entries[i].bits, 32u);
    }
    std::vector<Entry> byOffset = entries;
    std::sort(byOffset.begin(), byOffset.end(),
              [](const Entry& a, const Entry& b) { return a.offset < b.offset; });
    uint64_t end = 6 + 16 * entries.size();
    for (const Entry& e : byOffset) {
        EXPECT_GE(e.offset, end);
        end = uint64_t(e.offset) + e.size;
    }
    EXPECT_LE(end, icon.size());
}

TEST(IconTest, LargestSizeIsThePictureFittedAsPng)
{
    const RgbaImage picture = HalfTransparent();
    const Bytes icon = Encoded(picture);
    const Entry large = Directory(icon).at(3);
    ASSERT_LE(uint64_t(large.offset) + large.size, icon.size());
    const Bytes png(icon.begin() + large.offset, icon.begin() + large.offset + large.size);
    const Bytes signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_GE(png.size(), signature.size());
    EXPECT_TRUE(std::equal(signature.begin(), signature.end(), png.begin()));
    RgbaImage decoded;
    std::string error;
    ASSERT_TRUE(ReadPngBytes(png, &decoded, &error)) << error;
    EXPECT_EQ(decoded.width, 256);
    EXPECT_EQ(decoded.height, 256);
    EXPECT_EQ(decoded.rgba, FitInside(picture, 256, 256).rgba);
}

// Each bitmap holds the fitted picture bottom-up as blue, green, red and
// alpha, and its mask is set exactly where alpha is 0.
TEST(IconTest, BitmapsHoldColoursAlphaAndMask)
{
    const RgbaImage picture = HalfTransparent();
    const Bytes icon = Encoded(picture);
    const std::vector<Entry> entries = Directory(icon);
    ASSERT_EQ(entries.size(), 4u);
    for (size_t i = 0; i < 3; ++i) {
        const int side = entries[i].width;
        SCOPED_TRACE(side);
        const uint32_t maskStride = (uint32_t(side) + 31) / 32 * 4;
        ASSERT_EQ(entries[i].size, 40 + uint32_t(side * side) * 4 + maskStride * uint32_t(side));
        ASSERT_LE(uint64_t(entries[i].offset) + entries[i].size, icon.size());
        const uint8_t* header = icon.data() + entries[i].offset;
        EXPECT_EQ(Get32(header), 40u);
        EXPECT_EQ(Get32(header + 4), uint32_t(side));
        EXPECT_EQ(Get32(header + 8), uint32_t(side) * 2);
        EXPECT_EQ(Get16(header + 14), 32u);
        EXPECT_EQ(Get32(header + 16), 0u);
        const uint8_t* colours = header + 40;
        const uint8_t* mask = colours + side * side * 4;

        const RgbaImage frame = FitInside(picture, side, side);
        const auto stored = [&](int x, int y) { return colours + ((side - 1 - y) * side + x) * 4; };
        const auto masked = [&](int x, int y) {
            return (mask[uint32_t(side - 1 - y) * maskStride + uint32_t(x) / 8] >> (7 - x % 8)) & 1;
        };
        // The border's corner and inside the picture, on either side of its
        // transparent half.
        EXPECT_EQ(stored(0, 0)[3], 0);
        EXPECT_EQ(masked(0, 0), 1);
        EXPECT_EQ(stored(side / 4, side / 2)[3], 255);
        EXPECT_EQ(masked(side / 4, side / 2), 0);
        EXPECT_EQ(stored(side * 3 / 4, side / 2)[3], 0);
        EXPECT_EQ(masked(side * 3 / 4, side / 2), 1);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                const uint8_t* want = frame.at(x, y);
                const uint8_t* got = stored(x, y);
                ASSERT_EQ(got[0], want[2]) << x << ", " << y;
                ASSERT_EQ(got[1], want[1]) << x << ", " << y;
                ASSERT_EQ(got[2], want[0]) << x << ", " << y;
                ASSERT_EQ(got[3], want[3]) << x << ", " << y;
                ASSERT_EQ(masked(x, y), want[3] == 0 ? 1 : 0) << x << ", " << y;
            }
    }
}

TEST(IconTest, CheckAcceptsTheEncoderAndRefusesDamage)
{
    const Bytes icon = Encoded(HalfTransparent());
    std::string error;
    EXPECT_TRUE(CheckIconFile(icon, &error)) << error;

    const auto put32 = [](Bytes& b, size_t at, uint32_t v) {
        Bytes le;
        Put32(le, v);
        std::copy(le.begin(), le.end(), b.begin() + long(at));
    };
    const struct {
        const char* what;
        std::function<void(Bytes&)> damage;
    } cases[] = {
        {"a cursor", [](Bytes& b) { b[2] = 2; }},
        {"reserved not 0", [](Bytes& b) { b[0] = 1; }},
        {"no pictures", [](Bytes& b) { b[4] = 0; }},
        {"cut inside the directory", [](Bytes& b) { b.resize(6 + 16 * 2); }},
        {"cut inside the last picture", [](Bytes& b) { b.pop_back(); }},
        {"offset past the end", [&](Bytes& b) { put32(b, 6 + 16 + 12, uint32_t(b.size())); }},
        {"offset into the directory", [&](Bytes& b) { put32(b, 6 + 12, 6); }},
        {"size past the end", [&](Bytes& b) { put32(b, 6 + 8, 0xFFFFFFFF); }},
    };
    for (const auto& c : cases) {
        Bytes damaged = icon;
        c.damage(damaged);
        error.clear();
        EXPECT_FALSE(CheckIconFile(damaged, &error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
}

}  // namespace
