// The launcher's choice of picture scale, on the build machine.
#include "show.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The launcher's choice of scale: the nearest to DPI x 100 / 96, ties to
// the larger, among the pictures there are, the large one counting as 100.
TEST(ShowScale, NearestToTheScreensTiesGoingToTheLarger)
{
    const std::vector<int32_t> plain = {100}, twice = {100, 200}, three = {100, 125, 200},
                               all = {100, 125, 150, 175, 200, 250, 300}, odd = {100, 150, 300};
    const struct {
        int32_t dpi;
        const std::vector<int32_t>& set;
        int32_t chosen;
    } cases[] = {
        {96, plain, 100},  {288, plain, 100}, {96, twice, 100},  {120, twice, 100},
        {143, twice, 100}, {144, twice, 200}, {168, twice, 200}, {480, twice, 200},
        {120, three, 125}, {144, three, 125}, {168, three, 200}, {107, three, 100},
        {108, three, 125}, {96, all, 100},    {120, all, 125},   {131, all, 125},
        {132, all, 150},   {144, all, 150},   {168, all, 175},   {192, all, 200},
        {216, all, 250},   {240, all, 250},   {288, all, 300},   {600, all, 300},
        {72, all, 100},    {0, all, 100},     {120, odd, 150},   {192, odd, 150},
        {240, odd, 300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.dpi) + " DPI among " + ::testing::PrintToString(c.set));
        EXPECT_EQ(ShowChooseScale(c.dpi, c.set.data(), int32_t(c.set.size())), c.chosen);
    }
    EXPECT_EQ(ShowChooseScale(144, nullptr, 0), 100);
}

}  // namespace
