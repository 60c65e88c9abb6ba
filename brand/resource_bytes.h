// Little-endian fields and UTF-16 text of the resources the branding tool
// writes into the programs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brand {

inline void Put16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

inline void Put32(std::vector<uint8_t>& out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

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

inline uint32_t Get16(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}

inline uint32_t Get32(const uint8_t* p)
{
    return Get16(p) | Get16(p + 2) << 16;
}

}  // namespace brand
