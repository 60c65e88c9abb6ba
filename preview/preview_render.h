// The frames of the preview's show, made by the product's own blend, and
// turned into pictures for a person to look at.
#pragma once

#include "image.h"
#include "pixel_surface.h"
#include "show.h"

#include <cstdint>

// A colour of the made-up desktop and of the sheet.
struct Rgb {
    uint8_t r, g, b;
};

// Where the picture lands on the screen: the launcher's own FindSplashBlock
// (show.h), with the screen's surface, the launcher's back buffer, standing
// for the screen; 0 when nothing of it shows.
int PlacePicture(const Surface* screen, const Surface* picture, SplashBlock* block);

// One frame of the show: the untouched background, then the picture blended
// at the centre at this level by BlendSurface. *frame is made the
// background's size if it is not already.
void RenderFrame(const PixelSurface& background, const PixelSurface& picture, int32_t level,
                 PixelSurface* frame);

// A frame scaled down by a whole factor, each pixel the rounded mean of the
// block it covers (the right and bottom blocks may be narrower), opaque.
RgbaImage Downscale(const Surface* frame, int32_t factor);
// A 32-bit surface as an opaque picture; byte 3 is not colour.
RgbaImage SurfaceToImage(const Surface* surface);
