// The launcher's restriction of the DLL search, for real: a DLL planted in
// the program's own folder loads by name before it, and not after it. A
// program of its own, as the restriction lasts for the rest of the process.
#include "launcher.h"

#include <gtest/gtest.h>

namespace {

const char kPlanted[] = "orveline_planted.dll";

TEST(DllSearch, APlantedDllBesideTheProgramIsNotLoadedByName)
{
    // Without the restriction the program's own folder comes first.
    HMODULE before = LoadLibraryA(kPlanted);
    ASSERT_NE(before, nullptr) << "the planted DLL is not beside the test program";
    EXPECT_NE(GetProcAddress(before, "Planted"), nullptr);
    FreeLibrary(before);
    ASSERT_EQ(GetModuleHandleA(kPlanted), nullptr);

    RestrictDllSearch();
    EXPECT_EQ(LoadLibraryA(kPlanted), nullptr) << "loaded from the program's folder";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
    // What the system folder holds still loads by name.
    HMODULE system = LoadLibraryA("version.dll");
    EXPECT_NE(system, nullptr);
    if (system != nullptr)
        FreeLibrary(system);
}

}  // namespace
