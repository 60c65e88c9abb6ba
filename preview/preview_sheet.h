// The contact sheet, for judging artwork by eye.
#pragma once

#include "image.h"
#include "pixel_surface.h"
#include "show.h"

#include <string>
#include <vector>

// The contact sheet: title lines on top, then the cells of SheetCells() as
// thumbnails in rows of four, each with its label.
RgbaImage ContactSheet(const PixelSurface& background, const PixelSurface& picture,
                       const std::vector<std::string>& title,
                       const ShowTimings& timings = kShippedTimings, bool fades = true);
