// The show's timeline and the picture's place.
#include "show.h"

int32_t ShowLevel(int32_t frame)
{
    if (frame < kFadeInFrameCount)
        return frame * 4;
    return 255 - (frame - kFadeInFrameCount) * 4;
}

uint32_t ShowWaitAfter(int32_t frame, const ShowTimings* timings)
{
    const uint32_t fadeMs = frame < kFadeInFrameCount ? timings->fadeInMs : timings->fadeOutMs;
    const uint32_t frames =
        frame < kFadeInFrameCount ? kFadeInFrameCount : kShowFrameCount - kFadeInFrameCount;
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

// The columns are written out by row, six of them; a row more in the table
// needs one more here.
static_assert(kShowScaleCount == 6, "a column entry for each row of kShowScaleTable");
const int32_t kShowScales[kShowScaleCount] = {
    kShowScaleTable[0].percent, kShowScaleTable[1].percent, kShowScaleTable[2].percent,
    kShowScaleTable[3].percent, kShowScaleTable[4].percent, kShowScaleTable[5].percent,
};

const char* ShowScaledName(int32_t percent)
{
    static const char* const kNames[kShowScaleCount] = {
        kShowScaleTable[0].name, kShowScaleTable[1].name, kShowScaleTable[2].name,
        kShowScaleTable[3].name, kShowScaleTable[4].name, kShowScaleTable[5].name,
    };
    for (int32_t i = 0; i < kShowScaleCount; ++i)
        if (kShowScales[i] == percent)
            return kNames[i];
    return nullptr;
}

int32_t ShowChooseScale(int32_t dpi, const int32_t* present, int32_t count)
{
    // Distances times 96, so that 150 % at 144 DPI is exactly as near 100
    // as 200, and the tie is seen as one.
    int32_t best = 100;
    int64_t bestDistance = -1;
    for (int32_t i = 0; i < count; ++i) {
        const int64_t difference = int64_t(dpi) * 100 - int64_t(present[i]) * 96;
        const int64_t distance = difference < 0 ? -difference : difference;
        if (bestDistance < 0 || distance < bestDistance ||
            (distance == bestDistance && present[i] > best)) {
            best = present[i];
            bestDistance = distance;
        }
    }
    return best;
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

void BlendSplashBlock(Surface* screen, const Surface* picture, const SplashBlock* block,
                      int32_t level)
{
    BlendSurface(screen, block->dstX, block->dstY, block->cx, block->cy, picture, block->srcX,
                 block->srcY, level);
}
