// The processor probe. Processors before the late 486 have no CPUID and
// fault on it; the ID bit of the flags register can be changed only where
// the instruction exists, so it is tried first.
#include "display.h"

#if defined(__x86_64__)
#include <cpuid.h>
#endif

int32_t ProcessorHasMMX()
{
#if defined(__i386__)
    uint32_t before, after;
    // Flip the ID bit (21), read the flags back, then put the caller's flags
    // back as they were. Only registers are named, so the pushes inside
    // cannot disturb an operand addressed from the stack pointer.
    __asm__ volatile(
        "pushfl\n\t"
        "popl %0\n\t"
        "movl %0, %1\n\t"
        "xorl $0x200000, %1\n\t"
        "pushl %1\n\t"
        "popfl\n\t"
        "pushfl\n\t"
        "popl %1\n\t"
        "pushl %0\n\t"
        "popfl"
        : "=&r"(before), "=&r"(after)
        :
        : "cc");
    if (((before ^ after) & 0x200000u) == 0)
        return 0;
    uint32_t eax = 1, ebx, ecx = 0, edx;
    __asm__ volatile("cpuid" : "+a"(eax), "=b"(ebx), "+c"(ecx), "=d"(edx));
    (void)ebx;
    return (int32_t)((edx >> 23) & 1u);
#elif defined(__x86_64__)
    // Every x86-64 processor has CPUID; the header's probe is enough.
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return 0;
    return (int32_t)((edx >> 23) & 1u);
#else
    return 0;
#endif
}
