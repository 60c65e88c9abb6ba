// Writes the stack protector's guard, as the shipped programs' entry point
// seeded it, in hex to the file its command line names.
#include <windows.h>

#include <stdint.h>

extern "C" uintptr_t __stack_chk_guard;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    char text[2 * sizeof(uintptr_t)];
    for (size_t i = 0; i < sizeof text; ++i)
        text[i] = "0123456789abcdef"[(__stack_chk_guard >> (4 * (sizeof text - 1 - i))) & 0xF];
    HANDLE file = CreateFileA(commandLine, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, text, sizeof text, &written, nullptr);
    CloseHandle(file);
    return ok ? 0 : 1;
}
