// The surfaces' side that calls the platform: their lifecycle over DIB
// sections, regions, and finding and drawing pictures. Windows build only.
#pragma once

#include "surface.h"

#include <windows.h>

// The launcher's window, null until it exists: device contexts are then
// taken from the whole screen. The launcher sets it; the surfaces and the
// display read it.
extern HWND g_hWnd;
// 8192 bytes laid out as a logical palette (version, count, up to 2047
// entries), into which the loader writes a picture's colour table. The
// display makes it and frees it.
extern HGLOBAL g_hPaletteMem;
// The palette made from that block, which the loader's conversion of a
// picture with a colour table uses; the display makes it, frees it, and
// selects it into the window's context before every presentation.
extern HPALETTE g_hPalette;

// Lifecycle over the platform's DIB sections.
int CreateSurface(Surface* surface, int32_t width, int32_t height,
                  int32_t bitsPerPixel, const char* name);
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
// Draws the named picture, from the program's bitmap resources or else from
// a file, into a surface with its top-left pixel at (x, y); an empty surface
// is first created at the picture's size, 32 bits per pixel. A colour table
// goes into the palette block, and the surface's colour key becomes its
// top-left pixel. Returns 0, having drawn nothing, when the picture is
// missing or refused.
int LoadSurfaceImage(const char* imageName, Surface* surface, int32_t x, int32_t y);
