// The fade levels of a whole show in the order the launcher draws them,
// taken from the show itself; its schedule is written out by hand only in
// the show's own test.
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
