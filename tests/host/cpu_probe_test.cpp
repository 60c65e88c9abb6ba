// The processor probe against the compiler's own record of the processor,
// which reads CPUID by a separate route. In the 32-bit build this runs the
// flags-register test and the inline CPUID under Wine.
#include "display.h"

#include <gtest/gtest.h>

namespace {

#if defined(__i386__) || defined(__x86_64__)
TEST(ProcessorHasMMX, AgreesWithTheCompilersCpuModel)
{
    __builtin_cpu_init();
    EXPECT_EQ(ProcessorHasMMX(), __builtin_cpu_supports("mmx") ? 1 : 0);
}
#endif

}  // namespace
