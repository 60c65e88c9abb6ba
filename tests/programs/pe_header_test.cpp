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
#include <sstream>
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
    uint64_t entryPoint = 0;        // its address once loaded at its preferred base
    std::set<std::string> imports;  // in upper case
    bool hasVersion = false;
    std::set<uint32_t> resourceTypes;
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
    const uint64_t imageBase = plus ? Get(b, optional + 24, 4) | uint64_t(Get(b, optional + 28, 4))
                                                                     << 32
                                    : Get(b, optional + 28, 4);
    pe.entryPoint = imageBase + Get(b, optional + 16, 4);
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
    for (size_t d = offsetOf(Get(b, directories + 8, 4));
         d + 20 <= b.size() && Get(b, d + 12, 4) != 0; d += 20) {
        std::string name;
        for (size_t p = offsetOf(Get(b, d + 12, 4)); p < b.size() && b[p] != 0; ++p)
            name += char(std::toupper(b[p]));
        pe.imports.insert(name);
    }
    // The resources' root lists their types; 16 is version information.
    const size_t root = offsetOf(Get(b, directories + 16, 4));
    const uint32_t entries = Get(b, root + 12, 2) + Get(b, root + 14, 2);
    for (uint32_t i = 0; i < entries; ++i)
        pe.resourceTypes.insert(Get(b, root + 16 + i * 8, 4));
    pe.hasVersion = pe.resourceTypes.count(16) != 0;
    pe.valid = true;
    return pe;
}

bool Contains(const Bytes& b, const std::string& text)
{
    return std::search(b.begin(), b.end(), text.begin(), text.end(),
                       [](uint8_t x, char y) { return x == uint8_t(y); }) != b.end();
}

// Where the link map puts a symbol; 0 when it does not list it.
uint64_t MapAddress(const std::string& mapFile, const std::string& symbol)
{
    std::ifstream in(mapFile);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string address, name, rest;
        if (words >> address >> name && !(words >> rest) && name == symbol &&
            address.starts_with("0x"))
            return std::stoull(address, nullptr, 16);
    }
    return 0;
}

enum : uint16_t {
    kHighEntropyVa = 0x20,
    kDynamicBase = 0x40,
    kNxCompat = 0x100,
    kNoSeh = 0x400,
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
        const uint16_t wanted =
            kDynamicBase | kNxCompat | kTerminalServerAware | (is64 ? kHighEntropyVa : kNoSeh);
        EXPECT_EQ(pe.dllCharacteristics & wanted, wanted) << std::hex << pe.dllCharacteristics;
        EXPECT_EQ(pe.imports,
                  (std::set<std::string>{"GDI32.DLL", "KERNEL32.DLL", "MSVCRT.DLL", "USER32.DLL"}));
        EXPECT_TRUE(pe.hasVersion);
        if (std::string(program) == "orveline.exe") {
            // The stack protector's guard is seeded there, before the C
            // runtime runs a protected function.
            const uint64_t start =
                MapAddress(std::string(build) + "/launcher/orveline.map", "OrvelineStart");
            EXPECT_NE(start, 0u) << "the link map does not list the entry point";
            EXPECT_EQ(pe.entryPoint, start) << std::hex << "the entry point is not OrvelineStart";
        }
        EXPECT_FALSE(Contains(bytes, ORVELINE_SOURCE_DIR)) << "the source folder is in it";
        EXPECT_FALSE(Contains(bytes, build)) << "the build folder is in it";
    }
}

// UTF-8 as the UTF-16 bytes, little-endian, that Windows keeps texts in.
std::string Utf16(const std::string& utf8)
{
    std::string out;
    auto unit = [&](uint32_t u) { out += char(u & 0xFF), out += char(u >> 8); };
    for (size_t i = 0; i < utf8.size();) {
        const uint8_t c = uint8_t(utf8[i]);
        const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra && i + size_t(k) < utf8.size(); ++k)
            cp = cp << 6 | (uint8_t(utf8[i + size_t(k)]) & 0x3F);
        i += size_t(extra) + 1;
        if (cp >= 0x10000)
            unit(0xD800 + ((cp - 0x10000) >> 10)), unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        else
            unit(cp);
    }
    return out;
}

// A vendor's program from the artwork command (tests/scripts/product_test.sh
// names it and what it was asked to hold): its icon, its picture for scaled
// screens, and its texts in UTF-16, where Windows reads them.
TEST(VendorsProgram, HoldsItsIconPictureAndTexts)
{
    const char* file = std::getenv("ORVELINE_VENDOR_PROGRAM");
    ASSERT_NE(file, nullptr) << "run by tests/scripts/product_test.sh";
    std::ifstream in(file, std::ios::binary);
    const Bytes bytes((std::istreambuf_iterator<char>(in)), {});
    const Pe pe = ReadPe(bytes);
    ASSERT_TRUE(pe.valid);
    EXPECT_TRUE(pe.resourceTypes.count(3) && pe.resourceTypes.count(14)) << "no icon";
    EXPECT_TRUE(Contains(bytes, Utf16("TAL1280X2"))) << "no picture for scaled screens";
    for (const char* name :
         {"ORVELINE_VENDOR_PRODUCT", "ORVELINE_VENDOR_TITLE", "ORVELINE_VENDOR_COMPANY"}) {
        const char* text = std::getenv(name);
        ASSERT_NE(text, nullptr) << name;
        EXPECT_TRUE(Contains(bytes, Utf16(text))) << name << " not in UTF-16: " << text;
    }
}

}  // namespace
