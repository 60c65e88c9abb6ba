// Everything that decides what a frame looks like is the product's own code:
// the bitmap reading, ClipBlock and BlendSurface. What is written here only
// repeats the launcher's arithmetic around them (which picture, where, which
// level when) and lays the frames out for a person to look at.
#include "preview_render.h"

#include <algorithm>
#include <cstring>

// The launcher clips to its back buffer, which is the screen's size.
int PlacePicture(const Surface* screen, const Surface* picture, SplashBlock* block)
{
    return FindSplashBlock(screen->width, screen->height, screen, picture, block);
}

void RenderFrame(const PixelSurface& background, const PixelSurface& picture, int32_t level,
                 PixelSurface* frame)
{
    if (frame->width() != background.width() || frame->height() != background.height())
        *frame = PixelSurface(background.width(), background.height());
    std::memcpy(frame->get()->bits, background.pixels.data(), background.pixels.size());
    SplashBlock b;
    if (PlacePicture(frame->get(), picture.get(), &b))
        BlendSplashBlock(frame->get(), picture.get(), &b, level);
}

RgbaImage Downscale(const Surface* frame, int32_t factor)
{
    RgbaImage out;
    out.width = (frame->width + factor - 1) / factor;
    out.height = (frame->height + factor - 1) / factor;
    out.rgba.resize(size_t(out.width) * size_t(out.height) * 4);
    for (int32_t oy = 0; oy < out.height; ++oy) {
        const int32_t y0 = oy * factor, y1 = std::min(y0 + factor, frame->height);
        for (int32_t ox = 0; ox < out.width; ++ox) {
            const int32_t x0 = ox * factor, x1 = std::min(x0 + factor, frame->width);
            uint64_t sum[3] = {};
            for (int32_t y = y0; y < y1; ++y) {
                const uint8_t* p = frame->bits + frame->rowOffsets[y] + x0 * 4;
                for (int32_t x = x0; x < x1; ++x, p += 4) {
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
            const uint64_t n = uint64_t(x1 - x0) * uint64_t(y1 - y0);
            uint8_t* q = out.at(ox, oy);
            q[0] = uint8_t((sum[2] + n / 2) / n);
            q[1] = uint8_t((sum[1] + n / 2) / n);
            q[2] = uint8_t((sum[0] + n / 2) / n);
            q[3] = 255;
        }
    }
    return out;
}

RgbaImage SurfaceToImage(const Surface* surface)
{
    RgbaImage image;
    image.width = surface->width;
    image.height = surface->height;
    image.rgba.resize(size_t(image.width) * size_t(image.height) * 4);
    for (int32_t y = 0; y < image.height; ++y) {
        const uint8_t* from = surface->bits + surface->rowOffsets[y];
        uint8_t* to = image.at(0, y);
        for (int32_t x = 0; x < image.width; ++x, from += 4, to += 4) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            to[3] = 255;
        }
    }
    return image;
}
