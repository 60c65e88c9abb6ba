// What Windows reads from the shipped programs before they run: the
// manifest and the version information, and the product record the
// launcher reads, from the built files themselves. (Wine reports every
// process DPI aware whatever its manifest says, so the manifest's effect
// cannot be seen here.)
#include "orveline_version.h"
#include "product_record.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* const kPrograms[] = {ORVELINE_EXE, ORVELINE_BARE_EXE};

std::string Resource(const char* path, const char* name, const char* type)
{
    HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr)
        return "";
    std::string text;
    HRSRC found = FindResourceA(module, name, type);
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const char* bytes =
        loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (bytes != nullptr)
        text.assign(bytes, SizeofResource(module, found));
    FreeLibrary(module);
    return text;
}

std::string VersionString(const char* path, const char* name)
{
    DWORD ignored;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0)
        return "";
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(path, 0, size, block.data()))
        return "";
    char* value = nullptr;
    UINT length = 0;
    const std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) ||
        length == 0)
        return "";
    return std::string(value);
}

TEST(ProgramResources, ManifestAsksForNoElevationNamesTheSystemsAndDpiAwareness)
{
    const char* const wanted[] = {
        "level=\"asInvoker\"",
        "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
        // Per monitor on 8.1 and early 10, system aware on Vista, 7 and 8.
        ">true/pm</dpiAware>",
        "SMI/2016/WindowsSettings\">PerMonitorV2, PerMonitor</dpiAwareness>",
        "processorArchitecture=\"*\"",
    };
    for (const char* program : kPrograms) {
        SCOPED_TRACE(program);
        const std::string manifest = Resource(program, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
        ASSERT_FALSE(manifest.empty()) << "no manifest resource";
        for (const char* text : wanted)
            EXPECT_NE(manifest.find(text), std::string::npos) << text;
        EXPECT_EQ(manifest.find("requireAdministrator"), std::string::npos);
    }
}

TEST(ProgramResources, VersionInformationNamesTheProduct)
{
    for (const char* program : kPrograms) {
        SCOPED_TRACE(program);
        EXPECT_EQ(VersionString(program, "ProductName"), "Orveline");
#ifdef _WIN64
        EXPECT_EQ(VersionString(program, "OriginalFilename"), "orveline64.exe");
#else
        EXPECT_EQ(VersionString(program, "OriginalFilename"), "orveline.exe");
#endif
    }
}

// The shipped programs carry the shipped show and title in their product
// record, as the branding tool and the launcher read it.
TEST(ProgramResources, ProductRecordHoldsTheShippedShow)
{
    for (const char* program : kPrograms) {
        SCOPED_TRACE(program);
        const std::string record =
            Resource(program, kProductRecordName, MAKEINTRESOURCEA(kProductRecordType));
        ProductSettings settings;
        ASSERT_EQ(ReadProductRecord(record.data(), uint32_t(record.size()), &settings), 1)
            << "no sound record, " << record.size() << " bytes";
        EXPECT_EQ(settings.timings.fadeInMs, kShippedTimings.fadeInMs);
        EXPECT_EQ(settings.timings.holdMs, kShippedTimings.holdMs);
        EXPECT_EQ(settings.timings.fadeOutMs, kShippedTimings.fadeOutMs);
        EXPECT_EQ(settings.titleLength, 0);
        EXPECT_EQ(uint8_t(record[8]) | uint8_t(record[9]) << 8, ORVELINE_VERSION_MAJOR);
    }
}

}  // namespace
