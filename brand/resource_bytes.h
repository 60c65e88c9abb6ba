// Little-endian fields and UTF-16 text of the resources the branding tool
// writes into the programs.
#pragma once

#include "little_endian.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brand {

using ::Get16;
using ::Get32;
using ::Put16;
using ::Put32;

inline void PutText(std::vector<uint8_t>& out, const std::u16string& text)
{
    for (const char16_t unit : text)
        Put16(out, unit);
}

inline void Set16(std::vector<uint8_t>& out, size_t at, uint32_t value)
{
    out[at] = uint8_t(value);
    out[at + 1] = uint8_t(value >> 8);
}

}  // namespace brand
