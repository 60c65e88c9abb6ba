// The show's schedule written out by hand, the one place a test says what
// it must be: every other test, the preview and the benchmarks take their
// levels and waits from the show itself.
#include "show.h"

#include <gtest/gtest.h>

namespace {

struct ScheduleCase {
    const char* name;
    bool fades;
    ShowTimings timings;
    int32_t count;
    // {frame, level, wait after it}, for frames where the schedule turns.
    struct {
        int32_t frame, level;
        uint32_t waitMs;
    } frames[6];
};

const ScheduleCase kSchedules[] = {
    {"shipped",
     true,
     {1280, 2000, 640},
     128,
     {{0, 0, 20}, {1, 4, 20}, {62, 248, 20}, {63, 252, 2020}, {64, 255, 10}, {127, 3, 10}}},
    {"vendor's pace",
     true,
     {640, 700, 1280},
     128,
     {{0, 0, 10}, {62, 248, 10}, {63, 252, 710}, {64, 255, 20}, {126, 7, 20}, {127, 3, 20}}},
    // Rounded to the nearest millisecond, never below one: 96 / 64 is 1.5.
    {"rounded",
     true,
     {96, 0, 31},
     128,
     {{0, 0, 2}, {63, 252, 2}, {64, 255, 1}, {127, 3, 1}, {65, 251, 1}, {1, 4, 2}}},
    {"no fades",
     false,
     {1280, 2000, 640},
     1,
     {{0, 255, 2000},
      {0, 255, 2000},
      {0, 255, 2000},
      {0, 255, 2000},
      {0, 255, 2000},
      {0, 255, 2000}}},
};

TEST(ShowSchedule, FramesLevelsAndWaits)
{
    EXPECT_EQ(kShippedTimings.fadeInMs, 1280u);
    EXPECT_EQ(kShippedTimings.holdMs, 2000u);
    EXPECT_EQ(kShippedTimings.fadeOutMs, 640u);
    for (const ScheduleCase& c : kSchedules) {
        PlannedFrame planned[kShowFrameCount];
        ASSERT_EQ(PlanShow(c.fades, &c.timings, planned), c.count) << c.name;
        for (const auto& f : c.frames) {
            EXPECT_EQ(planned[f.frame].level, f.level) << c.name << " frame " << f.frame;
            EXPECT_EQ(planned[f.frame].waitMs, f.waitMs) << c.name << " frame " << f.frame;
        }
    }
    // Every level steps by 4 inside each fade: none repeated or skipped.
    for (int32_t frame = 1; frame < kShowFrameCount; ++frame) {
        const int32_t step = frame < kFadeInFrameCount ? -4 : 4;
        if (frame != kFadeInFrameCount) {
            EXPECT_EQ(ShowLevel(frame - 1) - ShowLevel(frame), step) << "frame " << frame;
        }
    }
}

}  // namespace
