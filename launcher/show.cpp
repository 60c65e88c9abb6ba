// The show's timeline and the picture's place.
#include "show.h"

int32_t ShowLevel(int32_t frame)
{
    if (frame < kFadeInFrameCount)
        return frame * 4;
    return 255 - (frame - kFadeInFrameCount) * 4;
}

const ShowTimings kShippedTimings = {1280, kHoldMs, 640};

uint32_t ShowWaitAfter(int32_t frame, const ShowTimings* timings)
{
    const uint32_t fadeMs = frame < kFadeInFrameCount ? timings->fadeInMs : timings->fadeOutMs;
    const uint32_t frames = frame < kFadeInFrameCount ? kFadeInFrameCount
                                                      : kShowFrameCount - kFadeInFrameCount;
    const uint32_t wait = (fadeMs + frames / 2) / frames;
    return wait != 0 ? wait : 1;
}

int32_t PlanShow(bool fades, const ShowTimings* timings, PlannedFrame* frames)
{
    if (!fades) {
        frames[0] = {kFullLevel, timings->holdMs};
        return 1;
    }
    for (int32_t frame = 0; frame < kShowFrameCount; ++frame)
        frames[frame] = {ShowLevel(frame), ShowWaitAfter(frame, timings)};
    frames[kFadeInFrameCount - 1].waitMs += timings->holdMs;
    return kShowFrameCount;
}

const char* ShowPictureName(int32_t screenWidth)
{
    return screenWidth <= kSmallScreenMaxWidth ? "Tal800" : "Tal1280";
}

const char* ShowLargeTwiceName(int32_t screenWidth, int32_t dpi)
{
    return screenWidth > kSmallScreenMaxWidth && dpi >= kLargeTwiceMinDpi ? "Tal1280x2" : nullptr;
}

void CentrePicture(int32_t screenWidth, int32_t screenHeight, int32_t pictureWidth,
                   int32_t pictureHeight, int32_t* x, int32_t* y)
{
    *x = (screenWidth - pictureWidth) / 2;
    *y = (screenHeight - pictureHeight) / 2;
}

int FindSplashBlock(int32_t screenWidth, int32_t screenHeight, const Surface* screen,
                    const Surface* picture, SplashBlock* block)
{
    CentrePicture(screenWidth, screenHeight, picture->width, picture->height, &block->dstX,
                  &block->dstY);
    block->cx = picture->width;
    block->cy = picture->height;
    block->srcX = 0;
    block->srcY = 0;
    // The blend itself tests nothing: keep the block inside both surfaces.
    return ClipBlock(screen, &block->dstX, &block->dstY, &block->cx, &block->cy, picture,
                     &block->srcX, &block->srcY);
}
