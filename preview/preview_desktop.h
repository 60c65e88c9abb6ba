// The desktops behind the preview's show: a screenshot, as the launcher's
// back buffer holds the screen, or one made up.
#pragma once

#include "image.h"
#include "pixel_surface.h"

#include <cstdint>

// The launcher's back buffer once the desktop snapshot is restored into it:
// the screen's colours, byte 3 zero. A screenshot's own alpha is ignored, as
// a screen has none.
PixelSurface BackgroundFromImage(const RgbaImage& shot);
// A made-up desktop, the same for the same size: a gradient, icons, a light
// window across the centre and a taskbar, so that a picture's soft edges
// can be judged over dark and light alike.
PixelSurface GeneratedDesktop(int32_t width, int32_t height);
