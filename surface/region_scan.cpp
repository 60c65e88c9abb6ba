// The platform-free half of turning a colour-keyed block into a region:
// finding the runs of one row that are not of the key colour.
#include "surface.h"

#include <stddef.h>

static bool HasKeyColor(const uint8_t* pixel, uint32_t key)
{
    // Byte 3 of a 32-bit pixel is alpha and never decides.
    return pixel[0] == (uint8_t)key && pixel[1] == (uint8_t)(key >> 8) &&
           pixel[2] == (uint8_t)(key >> 16);
}

int32_t FindUnkeyedRun(const uint8_t* row, int32_t cx, int32_t step, uint32_t key, int32_t from,
                       int32_t* end)
{
    int32_t start = from < 0 ? 0 : from;
    while (start < cx && HasKeyColor(row + (ptrdiff_t)start * step, key))
        ++start;
    if (start >= cx) {
        *end = cx;
        return cx;
    }
    int32_t stop = start + 1;
    while (stop < cx && !HasKeyColor(row + (ptrdiff_t)stop * step, key))
        ++stop;
    *end = stop;
    return start;
}
