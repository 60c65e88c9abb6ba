// Surfaces: pixel buffers the program addresses itself, and everything done
// to their pixels. The pixel routines here take live 32-bit surfaces and
// blocks the caller has already kept inside them; they neither clip nor test.
#pragma once

#include <stdint.h>

#ifdef _WIN32
#include <windows.h>
#else
// The record and the routines name a few platform types; off Windows only
// the types are needed, never a function that would take them.
typedef struct HBITMAP__* HBITMAP;
typedef struct HRGN__* HRGN;
typedef uint32_t COLORREF;  // red in bits 0-7, green 8-15, blue 16-23
struct RECT {
    int32_t left, top, right, bottom;
};
#endif

enum { kSurfaceNameSize = 260, kSurfaceNameMax = 255 };

struct Surface {
    HBITMAP hBitmap;        // null: the record holds no surface
    uint8_t* bits;          // first byte of the top row
    int32_t width;
    int32_t height;
    int32_t bytesPerPixel;
    uint32_t pitch;         // bytes from one row to the next, a multiple of 4
    char name[kSurfaceNameSize];
    uint32_t colorKey;      // blue, green, red, and a top byte that makes it active
    int32_t* rowOffsets;    // height entries, entry j = j * pitch
};

// Lifecycle over the platform's DIB sections (Windows build only).
int CreateSurface(Surface* surface, int32_t width, int32_t height,
                  int32_t bitsPerPixel, const char* name);
void DestroySurface(Surface* surface);

// Zeroes the record, then stores the sizes and the pitch. Returns 0, leaving
// the record zero, for sizes that cannot describe a surface: a side of zero
// or less, a depth other than 16, 24 or 32 bits, or a pixel array whose last
// row would start beyond what a signed 32-bit row offset can hold.
int SetSurfaceLayout(Surface* surface, int32_t width, int32_t height,
                     int32_t bitsPerPixel);
// Entry j of rowOffsets becomes j * pitch, for every row of the surface.
void FillRowOffsets(Surface* surface);
// Stores at most kSurfaceNameMax characters and a NUL; a null name is empty.
void SetSurfaceName(Surface* surface, const char* name);

// Blend rule, with a weight a from 0 to 256 for destination byte d and
// source byte s:  ((d * (256 - a)) >> 8) + ((s * a) >> 8).

// Blends a block of src into dst at a fade level from 0 to 256, weighting
// each pixel by (its alpha * level) >> 8. Byte 3 of dst is never touched.
int BlendSurface(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                 const Surface* src, int32_t srcX, int32_t srcY, int32_t level);
// Blends at the source's own alpha, leaving out pixels of the source's colour
// key when that key is active.
int BlendSurfaceKeyed(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                      const Surface* src, int32_t srcX, int32_t srcY);
// Raw 32-bit pixels, alpha byte blended too; alpha 0 leaves the destination,
// alpha 255 copies the source. Each skip is added to its address after a row.
// Counts of zero or less do nothing.
void BlendPixelsMMX(uint8_t* dstPixels, const uint8_t* srcPixels, int32_t rows,
                    int32_t cols, int32_t dstSkip, int32_t srcSkip);
// The same rule in plain integer code: the reference the MMX routine must match.
void BlendPixelsPlain(uint8_t* dstPixels, const uint8_t* srcPixels, int32_t rows,
                      int32_t cols, int32_t dstSkip, int32_t srcSkip);

// Copies cx x cy pixels, every byte of each, row by row from the top; the
// rows of one surface may overlap. Both surfaces must have the pixel size of
// dst. Counts of zero or less do nothing.
int CopySurfaceRect(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                    const Surface* src, int32_t srcX, int32_t srcY);
// Copies 32-bit pixels with their alpha, leaving out those whose blue, green
// and red equal the source's colorKey. The key's top byte is not looked at:
// whether a key is in force is the caller's decision.
int CopySurfaceKeyed(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                     const Surface* src, int32_t srcX, int32_t srcY);
// Narrows a block to be copied from src at (srcX, srcY) to dst at (dstX,
// dstY) to the pixels inside both surfaces, moving both corners alike, the
// way the platform's block transfer clips. Returns 0, changing nothing, when
// no pixel is left.
int ClipBlock(const Surface* dst, int32_t* dstX, int32_t* dstY, int32_t* cx, int32_t* cy,
              const Surface* src, int32_t* srcX, int32_t* srcY);
// Fills the rectangle (right and bottom excluded) of a 32-bit surface with an
// opaque colour given in COLORREF layout.
int FillSurfaceRect(Surface* surface, RECT rect, COLORREF color);
// Stores the low byte of alpha into byte 3 of every pixel of the rectangle,
// leaving the colour bytes alone.
int SetSurfaceAlpha(Surface* surface, int32_t left, int32_t top, int32_t right,
                    int32_t bottom, int32_t alpha);

// Finds the next run of pixels whose blue, green and red differ from the key
// (pixel layout) in one row of cx pixels, step bytes apart, starting the
// search at column from. Returns the run's first column and stores in *end
// the column just after its last pixel; returns cx when no run is left.
int32_t FindUnkeyedRun(const uint8_t* row, int32_t cx, int32_t step, uint32_t key,
                       int32_t from, int32_t* end);
// A new region (Windows build only) covering the pixels of the block whose
// colour differs from that of the surface's top-left pixel, in coordinates
// relative to the block; cx or cy of 0 stands for the surface's width or
// height. The caller owns the region. Null if the platform could not build
// all of it: nothing is left allocated then.
HRGN RegionFromColorKey(const Surface* surface, int32_t x, int32_t y, int32_t cx, int32_t cy);
