// What the processor offers the blends. Processors before the late 486 have
// no CPUID and fault on it; the ID bit of the flags register can be changed
// only where the instruction exists, so it is tried first. AVX2 counts only
// when the system saves the wide registers across task switches, which it
// says through OSXSAVE and the XCR0 register.
#include "surface.h"

#if defined(__i386__) || defined(__x86_64__)

static bool HasCpuid()
{
#if defined(__i386__)
    uint32_t before, after;
    // Flip the ID bit (21), read the flags back, then put the caller's flags
    // back as they were. Only registers are named, so the pushes inside
    // cannot disturb an operand addressed from the stack pointer.
    __asm__ volatile("pushfl\n\t"
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
    return ((before ^ after) & 0x200000u) != 0;
#else
    // Every 64-bit x86 processor has CPUID.
    return true;
#endif
}

static void Cpuid(uint32_t leaf, uint32_t subleaf, uint32_t* a, uint32_t* b, uint32_t* c,
                  uint32_t* d)
{
    uint32_t eax = leaf, ebx, ecx = subleaf, edx;
    __asm__ volatile("cpuid" : "+a"(eax), "=b"(ebx), "+c"(ecx), "=d"(edx));
    *a = eax;
    *b = ebx;
    *c = ecx;
    *d = edx;
}

// ecx is leaf 1's. OSXSAVE (bit 27) says XGETBV exists, AVX (bit 28) that
// the instructions do; bits 1 and 2 of XCR0 say the system keeps the SSE and
// AVX state of every thread.
static bool SystemSavesWideRegisters(uint32_t ecx)
{
    if ((ecx & (3u << 27)) != (3u << 27))
        return false;
    uint32_t xcr0Low, xcr0High;
    __asm__ volatile(".byte 0x0f, 0x01, 0xd0" : "=a"(xcr0Low), "=d"(xcr0High) : "c"(0));
    (void)xcr0High;
    return (xcr0Low & 6u) == 6u;
}

uint32_t ProcessorFeatures()
{
    if (!HasCpuid())
        return 0;
    uint32_t maxLeaf, ebx, ecx, edx;
    Cpuid(0, 0, &maxLeaf, &ebx, &ecx, &edx);
    if (maxLeaf < 1)
        return 0;
    uint32_t eax;
    Cpuid(1, 0, &eax, &ebx, &ecx, &edx);
    uint32_t features = 0;
    if (edx & (1u << 23))
        features |= kCpuMMX;
    if (edx & (1u << 26))
        features |= kCpuSSE2;

    if (maxLeaf >= 7 && SystemSavesWideRegisters(ecx)) {
        Cpuid(7, 0, &eax, &ebx, &ecx, &edx);
        if (ebx & (1u << 5))
            features |= kCpuAVX2;
    }
    return features;
}

#else

uint32_t ProcessorFeatures()
{
    return 0;
}

#endif

int32_t BestBlendForm(uint32_t features)
{
    if (features & kCpuAVX2)
        return kBlendAVX2;
    if (features & kCpuSSE2)
        return kBlendSSE2;
    return kBlendPlain;
}
