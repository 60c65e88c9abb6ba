// The stack protector's guard value and its failure, for the shipped
// programs. The compiler's own runtime for them (libssp) seeds the guard
// through the cryptography library of ADVAPI32, which would be a fifth DLL
// to import; this seeds it the way Windows' own compilers seed theirs, from
// values that differ from one process to the next.
#include <windows.h>

#include <stdint.h>

extern "C" {

// Never left at this value: the entry point below replaces it before any
// protected function runs.
uintptr_t __stack_chk_guard = (uintptr_t)0x2B992DDFA232ull;

__attribute__((noreturn)) void __stack_chk_fail(void)
{
    // A smashed stack: nothing in this process can be trusted any more, so
    // it ends at once, running nothing else, with Windows' own code for it.
    TerminateProcess(GetCurrentProcess(), 0xC0000409u);
    for (;;) {
    }
}

int WinMainCRTStartup(void);

// The programs' entry point, ahead of the C runtime's: the guard must be
// seeded before the first protected function is entered, or that function
// would find another guard on its way out.
__attribute__((no_stack_protector)) int OrvelineStart(void)
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    uintptr_t guard = (uintptr_t)counter.QuadPart ^ (uintptr_t)now.dwLowDateTime ^
                      ((uintptr_t)now.dwHighDateTime << 7) ^ (uintptr_t)GetCurrentProcessId() ^
                      ((uintptr_t)GetCurrentThreadId() << 16) ^ (uintptr_t)GetTickCount() ^
                      (uintptr_t)&counter;
    // A zero byte at the bottom stops a string copy from reproducing it.
    guard &= ~(uintptr_t)0xFF;
    if (guard == 0)
        guard = (uintptr_t)0x2B992DDFA200ull;
    __stack_chk_guard = guard;
    return WinMainCRTStartup();
}

}  // extern "C"
