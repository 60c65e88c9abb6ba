// The show itself: its frames and the waits between them, and where the
// picture goes. Needs no platform, so that the launcher plays it and its
// preview, benchmark and end-to-end tests follow the very same definition.
#pragma once

#include "surface.h"

#include <stdint.h>

enum {
    kShowFrameCount = 128,   // every frame drawn, in order
    kFadeInFrameCount = 64,  // the first 64 fade in, the rest fade out
    kFullLevel = 255,
    kSmallScreenMaxWidth = 800,
};

// How long a show lasts: each fade whole, and the hold between them. A
// vendor's build may choose its own; the frames and levels stay the same.
struct ShowTimings {
    uint32_t fadeInMs, holdMs, fadeOutMs;
};
// The shipped show: a fade in of 1280 ms (20 after each of its frames), a
// hold of 2000, a fade out of 640 (10 after each). The one place these are
// written: the branding tool's defaults, the preview and the tests take
// them from here, and a test reads them back from the programs' record.
inline constexpr ShowTimings kShippedTimings = {1280, 2000, 640};

// The fade level of a frame: 0, 4, ... 252 fading in, then 255, 251, ... 3.
int32_t ShowLevel(int32_t frame);
// The wait after a frame is drawn: its fade's duration over its 64 frames,
// to the nearest millisecond and at least 1. The hold comes on top of the
// fade in's last wait.
uint32_t ShowWaitAfter(int32_t frame, const ShowTimings* timings);
// One frame as the launcher plays it: drawn at its level, then waited after.
struct PlannedFrame {
    int32_t level;
    uint32_t waitMs;
};
// The frames a show plays, in order, into frames (room for kShowFrameCount);
// returns how many. With fades, the 128 of the fades, the hold on top of the
// fade in's last wait. Without (animations turned off, or a remote session),
// one frame at the full level held for the hold, after which the show ends.
int32_t PlanShow(bool fades, const ShowTimings* timings, PlannedFrame* frames);
// The picture shown on a screen this wide: "Tal800" up to 800 pixels,
// "Tal1280" beyond.
const char* ShowPictureName(int32_t screenWidth);

// One of the scales a vendor may give the large picture in besides its own
// (100 %): the name the launcher loads it by, the name of the files that
// hold it (without ".png" or ".bmp"), and its size, the large picture's
// 317 x 236 times the scale to the nearest pixel, halves up.
struct ShowScale {
    int32_t percent;
    const char* name;
    const char* file;
    int32_t width, height;
};
// The one table of the scales, smallest first; the branding tool, the
// packer, the preview and the tests all take them from here. 200 % keeps
// the name "Tal1280x2" that programs before the other scales gave it.
inline constexpr ShowScale kShowScaleTable[] = {
    {125, "Tal1280x125", "tal1280x125", 396, 295}, {150, "Tal1280x150", "tal1280x150", 476, 354},
    {175, "Tal1280x175", "tal1280x175", 555, 413}, {200, "Tal1280x2", "tal1280x2", 634, 472},
    {250, "Tal1280x250", "tal1280x250", 793, 590}, {300, "Tal1280x300", "tal1280x300", 951, 708},
};
inline constexpr int32_t kShowScaleCount =
    int32_t(sizeof kShowScaleTable / sizeof kShowScaleTable[0]);
// The row of a scale; null for 100 % and any scale not in the table. Inline,
// so that only the programs that look up more than a name hold the table.
constexpr const ShowScale* FindShowScale(int32_t percent)
{
    for (const ShowScale& scale : kShowScaleTable)
        if (scale.percent == percent)
            return &scale;
    return nullptr;
}

// The launcher's columns of the table, the scales and their names, kept
// apart from it so that the shipped program holds neither files nor sizes.
extern const int32_t kShowScales[kShowScaleCount];
// The name of the large picture at that scale; null for 100 % and any scale
// not in the table.
const char* ShowScaledName(int32_t percent);
// The scale of the picture to show at this DPI, out of the count scales
// present (100 for the ordinary picture among them): the one nearest the
// screen's own, dpi x 100 / 96, taken exactly; of two equally near, the
// larger. 100 when none is present.
int32_t ShowChooseScale(int32_t dpi, const int32_t* present, int32_t count);

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
// The blend of every frame: the picture's block over the screen's surface at
// the frame's level. The launcher's frame and the preview's both make it.
void BlendSplashBlock(Surface* screen, const Surface* picture, const SplashBlock* block,
                      int32_t level);
