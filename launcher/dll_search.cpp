// Where the process may load DLLs from by name.
#include "dll_search.h"

#include <string.h>

typedef BOOL(WINAPI* SetDefaultDllDirectoriesProc)(DWORD);

// Set while the current folder is taken out through SetDllDirectoryA, which
// the programs we start would inherit.
static bool s_dllDirectorySet;
// Set when ReleaseDllSearch gave that up, so that it can be taken back.
static bool s_dllDirectoryReleased;

void RestrictDllSearch()
{
    s_dllDirectorySet = false;
    s_dllDirectoryReleased = false;
    // Windows 8 has it, and Vista and 7 with their loader update; on an
    // older system the program runs on without it.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SetDefaultDllDirectoriesProc setDefault =
        kernel != nullptr ? (SetDefaultDllDirectoriesProc)(void*)GetProcAddress(
                                kernel, "SetDefaultDllDirectories")
                          : nullptr;
    if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    // Without it, the current folder at least goes from the search: often
    // the same untrusted medium.
    s_dllDirectorySet = SetDllDirectoryA("") != FALSE;
}

void ReleaseDllSearch()
{
    // Child processes inherit what SetDllDirectoryA set: an installer that
    // loads DLLs from its current folder would find none there.
    if (s_dllDirectorySet) {
        SetDllDirectoryA(nullptr);
        s_dllDirectoryReleased = true;
    }
    s_dllDirectorySet = false;
}

void RestoreDllSearch()
{
    // The start failed and the launcher goes on loading libraries (the
    // shell and what it loads by name): from the system's folders again.
    if (s_dllDirectoryReleased)
        s_dllDirectorySet = SetDllDirectoryA("") != FALSE;
    s_dllDirectoryReleased = false;
}

HMODULE LoadSystemLibrary(const char* name)
{
    // By its full path, never by name: an installer medium's folder may
    // hold a DLL of the same name.
    char path[MAX_PATH];
    const UINT folderLength = GetSystemDirectoryA(path, MAX_PATH);
    const size_t nameLength = strlen(name);
    if (folderLength == 0 || folderLength + 1 + nameLength + 1 > sizeof path)
        return nullptr;
    path[folderLength] = '\\';
    memcpy(path + folderLength + 1, name, nameLength + 1);
    return LoadLibraryA(path);
}
