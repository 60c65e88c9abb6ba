// The surfaces' side that calls the platform: their lifecycle over DIB
// sections, regions, and finding and drawing pictures. Windows build only.
#pragma once

#include "surface.h"

#include <windows.h>

// Lifecycle over the platform's DIB sections. The pixels' format is the
// surface's own, so no window's context is needed to make one.
int CreateSurface(Surface* surface, int32_t width, int32_t height, int32_t bitsPerPixel,
                  const char* name);
void DestroySurface(Surface* surface);

// A new region covering the pixels of the block whose colour differs from
// that of the surface's top-left pixel, in coordinates relative to the
// block; cx or cy of 0 stands for the surface's width or height. The caller
// owns the region. Null if the platform could not build all of it: nothing
// is left allocated then.
HRGN RegionFromColorKey(const Surface* surface, int32_t x, int32_t y, int32_t cx, int32_t cy);

// Looked in for a picture file that does not open by its name alone. Empty,
// so that means the root of the current drive.
extern char g_baseDir[260];

// Reads a bitmap file into a locked block of movable global memory and
// returns the packed bitmap behind its file header, or null. The caller owns
// the block and gives it back through GlobalHandle, GlobalUnlock and
// GlobalFree.
uint8_t* ReadBitmapFile(const char* fileName);
// The same, also giving the block's size.
uint8_t* ReadBitmapBlock(const char* fileName, uint32_t* size);
// The resource type the branding tool stores PNG pictures under.
static const char kPngResourceType[] = "PNG";
// Draws the program's PNG resource of that name into a surface with its
// top-left pixel at (x, y), an empty surface being first created at the
// picture's size, 32 bits per pixel. Returns 0, having made and drawn
// nothing, when there is none, when it is damaged or of a kind not read,
// when the surface is not 32-bit, or when memory runs short.
int DrawPngResource(const char* imageName, Surface* surface, int32_t x, int32_t y);
// Whether the program holds a picture of that name among its resources, as
// a PNG or as a bitmap.
int HasPictureResource(const char* imageName);
// Draws the named picture into a surface with its top-left pixel at (x, y):
// the program's PNG resource of that name, or where that is missing or
// refused, its bitmap resource, or else a bitmap file of that name. An
// empty surface is first created at the picture's size, 32 bits per pixel. A colour table
// is written into paletteBlock, 8192 bytes laid out as a logical palette
// (version, count, up to 2047 entries), and the conversion of such a picture
// selects and realizes palette; either may be null. The surface's colour key
// becomes its top-left pixel. Returns 0, having drawn nothing, when the
// picture is missing or refused.
int LoadSurfaceImage(const char* imageName, Surface* surface, int32_t x, int32_t y,
                     HGLOBAL paletteBlock, HPALETTE palette);
