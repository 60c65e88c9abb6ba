// The show as the launcher would draw it, on the build machine: its pictures
// read from their shipped bitmap files by the product's own code, every
// frame made by the product's own blend over a screenshot or a generated
// desktop, and a contact sheet of frames for judging artwork by eye.
#pragma once

// Each part has its header: the pictures' names (preview_pictures.h), the
// desktops (preview_desktop.h), the show's timeline (preview_timeline.h),
// the frames (preview_render.h), the sheet's font (preview_font.h) and the
// sheet (preview_sheet.h). Here the command line (preview_options.cpp) and
// the run (preview.cpp). The surfaces are the host's own (pixel_surface.h),
// the pictures read as the launcher reads them (bitmap_file.h).
#include "bitmap_file.h"
#include "pixel_surface.h"
#include "preview_desktop.h"
#include "preview_font.h"
#include "preview_pictures.h"
#include "preview_render.h"
#include "preview_sheet.h"
#include "preview_timeline.h"
#include "show.h"

#include <cstdint>
#include <string>
#include <vector>

// What show_preview is asked to do.
struct PreviewOptions {
    std::string picturesDir;           // holds tal800.bmp and tal1280.bmp
    std::string smallFile, largeFile;  // replace the folder's own, if given
    std::string background;            // a screenshot PNG; empty: generated
    int32_t screenWidth = 1024, screenHeight = 768;
    bool screenGiven = false;
    std::string allFramesDir;  // every frame as a PNG, if given
    int32_t frameLevel = -1;   // 0 to 256: write only that frame
    ShowTimings timings = kShippedTimings;
    bool fades = true;           // false: the show without animations
    int32_t dpi = 96;            // the screen's DPI; the launcher's choice of scale follows it
    std::string largeTwiceFile;  // replaces the folder's tal1280x2.bmp, if given
    std::string output;
    bool help = false;
};
// The command line after the program's name. picturesDir is left as it is
// unless --pictures is given.
bool ParsePreviewArgs(const std::vector<std::string>& args, PreviewOptions* options,
                      std::string* error);
// Loads everything first, then writes. On failure *error says why, and no
// file of this run is left behind. *report says what was written.
bool RunPreview(const PreviewOptions& options, std::string* report, std::string* error);
