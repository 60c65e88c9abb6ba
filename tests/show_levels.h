// The fade levels of a whole show in the order the launcher draws them, and
// the shipped show's waits, taken from the show itself; its schedule is
// written out by hand only in the show's own test.
#pragma once

#include "show.h"

#include <vector>

inline std::vector<int> ShowLevels()
{
    std::vector<int> levels;
    for (int32_t frame = 0; frame < kShowFrameCount; ++frame)
        levels.push_back(ShowLevel(frame));
    return levels;
}

// The wait after each frame of the shipped fade in and fade out, and the hold.
inline const int kFadeInWaitMs = int(ShowWaitAfter(0, &kShippedTimings));
inline const int kFadeOutWaitMs = int(ShowWaitAfter(kShowFrameCount - 1, &kShippedTimings));
inline const int kHoldMs = int(kShippedTimings.holdMs);
