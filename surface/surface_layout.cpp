// The parts of a surface's lifecycle that need no platform: its sizes, pitch,
// row table and name. The Windows lifecycle builds on these, and tests that
// run without Windows lay out surfaces over plain memory with them.
#include "surface.h"

#include <string.h>

int SetSurfaceLayout(Surface* surface, int32_t width, int32_t height, int32_t bitsPerPixel)
{
    memset(surface, 0, sizeof *surface);
    if (width <= 0 || height <= 0)
        return 0;
    // 8-bit and smaller depths would need a colour table the pixel routines
    // never consult; nothing in the program creates them, so they are refused.
    if (bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32)
        return 0;

    int32_t bytesPerPixel = bitsPerPixel / 8;
    uint64_t pitch = (uint64_t)width * (uint64_t)bytesPerPixel;
    pitch = (pitch + 3) & ~(uint64_t)3;
    // Row offsets are signed 32-bit values and every byte of the pixel array
    // must be reachable through one, so the whole array must fit below 2 GiB.
    if (pitch * (uint64_t)height > (uint64_t)INT32_MAX)
        return 0;

    surface->width = width;
    surface->height = height;
    surface->bytesPerPixel = bytesPerPixel;
    surface->pitch = (uint32_t)pitch;
    return 1;
}

void FillRowOffsets(Surface* surface)
{
    int32_t offset = 0;
    for (int32_t j = 0; j < surface->height; ++j) {
        surface->rowOffsets[j] = offset;
        offset += (int32_t)surface->pitch;
    }
}

void SetSurfaceName(Surface* surface, const char* name)
{
    int i = 0;
    if (name != nullptr) {
        for (; i < kSurfaceNameMax && name[i] != '\0'; ++i)
            surface->name[i] = name[i];
    }
    surface->name[i] = '\0';
}
