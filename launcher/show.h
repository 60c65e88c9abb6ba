// The show itself: its frames and the waits between them, and where the
// picture goes. Needs no platform, so that the launcher plays it and its
// preview, benchmark and end-to-end tests follow the very same definition.
#pragma once

#include "surface.h"

#include <stdint.h>

enum {
    kShowFrameCount = 128,   // every frame drawn, in order
    kFadeInFrameCount = 64,  // the first 64 fade in, the rest fade out
    kFadeInWaitMs = 20,      // after each frame of the fade in
    kHoldMs = 2000,          // then, on the fade in's last frame
    kFadeOutWaitMs = 10,     // after each frame of the fade out
    kSmallScreenMaxWidth = 800,
};

// The fade level of a frame: 0, 4, ... 252 fading in, then 255, 251, ... 3.
int32_t ShowLevel(int32_t frame);
// The wait after a frame is drawn; the hold comes on top of the fade in's
// last wait.
uint32_t ShowWaitAfter(int32_t frame);
// The picture shown on a screen this wide: "Tal800" up to 800 pixels,
// "Tal1280" beyond.
const char* ShowPictureName(int32_t screenWidth);

// The picture's top-left corner when centred on the screen; each side's
// difference halved, rounding toward zero, negative for a picture larger
// than the screen.
void CentrePicture(int32_t screenWidth, int32_t screenHeight, int32_t pictureWidth,
                   int32_t pictureHeight, int32_t* x, int32_t* y);

// The part of the centred picture that lands on the screen's surface.
struct SplashBlock {
    int32_t dstX, dstY, cx, cy, srcX, srcY;
};
// The picture centred on a screen of that size and clipped to both the
// surface that stands for the screen and the picture, as the blend needs
// it; 0 when nothing of it shows.
int FindSplashBlock(int32_t screenWidth, int32_t screenHeight, const Surface* screen,
                    const Surface* picture, SplashBlock* block);
