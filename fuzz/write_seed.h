// How the seed makers write each seed: the whole file or a message naming
// the maker and the path.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

inline bool WriteSeed(const char* maker, const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    bool ok = f != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f != nullptr)
        ok = std::fclose(f) == 0 && ok;
    if (!ok)
        std::fprintf(stderr, "%s: cannot write %s\n", maker, path.c_str());
    return ok;
}
