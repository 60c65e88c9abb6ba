// The display: the window's back buffer and palette, the processor flag, and
// every transfer that goes through the platform's graphics interface, between
// surfaces and from a surface to the launcher's window.
#pragma once

#include "surface.h"

#include <stdint.h>

// 1 when the processor offers MMX. Informative: nothing consults it.
extern int32_t g_hasMMX;
// 1 when the processor has CPUID and leaf 1 reports MMX (bit 23 of EDX).
// Needs no platform: built in both builds.
int32_t ProcessorHasMMX();

// Everything else takes the platform.
#ifdef _WIN32
#include "surface_win32.h"

// Frames are composed here, 32 bits per pixel, the size of the window's
// client area. No bitmap in it after InitDisplay means there is nothing to
// fade into: the launcher skips the show.
extern Surface g_backBuffer;
// 8192 bytes of movable memory laid out as a logical palette (version,
// count, up to 2047 entries), and the palette made from it. InitDisplay
// makes both and ShutdownDisplay frees them. The presentations select the
// palette into the window's context; the launcher hands both to the loader,
// which writes a picture's colour table into the block.
extern HGLOBAL g_hPaletteMem;
extern HPALETTE g_hPalette;
// Creates the palette and the back buffer for the window's client area and
// probes the processor. Calling it again first releases what the last call
// made.
void InitDisplay(HWND window);
// Releases the palette and the back buffer; a second call finds nothing.
void ShutdownDisplay();

// Block transfers. Those to the window take it as their first argument; a
// null window stands for the whole screen. A size of 0 stands for the full
// size of the surface the routine's comment names; a negative size is an
// empty block: nothing is drawn and no device context is taken. Blocks reaching outside a surface
// or the window are clipped. Each routine takes and gives back its own device contexts and leaves
// no surface selected into any.

// Copies a block of src into dst (sizes of 0: the source's). A source whose
// colour key is active is copied past that key without the platform, when
// both surfaces hold 32-bit pixels; a keyed copy between other depths is
// refused. 0 when either surface holds no bitmap or the copy is refused.
int BlitSurface(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                const Surface* src, int32_t srcX, int32_t srcY);
// Scales a block of src onto a block of dst with the platform's averaging
// filter (sizes of 0: each surface's own). The colour key is not honoured.
int StretchSurface(Surface* dst, int32_t dstX, int32_t dstY, int32_t dstCx, int32_t dstCy,
                   const Surface* src, int32_t srcX, int32_t srcY, int32_t srcCx, int32_t srcCy);
// Shows a block of any surface at (dstX, dstY) in the window's client area
// (sizes of 0: the source's).
int PresentSurfaceRect(HWND window, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                       const Surface* src, int32_t srcX, int32_t srcY);
// Copies a block of src into the back buffer and shows that block of the
// back buffer at the same place in the window. Always 1.
int ComposeAndPresent(HWND window, int32_t dstX, int32_t dstY, const Surface* src, int32_t srcX,
                      int32_t srcY, int32_t cx, int32_t cy);
// Fills the rectangle of the back buffer (clipped to it) and shows the
// rectangle at the same place in the window; a width or height of 0 shows
// the back buffer from the rectangle's edge to its own. 0, with nothing
// drawn, when there is no back buffer; otherwise 1.
int FillAndPresent(HWND window, RECT rect, COLORREF color);
// Shows the whole back buffer in the window; nothing without a back buffer.
void PresentBackBuffer(HWND window);
#endif
