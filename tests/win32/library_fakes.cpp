#include "library_fakes.h"

#include "call_log.h"
#include "import_hook.h"
#include "process_fakes.h"
#include "show_fakes.h"
#include "system_fakes.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace {

decltype(&SetDllDirectoryA) realSetDllDirectory;
decltype(&LoadLibraryA) realLoadLibrary;
decltype(&FreeLibrary) realFreeLibrary;
decltype(&GetProcAddress) realGetProcAddress;

LibraryFakeSettings given;
LibraryFakeRecord seen;

// The DLL search is restricted in the test only on record: the test
// program itself goes on loading as before.
BOOL WINAPI RecordSetDefaultDllDirectories(DWORD flags)
{
    LogCall("SetDefaultDllDirectories " + std::to_string(flags));
    return TRUE;
}

BOOL WINAPI RecordSetDllDirectory(LPCSTR path)
{
    LogCall(std::string("SetDllDirectoryA [") + (path ? path : "null") + "]");
    return TRUE;
}

// A library's file name, without its folder.
const char* FileName(const char* path)
{
    const char* slash = std::strrchr(path, '\\');
    return slash != nullptr ? slash + 1 : path;
}

HMODULE WINAPI CountLoadLibrary(LPCSTR name)
{
    seen.librariesLoaded.push_back(name != nullptr ? name : "(null)");
    LogCall(std::string("LoadLibraryA ") + (name != nullptr ? FileName(name) : "(null)"));
    if (name != nullptr && !given.missingLibrary.empty() &&
        _stricmp(FileName(name), given.missingLibrary.c_str()) == 0) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return realLoadLibrary(name);
}

BOOL WINAPI CountFreeLibrary(HMODULE module)
{
    ++seen.librariesFreed;
    return realFreeLibrary(module);
}

// The shell, the monitor's DPI and the search's restriction are looked up
// by name at run time: those lookups get the fakes.
FARPROC WINAPI FakeGetProcAddress(HMODULE module, LPCSTR name)
{
    if (IS_INTRESOURCE(name))
        return realGetProcAddress(module, name);
    if (std::strcmp(name, "GetDpiForMonitor") == 0)
        return LookUpGetDpiForMonitor(realGetProcAddress(module, name));
    if (std::strcmp(name, "ShellExecuteExA") == 0)
        return LookUpShellExecuteEx();
    if (std::strcmp(name, "DwmSetWindowAttribute") == 0)
        return LookUpDwmSetWindowAttribute();
    if (std::strncmp(name, "Reg", 3) == 0)
        return LookUpRegistry(name, realGetProcAddress(module, name));
    if (std::strcmp(name, "SetDefaultDllDirectories") == 0)
        return given.noSetDefaultDllDirectories ? nullptr
                                                : reinterpret_cast<FARPROC>(reinterpret_cast<void*>(
                                                      &RecordSetDefaultDllDirectories));
    return realGetProcAddress(module, name);
}

}  // namespace

void ResetLibraryFakes(const LibraryFakeSettings& settings)
{
    given = settings;
    seen = LibraryFakeRecord{};
}

const LibraryFakeRecord& LibraryFakesSaw()
{
    return seen;
}

bool InstallLibraryFakes()
{
    return InstallImportHooks({
        {realSetDllDirectory, "kernel32.dll", "SetDllDirectoryA", &RecordSetDllDirectory},
        {realLoadLibrary, "kernel32.dll", "LoadLibraryA", &CountLoadLibrary},
        {realFreeLibrary, "kernel32.dll", "FreeLibrary", &CountFreeLibrary},
        {realGetProcAddress, "kernel32.dll", "GetProcAddress", &FakeGetProcAddress},
    });
}
