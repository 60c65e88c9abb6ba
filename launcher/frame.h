// The show's frame: the desktop snapshot it starts from, the picture, and
// the three steps that draw and show one frame. The globals are zero until
// the launcher sets them.
#pragma once

#include "display.h"
#include "show.h"

#include <windows.h>

#include <stdint.h>

// The desktop as it was before the window appeared (24 bits per pixel), and
// the picture at its own size. The launcher releases both after its window.
extern Surface g_backCopy;
extern Surface g_splashImage;

// Where a frame is drawn and shown: the window, the back buffer it shows,
// the desktop copy each frame starts from, the picture, and the part of the
// centred picture that lands on the screen.
struct ShowStage {
    HWND window;
    Surface* backBuffer;
    const Surface* backCopy;
    const Surface* picture;
    SplashBlock block;
};

// The desktop as it is now, before the window covers it, from the screen at
// (left, top), copied into the whole of copy. False when there is no copy:
// every frame would then build up over a black buffer.
bool CopyDesktop(Surface* copy, int32_t left, int32_t top);

// One frame, in its three steps. Every frame starts from the untouched
// desktop copy, so the picture never builds up over itself. A whole frame
// restores and shows the whole screen, as a show's first must; any other
// restores and shows the picture's block alone, which leaves the same
// pixels on the screen at a cost that follows the picture, not the screen:
// a frame's cost adds to its wait, and at 4K the whole screen's would
// stretch the show by seconds.
void RestoreFrame(const ShowStage* stage, bool whole);
void BlendFrame(const ShowStage* stage, int32_t level);
void PresentFrame(const ShowStage* stage, bool whole);
void DrawFrame(const ShowStage* stage, int32_t level, bool whole);
