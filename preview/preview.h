// The show as the launcher would draw it, on the build machine: its pictures
// read from their shipped bitmap files by the product's own code, every
// frame made by the product's own blend over a screenshot or a generated
// desktop, and a contact sheet of frames for judging artwork by eye.
#pragma once

#include "bitmap_file.h"
#include "pixel_surface.h"
#include "png_io.h"
#include "show.h"
#include "surface.h"

#include <cstdint>
#include <string>
#include <vector>

// The preview's surfaces are the host's own (pixel_surface.h), its pictures
// read by the host's reading of bitmap files as the launcher reads them
// (bitmap_file.h).

// The launcher's two pictures: the name it loads and the file shipped for it.
struct ShowPicture {
    const char* name;
    std::string file;
};
inline const ShowPicture kSmallPicture{"Tal800", "tal800.bmp"};
inline const ShowPicture kLargePicture{"Tal1280", "tal1280.bmp"};
// The one the launcher loads on a screen this wide at 100 %.
ShowPicture PictureForScreen(int32_t screenWidth);
// The large picture at one of the scales of show.h's kShowScaleTable, which
// a vendor's build may hold, in the bitmap file the table names for it:
// "Tal1280x125" in tal1280x125.bmp and so on; the large picture itself for
// any other scale.
ShowPicture ScaledPicture(int32_t percent);

// The launcher's back buffer once the desktop snapshot is restored into it:
// the screen's colours, byte 3 zero. A screenshot's own alpha is ignored, as
// a screen has none.
PixelSurface BackgroundFromImage(const RgbaImage& shot);
// A made-up desktop, the same for the same size: a gradient, icons, a light
// window across the centre and a taskbar, so that a picture's soft edges
// can be judged over dark and light alike.
PixelSurface GeneratedDesktop(int32_t width, int32_t height);
// A 32-bit surface as an opaque picture; byte 3 is not colour.
RgbaImage SurfaceToImage(const Surface* surface);

// The show in time, as the launcher plays it (show.h): every frame is
// drawn, then waited on, and the hold follows the fade in's last wait.
enum class ShowPhase { FadeIn, Hold, FadeOut };

struct ShowFrame {
    int32_t index;  // order of drawing, from 0
    int32_t level;
    int32_t atMs;   // nominal time it is drawn
    ShowPhase phase;
};
// Every frame the launcher draws, in order: the fades, or without them
// (animations turned off, or a remote session) the one still frame, held.
std::vector<ShowFrame> ShowFrames(const ShowTimings& timings = kShippedTimings, bool fades = true);
// Nominal end of the show: after the last frame's wait.
int32_t ShowEndMs(const ShowTimings& timings = kShippedTimings, bool fades = true);

// One frame on the contact sheet. The hold is no frame of its own: it is
// the fade in's last frame, left on the screen from fromMs to toMs.
struct SheetCell {
    ShowPhase phase;
    int32_t frame;   // index into ShowFrames()
    int32_t level;
    int32_t fromMs;
    int32_t toMs;    // fromMs but for the hold
};
std::vector<SheetCell> SheetCells(const ShowTimings& timings = kShippedTimings, bool fades = true);
// The two lines printed under a cell.
std::vector<std::string> CellLabel(const SheetCell& cell);

// Where the picture lands on the screen: the launcher's own FindSplashBlock
// (show.h), with the background standing for the screen.

// One frame of the show: the untouched background, then the picture blended
// at the centre at this level by BlendSurface. *frame is made the
// background's size if it is not already.
void RenderFrame(const PixelSurface& background, const PixelSurface& picture, int32_t level,
                 PixelSurface* frame);

// A frame scaled down by a whole factor, each pixel the rounded mean of the
// block it covers (the right and bottom blocks may be narrower), opaque.
RgbaImage Downscale(const Surface* frame, int32_t factor);

// The sheet's built-in font: capitals (lower case is drawn as capitals),
// digits and a few signs, 5 x 7 glyphs. Anything else is drawn as '?'.
bool HasGlyph(char c);
int32_t TextWidth(const std::string& text, int32_t scale);
void DrawText(RgbaImage* image, int32_t x, int32_t y, const std::string& text, int32_t scale,
              const uint8_t rgb[3]);

// The contact sheet: title lines on top, then the cells of SheetCells() as
// thumbnails in rows of four, each with its label.
RgbaImage ContactSheet(const PixelSurface& background, const PixelSurface& picture,
                       const std::vector<std::string>& title,
                       const ShowTimings& timings = kShippedTimings, bool fades = true);

// What show_preview is asked to do.
struct PreviewOptions {
    std::string picturesDir;          // holds tal800.bmp and tal1280.bmp
    std::string smallFile, largeFile;  // replace the folder's own, if given
    std::string background;           // a screenshot PNG; empty: generated
    int32_t screenWidth = 1024, screenHeight = 768;
    bool screenGiven = false;
    std::string allFramesDir;         // every frame as a PNG, if given
    int32_t frameLevel = -1;          // 0 to 256: write only that frame
    ShowTimings timings = kShippedTimings;
    bool fades = true;                // false: the show without animations
    int32_t dpi = 96;                 // the screen's DPI; the launcher's choice of scale follows it
    std::string largeTwiceFile;       // replaces the folder's tal1280x2.bmp, if given
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
