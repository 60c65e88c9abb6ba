// The show's frame, the one the launcher plays and the benchmark times.
#include "frame.h"

void RestoreFrame(const ShowStage* stage, bool whole)
{
    const SplashBlock* b = &stage->block;
    if (whole)
        BlitSurface(stage->backBuffer, 0, 0, stage->backCopy->width, stage->backCopy->height,
                    stage->backCopy, 0, 0);
    else
        BlitSurface(stage->backBuffer, b->dstX, b->dstY, b->cx, b->cy, stage->backCopy, b->dstX,
                    b->dstY);
}

void BlendFrame(const ShowStage* stage, int32_t level)
{
    BlendSplashBlock(stage->backBuffer, stage->picture, &stage->block, level);
}

void PresentFrame(const ShowStage* stage, bool whole)
{
    const SplashBlock* b = &stage->block;
    const Surface* shown = stage->backBuffer;
    if (whole)
        PresentSurfaceRect(stage->window, 0, 0, shown->width, shown->height, shown, 0, 0);
    else
        PresentSurfaceRect(stage->window, b->dstX, b->dstY, b->cx, b->cy, shown, b->dstX, b->dstY);
}

void DrawFrame(const ShowStage* stage, int32_t level, bool whole)
{
    RestoreFrame(stage, whole);
    BlendFrame(stage, level);
    PresentFrame(stage, whole);
}
