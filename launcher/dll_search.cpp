// Where the process may load DLLs from by name.
#include "launcher.h"

typedef BOOL(WINAPI* SetDefaultDllDirectoriesProc)(DWORD);

// Set when the current folder had to be taken out through SetDllDirectoryA,
// which the programs we start would inherit.
static bool s_dllDirectorySet;

void RestrictDllSearch()
{
    // Windows 8 has it, and Vista and 7 with their loader update; on an
    // older system the program runs on without it.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SetDefaultDllDirectoriesProc setDefault =
        kernel != nullptr
            ? (SetDefaultDllDirectoriesProc)(void*)GetProcAddress(kernel, "SetDefaultDllDirectories")
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
    if (s_dllDirectorySet)
        SetDllDirectoryA(nullptr);
    s_dllDirectorySet = false;
}
