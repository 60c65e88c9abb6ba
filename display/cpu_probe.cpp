// The processor flag the display records. The probe itself lives with the
// blends, which choose their form from it.
#include "display.h"

int32_t ProcessorHasMMX()
{
    return (ProcessorFeatures() & kCpuMMX) ? 1 : 0;
}
