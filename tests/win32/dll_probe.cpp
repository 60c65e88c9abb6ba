// Stands in for an installer that loads a DLL of its own by name from its
// current folder: writes "loaded" or "refused" to dll_probe.txt there.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    HMODULE dll = LoadLibraryA(commandLine);
    const char* result = dll != nullptr ? "loaded" : "refused";
    HANDLE file = CreateFileA("dll_probe.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(file, result, lstrlenA(result), &written, nullptr);
    CloseHandle(file);
    return MoveFileExA("dll_probe.tmp", "dll_probe.txt", MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
