// The launcher's restriction of the DLL search, for real: a DLL planted in
// the program's own folder loads by name before it, and not after it; and
// the next program's search is its own. A program of its own, as the
// restriction lasts for the rest of the process.
#include "dll_search.h"
#include "handoff.h"
#include "import_hook.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kPlanted[] = "orveline_planted.dll";

std::string OwnFolder()
{
    char own[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, own, MAX_PATH);
    const std::string path(own, length);
    return path.substr(0, path.rfind('\\'));
}

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

decltype(&GetProcAddress) realGetProcAddress;

// A system without SetDefaultDllDirectories, where the restriction goes
// through SetDllDirectoryA, which child processes inherit.
FARPROC WINAPI WithoutDefaultDirectories(HMODULE module, LPCSTR name)
{
    if (HIWORD(name) != 0 && std::strcmp(name, "SetDefaultDllDirectories") == 0)
        return nullptr;
    return realGetProcAddress(module, name);
}

// An installer the launcher starts loads a DLL of its own by name from its
// current folder, as a plain start lets it; the launcher itself still
// cannot load the planted one.
TEST(DllSearch, TheNextProgramSearchesItsOwnWay)
{
    RestrictDllSearch();
    Hook(realGetProcAddress, "kernel32.dll", "GetProcAddress", &WithoutDefaultDirectories);
    ASSERT_NE(realGetProcAddress, nullptr);
    RestrictDllSearch();
    decltype(&GetProcAddress) ours;
    Hook(ours, "kernel32.dll", "GetProcAddress", realGetProcAddress);

    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string folder =
        std::string(temp) + "orveline-dll-" + std::to_string(GetCurrentProcessId());
    const std::string own = OwnFolder(), copy = folder + "\\" + kPlanted,
                      record = folder + "\\dll_probe.txt";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((own + "\\" + kPlanted).c_str(), copy.c_str(), FALSE));
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));

    EXPECT_EQ(StartNextProgram(("\"" + own + "\\dll_probe.exe\" " + kPlanted).c_str()), 1);
    for (int i = 0; i < 200 && GetFileAttributesA(record.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(50);
    char result[16] = {};
    HANDLE file = CreateFileA(record.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD read = 0;
    if (file != INVALID_HANDLE_VALUE) {
        ReadFile(file, result, sizeof result - 1, &read, nullptr);
        CloseHandle(file);
    }
    EXPECT_STREQ(result, "loaded")
        << "the next program could not load a DLL from its current folder";
    EXPECT_EQ(LoadLibraryA(kPlanted), nullptr) << "the launcher loaded the planted DLL";

    SetCurrentDirectoryA(saved);
    DeleteFileA(record.c_str());
    DeleteFileA(copy.c_str());
    RemoveDirectoryA(folder.c_str());
}

}  // namespace
