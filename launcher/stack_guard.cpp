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

// One value more into the guard. The multiplication spreads every bit of
// it over the whole word: a plain XOR would let two clocks that advance
// together (the performance counter and the system time, both counting
// 100 ns on most systems) cancel out, and the same guard come back process
// after process.
static inline uint64_t MixIntoGuard(uint64_t guard, uint64_t value)
{
    guard = (guard ^ value) * 0x9E3779B97F4A7C15ull;
    return guard ^ (guard >> 29);
}

// The programs' entry point, ahead of the C runtime's: the guard must be
// seeded before the first protected function is entered, or that function
// would find another guard on its way out.
__attribute__((no_stack_protector)) int OrvelineStart(void)
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    uint64_t mixed = 0;
    mixed = MixIntoGuard(mixed, (uint64_t)counter.QuadPart);
    mixed = MixIntoGuard(mixed, (uint64_t)now.dwHighDateTime << 32 | now.dwLowDateTime);
    mixed = MixIntoGuard(mixed, (uint64_t)GetCurrentProcessId() << 32 | GetCurrentThreadId());
    mixed = MixIntoGuard(mixed, GetTickCount());
    mixed = MixIntoGuard(mixed, (uintptr_t)&counter);
    uintptr_t guard = (uintptr_t)(mixed ^ (mixed >> 32));
    // A zero byte at the bottom stops a string copy from reproducing it.
    guard &= ~(uintptr_t)0xFF;
    if (guard == 0)
        guard = (uintptr_t)0x2B992DDFA200ull;
    __stack_chk_guard = guard;
    return WinMainCRTStartup();
}

}  // extern "C"
