// Finding a PNG picture among the program's resources and drawing it. What
// the bytes mean is decided in png_format.cpp; this file fetches them, gives
// the reader the room it asks for, and gives everything back.
#include "surface_win32.h"

namespace {

uint8_t* AllocateBlock(uint32_t size)
{
    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, size);
    uint8_t* block = handle ? (uint8_t*)GlobalLock(handle) : nullptr;
    if (block == nullptr && handle)
        GlobalFree(handle);
    return block;
}

void FreeBlock(uint8_t* block)
{
    HGLOBAL handle = GlobalHandle(block);
    GlobalUnlock(handle);
    GlobalFree(handle);
}

// The picture is judged whole, its rows inflated into a block of their
// own, before a surface is made or a pixel written.
int DrawPng(const char* imageName, Surface* surface, int32_t x, int32_t y, const uint8_t* png,
            uint32_t size)
{
    // Like a 32-bit bitmap, a picture with alpha goes only into 32 bits.
    if (surface->bits && surface->bytesPerPixel != 4)
        return 0;
    PngLayout layout;
    if (!ReadPngLayout(png, size, nullptr, 0, &layout))
        return 0;
    uint8_t* raw = AllocateBlock(layout.rawBytes);
    if (raw == nullptr)
        return 0;
    int drawn = 0;
    if (ReadPngLayout(png, size, raw, layout.rawBytes, &layout)) {
        if (surface->bits == nullptr)
            CreateSurface(surface, layout.width, layout.height, 32, imageName);
        if (surface->bits) {
            CopyPngRows(surface, x, y, raw, &layout);
            drawn = 1;
        }
    }
    FreeBlock(raw);
    return drawn;
}

}  // namespace

int DrawPngResource(const char* imageName, Surface* surface, int32_t x, int32_t y)
{
    HRSRC found = FindResourceA(nullptr, imageName, kPngResourceType);
    HGLOBAL resource = found ? LoadResource(nullptr, found) : nullptr;
    const uint8_t* png = resource ? (const uint8_t*)LockResource(resource) : nullptr;
    int drawn = png ? DrawPng(imageName, surface, x, y, png, SizeofResource(nullptr, found)) : 0;
    if (resource)
        FreeResource(resource);
    return drawn;
}
