// The resource compiler the Windows builds use, run on a test's own script,
// and a resource read back from the .res file it writes: what the branding
// tool's resources must equal. Looked for on the PATH (or as
// ORVELINE_WINDRES names it) when the test runs, so that the build
// machine's build needs no MinGW; without it the tests check less.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace windres {

inline std::string Command()
{
    const char* named = std::getenv("ORVELINE_WINDRES");
    return named != nullptr ? named : "i686-w64-mingw32-windres";
}

inline bool Found()
{
    return std::system(("command -v " + Command() + " >/dev/null 2>&1").c_str()) == 0;
}

inline std::vector<uint8_t> ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::filesystem::path TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "brand-XXXXXX").string();
    return mkdtemp(pattern.data()) != nullptr ? pattern : "";
}

// The data of the resource of this type and name ("#16" for a number) in
// the .res compiled from the script, which may name files in its folder.
inline std::vector<uint8_t> Compile(const std::string& script, const std::filesystem::path& folder,
                                    const std::string& type, const std::string& name)
{
    std::ofstream(folder / "test.rc", std::ios::binary) << script;
    const std::string command =
        "cd '" + folder.string() + "' && " + Command() + " -O res test.rc test.res";
    const std::vector<uint8_t> res =
        std::system(command.c_str()) == 0 ? ReadFile(folder / "test.res") : std::vector<uint8_t>();
    auto get16 = [&](size_t at) { return at + 2 <= res.size() ? res[at] | res[at + 1] << 8 : 0u; };
    // An entry's type and name: 0xFFFF and a number, or a terminated text.
    auto nameAt = [&](size_t* at) {
        if (get16(*at) == 0xFFFF)
            return "#" + std::to_string(get16((*at += 4) - 2));
        std::string text;
        for (; get16(*at) != 0; *at += 2)
            text += char(get16(*at));
        *at += 2;
        return text;
    };
    for (size_t at = 0; at + 8 <= res.size();) {
        const size_t dataSize = get16(at) | get16(at + 2) << 16, data = at + get16(at + 4);
        size_t field = at + 8;
        const std::string entryType = nameAt(&field), entryName = nameAt(&field);
        if (entryType == type && entryName == name && data + dataSize <= res.size())
            return {res.begin() + data, res.begin() + data + dataSize};
        at = (data + dataSize + 3) / 4 * 4;
    }
    return {};
}

}  // namespace windres
