#include "preview_desktop.h"

#include "preview_render.h"

#include <algorithm>

PixelSurface BackgroundFromImage(const RgbaImage& shot)
{
    PixelSurface background(shot.width, shot.height);
    for (int32_t y = 0; y < shot.height; ++y)
        for (int32_t x = 0; x < shot.width; ++x) {
            const uint8_t* from = shot.at(x, y);
            uint8_t* to = background.at(x, y);
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            to[3] = 0;
        }
    return background;
}

namespace {

// Fills what of the rectangle (right and bottom excluded) lies on the
// surface, byte 3 left zero as on the back buffer.
void FillBox(PixelSurface* s, int32_t left, int32_t top, int32_t right, int32_t bottom, Rgb c)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, s->width());
    bottom = std::min(bottom, s->height());
    for (int32_t y = top; y < bottom; ++y)
        for (int32_t x = left; x < right; ++x) {
            uint8_t* p = s->at(x, y);
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
            p[3] = 0;
        }
}

}  // namespace

PixelSurface GeneratedDesktop(int32_t width, int32_t height)
{
    PixelSurface desktop(width, height);
    // Deep blue at the top left to teal at the bottom right, with a little
    // grain, as a photograph would have.
    const int64_t span = int64_t(width) + height;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            uint32_t h = uint32_t(x) * 0x9E3779B1u ^ uint32_t(y) * 0x85EBCA77u;
            h ^= h >> 15;
            h *= 0x2C1B3C6Du;
            h ^= h >> 13;
            const int32_t t = int32_t((int64_t(x) + y) * 256 / span);
            uint8_t* p = desktop.at(x, y);
            p[2] = uint8_t(18 + t * 16 / 256 + (h & 7));
            p[1] = uint8_t(44 + t * 90 / 256 + ((h >> 8) & 7));
            p[0] = uint8_t(96 + t * 48 / 256 + ((h >> 16) & 7));
            p[3] = 0;
        }

    const int32_t taskbar = std::max(height / 24, 1);
    // A column of icons with their name plates down the left side.
    const Rgb icons[] = {{230, 190, 60}, {90, 170, 240}, {220, 80, 70}, {120, 200, 110}};
    for (int32_t i = 0, y = 16; y + 54 <= height - taskbar; ++i, y += 76) {
        FillBox(&desktop, 20, y, 60, y + 40, icons[i % 4]);
        FillBox(&desktop, 14, y + 46, 66, y + 52, {235, 235, 235});
    }
    // A light window over the right half of the centre, so that the picture
    // lies partly over dark and partly over light.
    const int32_t left = width * 45 / 100, right = width * 88 / 100;
    const int32_t top = height * 22 / 100, bottom = height * 70 / 100;
    const int32_t titleBar = std::max(height / 32, 2);
    FillBox(&desktop, left - 1, top - 1, right + 1, bottom + 1, {70, 70, 80});
    FillBox(&desktop, left, top, right, bottom, {242, 242, 238});
    FillBox(&desktop, left, top, right, top + titleBar, {44, 96, 200});
    for (int32_t y = top + titleBar + 12, line = 0; y + 6 <= bottom - 8; y += 14, ++line) {
        const int32_t length = (right - left - 24) * (55 + (line * 53) % 41) / 100;
        FillBox(&desktop, left + 12, y, left + 12 + length, y + 6, {176, 176, 180});
    }
    // The taskbar and its start button.
    FillBox(&desktop, 0, height - taskbar, width, height, {28, 28, 34});
    FillBox(&desktop, 2, height - taskbar + 2, std::min(width, 2 + taskbar * 3), height - 2,
            {60, 140, 220});
    return desktop;
}
