#include "preview_sheet.h"

#include "preview_font.h"
#include "preview_render.h"
#include "preview_timeline.h"

#include <algorithm>
#include <cstring>

namespace {

// Largest side of a thumbnail: four across fit a laptop's screen.
constexpr int32_t kThumbSide = 360;
constexpr int32_t kColumns = 4;
constexpr int32_t kMargin = 16, kGap = 16, kTextScale = 2, kLineHeight = 9 * kTextScale;

void FillImage(RgbaImage* image, int32_t left, int32_t top, int32_t right, int32_t bottom, Rgb c)
{
    for (int32_t y = std::max(top, 0); y < std::min(bottom, image->height); ++y)
        for (int32_t x = std::max(left, 0); x < std::min(right, image->width); ++x) {
            uint8_t* p = image->at(x, y);
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
            p[3] = 255;
        }
}

void PasteImage(RgbaImage* to, int32_t x, int32_t y, const RgbaImage& from)
{
    for (int32_t row = 0; row < from.height; ++row)
        std::memcpy(to->at(x, y + row), from.at(0, row), size_t(from.width) * 4);
}

}  // namespace

RgbaImage ContactSheet(const PixelSurface& background, const PixelSurface& picture,
                       const std::vector<std::string>& title, const ShowTimings& timings,
                       bool fades)
{
    const int32_t width = background.width(), height = background.height();
    const int32_t factor = std::max({int32_t(1), (width + kThumbSide - 1) / kThumbSide,
                                     (height + kThumbSide - 1) / kThumbSide});
    const int32_t thumbWidth = (width + factor - 1) / factor;
    const int32_t thumbHeight = (height + factor - 1) / factor;

    const std::vector<SheetCell> cells = SheetCells(timings, fades);
    std::vector<std::vector<std::string>> labels;
    int32_t labelWidth = 0;
    for (const SheetCell& cell : cells) {
        labels.push_back(CellLabel(cell));
        for (const std::string& line : labels.back())
            labelWidth = std::max(labelWidth, TextWidth(line, kTextScale));
    }
    int32_t titleWidth = 0;
    for (const std::string& line : title)
        titleWidth = std::max(titleWidth, TextWidth(line, kTextScale));

    // A cell: the thumbnail in a one-pixel frame, a gap, two label lines.
    const int32_t cellWidth = std::max(thumbWidth + 2, labelWidth);
    const int32_t cellHeight = thumbHeight + 2 + 6 + 2 * kLineHeight;
    const int32_t rows = (int32_t(cells.size()) + kColumns - 1) / kColumns;
    const int32_t gridWidth = kColumns * cellWidth + (kColumns - 1) * kGap;
    const int32_t titleHeight = title.empty() ? 0 : int32_t(title.size()) * kLineHeight + 10;

    RgbaImage sheet;
    sheet.width = 2 * kMargin + std::max(gridWidth, titleWidth);
    sheet.height = 2 * kMargin + titleHeight + rows * cellHeight + (rows - 1) * kGap;
    sheet.rgba.resize(size_t(sheet.width) * size_t(sheet.height) * 4);
    FillImage(&sheet, 0, 0, sheet.width, sheet.height, {34, 34, 38});

    const uint8_t titleColour[3] = {240, 240, 240};
    for (size_t i = 0; i < title.size(); ++i)
        DrawText(&sheet, kMargin, kMargin + int32_t(i) * kLineHeight, title[i], kTextScale,
                 titleColour);

    PixelSurface frame;
    for (size_t i = 0; i < cells.size(); ++i) {
        const int32_t x = kMargin + int32_t(i) % kColumns * (cellWidth + kGap);
        const int32_t y = kMargin + titleHeight + int32_t(i) / kColumns * (cellHeight + kGap);
        RenderFrame(background, picture, cells[i].level, &frame);
        FillImage(&sheet, x, y, x + thumbWidth + 2, y + thumbHeight + 2, {96, 96, 104});
        PasteImage(&sheet, x + 1, y + 1, Downscale(frame.get(), factor));

        const uint8_t fadeIn[3] = {140, 200, 255}, hold[3] = {250, 210, 90},
                      fadeOut[3] = {255, 160, 140}, plain[3] = {190, 190, 196};
        const uint8_t* accent = cells[i].phase == ShowPhase::FadeIn ? fadeIn
                                : cells[i].phase == ShowPhase::Hold ? hold
                                                                    : fadeOut;
        const int32_t textY = y + thumbHeight + 2 + 6;
        DrawText(&sheet, x, textY, labels[i][0], kTextScale, accent);
        DrawText(&sheet, x, textY + kLineHeight, labels[i][1], kTextScale, plain);
    }
    return sheet;
}
