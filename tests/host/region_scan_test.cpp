// The run finder behind RegionFromColorKey: rows written as strings, one
// letter per pixel, K for the key colour and anything else for other colours.
#include "pixel_surface.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t kKey = 0x00C08040;  // blue 0x40, green 0x80, red 0xC0

using Runs = std::vector<std::pair<int32_t, int32_t>>;

// Lays the row out in a surface of the given depth. Non-key pixels differ
// from the key in one colour byte only; every alpha byte is random.
void LayRow(PixelSurface& s, const std::string& row, std::mt19937& rng)
{
    s.randomize(rng);
    for (size_t i = 0; i < row.size(); ++i) {
        uint8_t* p = s.at(int32_t(i), 0);
        p[0] = 0x40;
        p[1] = 0x80;
        p[2] = 0xC0;
        if (row[i] != 'K')
            p[i % 3] ^= uint8_t(1 << (i % 8));
    }
}

Runs AllRuns(PixelSurface& s)
{
    Runs runs;
    int32_t end = 0;
    const int32_t cx = s->width, step = s->bytesPerPixel;
    for (int32_t c = FindUnkeyedRun(s->bits, cx, step, kKey, 0, &end); c < cx;
         c = FindUnkeyedRun(s->bits, cx, step, kKey, end + 1, &end)) {
        EXPECT_LT(c, end);
        runs.emplace_back(c, end);
    }
    EXPECT_EQ(end, cx) << "the last search stops at the row's end";
    return runs;
}

struct RowCase {
    const char* row;
    Runs runs;
};

class FindUnkeyedRunRows : public ::testing::TestWithParam<RowCase> {};

TEST_P(FindUnkeyedRunRows, FindsEveryMaximalRunInBothDepths)
{
    const RowCase c = GetParam();
    std::mt19937 rng(42);
    for (int32_t bpp : {24, 32}) {
        PixelSurface s(int32_t(std::string(c.row).size()), 1, bpp);
        LayRow(s, c.row, rng);
        EXPECT_EQ(AllRuns(s), c.runs) << c.row << " at " << bpp << " bits";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FindUnkeyedRunRows,
    ::testing::Values(RowCase{"NKNNK", {{0, 1}, {2, 4}}},
                      RowCase{"KKNNN", {{2, 5}}},  // a run reaching the row's end
                      RowCase{"KKKKK", {}}, RowCase{"NNNNNNN", {{0, 7}}}, RowCase{"K", {}},
                      RowCase{"N", {{0, 1}}},
                      RowCase{"NKNKNKNKN", {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {8, 9}}},
                      RowCase{"KNNKKKNNNNK", {{1, 3}, {6, 10}}}));

// Searching from a column inside a run starts a run there; searching from
// the row's end or beyond finds nothing and reads nothing.
TEST(FindUnkeyedRun, StartColumnBounds)
{
    std::mt19937 rng(5);
    PixelSurface s(5, 1);
    LayRow(s, "KNNNK", rng);
    int32_t end = -1;
    EXPECT_EQ(FindUnkeyedRun(s->bits, 5, 4, kKey, 2, &end), 2);
    EXPECT_EQ(end, 4);
    for (int32_t from : {5, 6, 1000}) {
        EXPECT_EQ(FindUnkeyedRun(s->bits, 5, 4, kKey, from, &end), 5);
        EXPECT_EQ(end, 5);
    }
    EXPECT_EQ(FindUnkeyedRun(s->bits, 0, 4, kKey, 0, &end), 0);
    EXPECT_EQ(end, 0);
}

}  // namespace
