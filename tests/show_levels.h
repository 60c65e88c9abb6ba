// The fade levels of a whole show in the order the launcher draws them: the
// fade in from 0 up by 4 while below 255, then the fade out from 255 down
// by 4 while above 0. Written out here on their own, not taken from the
// launcher, so that the tests say what the show must be.
#pragma once

#include <vector>

inline std::vector<int> ShowLevels()
{
    std::vector<int> levels;
    for (int level = 0; level < 255; level += 4)
        levels.push_back(level);
    for (int level = 255; level > 0; level -= 4)
        levels.push_back(level);
    return levels;
}
