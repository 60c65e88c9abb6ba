// Where the process may load DLLs from by name.
#include "launcher.h"

typedef BOOL(WINAPI* SetDefaultDllDirectoriesProc)(DWORD);

void RestrictDllSearch()
{
    // Windows 8 has it, and Vista and 7 with their loader update; on an
    // older system the program runs on without it.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SetDefaultDllDirectoriesProc setDefault =
        kernel != nullptr
            ? (SetDefaultDllDirectoriesProc)(void*)GetProcAddress(kernel, "SetDefaultDllDirectories")
            : nullptr;
    if (setDefault != nullptr)
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // The current folder goes from the search too, where the call above is
    // missing: often the same untrusted medium.
    SetDllDirectoryA("");
}
