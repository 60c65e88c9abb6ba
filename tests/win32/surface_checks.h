// Checks on surface records that several Windows tests make.
#pragma once

#include "surface.h"

#include <cstring>

// Nothing left in the record: how a released surface, or one never made,
// leaves it.
inline bool IsAllZero(const Surface& s)
{
    static const Surface zero{};
    return std::memcmp(&s, &zero, sizeof s) == 0;
}
