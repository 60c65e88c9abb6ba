// The shipped programs as Windows will read them, from their files: the
// header's promises, the imports, no link time, no path of the build
// machine, and the version information. Native; the Windows build to read is
// named by ORVELINE_PROGRAMS_BUILD (build/win32 or build/win64).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t Get(const Bytes& b, size_t at, int size)
{
    uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = v << 8 | (at + size_t(i) < b.size() ? b[at + size_t(i)] : 0);
    return v;
}

// What a program's headers say, as far as these tests ask.
struct Pe {
    bool valid = false;
    uint16_t machine = 0, dllCharacteristics = 0;
    uint32_t timestamp = 1;
    std::set<std::string> imports;  // in upper case
    bool hasVersion = false;
};

Pe ReadPe(const Bytes& b)
{
    Pe pe;
    const size_t nt = Get(b, 0x3C, 4);
    if (b.size() < 64 || Get(b, 0, 2) != 0x5A4D || Get(b, nt, 4) != 0x4550)
        return pe;
    const size_t file = nt + 4, optional = file + 20;
    pe.machine = uint16_t(Get(b, file, 2));
    const uint32_t sections = Get(b, file + 2, 2);
    pe.timestamp = Get(b, file + 4, 4);
    const uint32_t optionalSize = Get(b, file + 16, 2);
    const bool plus = Get(b, optional, 2) == 0x20B;
    pe.dllCharacteristics = uint16_t(Get(b, optional + 70, 2));
    const size_t directories = optional + (plus ? 112 : 96);
    const size_t table = optional + optionalSize;
    auto offsetOf = [&](uint32_t rva) -> size_t {
        for (uint32_t i = 0; i < sections; ++i) {
            const size_t s = table + i * 40;
            const uint32_t va = Get(b, s + 12, 4), size = Get(b, s + 16, 4);
            if (rva >= va && rva < va + size)
                return Get(b, s + 20, 4) + (rva - va);
        }
        return b.size();
    };
    for (size_t d = offsetOf(Get(b, directories + 8, 4)); d + 20 <= b.size() && Get(b, d + 12, 4) != 0;
         d += 20) {
        std::string name;
        for (size_t p = offsetOf(Get(b, d + 12, 4)); p < b.size() && b[p] != 0; ++p)
            name += char(std::toupper(b[p]));
        pe.imports.insert(name);
    }
    // The resources' root lists their types; 16 is version information.
    const size_t root = offsetOf(Get(b, directories + 16, 4));
    const uint32_t entries = Get(b, root + 12, 2) + Get(b, root + 14, 2);
    for (uint32_t i = 0; i < entries; ++i)
        pe.hasVersion |= Get(b, root + 16 + i * 8, 4) == 16;
    pe.valid = true;
    return pe;
}

bool Contains(const Bytes& b, const std::string& text)
{
    return std::search(b.begin(), b.end(), text.begin(), text.end()) != b.end();
}

enum : uint16_t {
    kHighEntropyVa = 0x20, kDynamicBase = 0x40, kNxCompat = 0x100, kNoSeh = 0x400,
    kTerminalServerAware = 0x8000,
};

TEST(ShippedPrograms, HeadersImportsAndNoTraceOfTheBuild)
{
    const char* build = std::getenv("ORVELINE_PROGRAMS_BUILD");
    ASSERT_NE(build, nullptr) << "set ORVELINE_PROGRAMS_BUILD to build/win32 or build/win64";
    const bool is64 = std::string(build).ends_with("64");
    for (const char* program : {"orveline.exe", "orveline_bare.exe"}) {
        SCOPED_TRACE(program);
        std::ifstream in(std::string(build) + "/launcher/" + program, std::ios::binary);
        const Bytes bytes((std::istreambuf_iterator<char>(in)), {});
        const Pe pe = ReadPe(bytes);
        ASSERT_TRUE(pe.valid) << "not a program";
        EXPECT_EQ(pe.machine, is64 ? 0x8664 : 0x14C);
        EXPECT_EQ(pe.timestamp, 0u) << "a link time makes every build differ";
        const uint16_t wanted = kDynamicBase | kNxCompat | kTerminalServerAware |
                                (is64 ? kHighEntropyVa : kNoSeh);
        EXPECT_EQ(pe.dllCharacteristics & wanted, wanted) << std::hex << pe.dllCharacteristics;
        EXPECT_EQ(pe.imports, (std::set<std::string>{"GDI32.DLL", "KERNEL32.DLL", "MSVCRT.DLL",
                                                     "USER32.DLL"}));
        EXPECT_TRUE(pe.hasVersion);
        EXPECT_FALSE(Contains(bytes, ORVELINE_SOURCE_DIR)) << "the source folder is in it";
        EXPECT_FALSE(Contains(bytes, build)) << "the build folder is in it";
    }
}

}  // namespace
