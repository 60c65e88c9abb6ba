// Everything that decides what a frame looks like is the product's own code:
// the bitmap reading, ClipBlock and BlendSurface. What is written here only
// repeats the launcher's arithmetic around them (which picture, where, which
// level when) and lays the frames out for a person to look at.
#include "preview.h"
#include "product_record.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

ShowPicture PictureForScreen(int32_t screenWidth)
{
    return std::strcmp(ShowPictureName(screenWidth), kSmallPicture.name) == 0 ? kSmallPicture
                                                                              : kLargePicture;
}

ShowPicture ScaledPicture(int32_t percent)
{
    const ShowScale* scale = FindShowScale(percent);
    return scale != nullptr ? ShowPicture{scale->name, std::string(scale->file) + ".bmp"} : kLargePicture;
}

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

struct Rgb {
    uint8_t r, g, b;
};

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
    FillBox(&desktop, 2, height - taskbar + 2, std::min(width, 2 + taskbar * 3),
            height - 2, {60, 140, 220});
    return desktop;
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

// The launcher's timeline, followed frame by frame.
std::vector<ShowFrame> ShowFrames(const ShowTimings& timings, bool fades)
{
    PlannedFrame planned[kShowFrameCount];
    const int32_t count = PlanShow(fades, &timings, planned);
    std::vector<ShowFrame> frames;
    int32_t clock = 0;
    for (int32_t i = 0; i < count; ++i) {
        const ShowPhase phase = !fades                   ? ShowPhase::Hold
                                : i < kFadeInFrameCount ? ShowPhase::FadeIn
                                                        : ShowPhase::FadeOut;
        frames.push_back({i, planned[i].level, clock, phase});
        clock += int32_t(planned[i].waitMs);
    }
    return frames;
}

int32_t ShowEndMs(const ShowTimings& timings, bool fades)
{
    PlannedFrame planned[kShowFrameCount];
    const int32_t count = PlanShow(fades, &timings, planned);
    return ShowFrames(timings, fades).back().atMs + int32_t(planned[count - 1].waitMs);
}

std::vector<SheetCell> SheetCells(const ShowTimings& timings, bool fades)
{
    if (!fades)
        return {{ShowPhase::Hold, 0, kFullLevel, 0, int32_t(timings.holdMs)}};
    // Dense where the eye sees most change: the low levels, where a soft
    // edge first shows, and the end of the fade out, down to its last frame.
    static const int32_t kFadeInPicks[] = {0, 8, 16, 32, 48};
    static const int32_t kFadeOutPicks[] = {0, 16, 32, 48, 56, kShowFrameCount - kFadeInFrameCount - 1};
    const std::vector<ShowFrame> frames = ShowFrames(timings);
    const auto firstOut = std::find_if(frames.begin(), frames.end(), [](const ShowFrame& f) {
        return f.phase == ShowPhase::FadeOut;
    });
    const int32_t fadeInCount = int32_t(firstOut - frames.begin());

    std::vector<SheetCell> cells;
    for (int32_t k : kFadeInPicks) {
        const ShowFrame& f = frames[size_t(k)];
        cells.push_back({ShowPhase::FadeIn, f.index, f.level, f.atMs, f.atMs});
    }
    const ShowFrame& last = frames[size_t(fadeInCount - 1)];
    const int32_t holdFrom = last.atMs + int32_t(ShowWaitAfter(last.index, &timings));
    cells.push_back({ShowPhase::Hold, last.index, last.level, holdFrom,
                     holdFrom + int32_t(timings.holdMs)});
    for (int32_t j : kFadeOutPicks) {
        const ShowFrame& f = frames[size_t(fadeInCount + j)];
        cells.push_back({ShowPhase::FadeOut, f.index, f.level, f.atMs, f.atMs});
    }
    return cells;
}

std::vector<std::string> CellLabel(const SheetCell& cell)
{
    const char* phase = cell.phase == ShowPhase::FadeIn ? "FADE IN"
                        : cell.phase == ShowPhase::Hold ? "HOLD"
                                                        : "FADE OUT";
    std::string time = std::to_string(cell.fromMs);
    if (cell.toMs != cell.fromMs)
        time += "-" + std::to_string(cell.toMs);
    return {std::string(phase) + "  LEVEL " + std::to_string(cell.level),
            time + " MS  FRAME " + std::to_string(cell.frame)};
}

// The launcher clips to its back buffer, which is the screen's size.
static int PlacePicture(const Surface* screen, const Surface* picture, SplashBlock* block)
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

namespace {

// Seven rows of five pixels, the leftmost in bit 4.
struct Glyph {
    char c;
    uint8_t rows[7];
};

constexpr Glyph kFont[] = {
    {' ', {0, 0, 0, 0, 0, 0, 0}},
    {'0', {0b01110, 0b10001, 0b10011, 0b10101, 0b11001, 0b10001, 0b01110}},
    {'1', {0b00100, 0b01100, 0b00100, 0b00100, 0b00100, 0b00100, 0b01110}},
    {'2', {0b01110, 0b10001, 0b00001, 0b00010, 0b00100, 0b01000, 0b11111}},
    {'3', {0b11111, 0b00010, 0b00100, 0b00010, 0b00001, 0b10001, 0b01110}},
    {'4', {0b00010, 0b00110, 0b01010, 0b10010, 0b11111, 0b00010, 0b00010}},
    {'5', {0b11111, 0b10000, 0b11110, 0b00001, 0b00001, 0b10001, 0b01110}},
    {'6', {0b00110, 0b01000, 0b10000, 0b11110, 0b10001, 0b10001, 0b01110}},
    {'7', {0b11111, 0b00001, 0b00010, 0b00100, 0b01000, 0b01000, 0b01000}},
    {'8', {0b01110, 0b10001, 0b10001, 0b01110, 0b10001, 0b10001, 0b01110}},
    {'9', {0b01110, 0b10001, 0b10001, 0b01111, 0b00001, 0b00010, 0b01100}},
    {'A', {0b01110, 0b10001, 0b10001, 0b11111, 0b10001, 0b10001, 0b10001}},
    {'B', {0b11110, 0b10001, 0b10001, 0b11110, 0b10001, 0b10001, 0b11110}},
    {'C', {0b01110, 0b10001, 0b10000, 0b10000, 0b10000, 0b10001, 0b01110}},
    {'D', {0b11100, 0b10010, 0b10001, 0b10001, 0b10001, 0b10010, 0b11100}},
    {'E', {0b11111, 0b10000, 0b10000, 0b11110, 0b10000, 0b10000, 0b11111}},
    {'F', {0b11111, 0b10000, 0b10000, 0b11110, 0b10000, 0b10000, 0b10000}},
    {'G', {0b01110, 0b10001, 0b10000, 0b10111, 0b10001, 0b10001, 0b01111}},
    {'H', {0b10001, 0b10001, 0b10001, 0b11111, 0b10001, 0b10001, 0b10001}},
    {'I', {0b01110, 0b00100, 0b00100, 0b00100, 0b00100, 0b00100, 0b01110}},
    {'J', {0b00111, 0b00010, 0b00010, 0b00010, 0b00010, 0b10010, 0b01100}},
    {'K', {0b10001, 0b10010, 0b10100, 0b11000, 0b10100, 0b10010, 0b10001}},
    {'L', {0b10000, 0b10000, 0b10000, 0b10000, 0b10000, 0b10000, 0b11111}},
    {'M', {0b10001, 0b11011, 0b10101, 0b10101, 0b10001, 0b10001, 0b10001}},
    {'N', {0b10001, 0b10001, 0b11001, 0b10101, 0b10011, 0b10001, 0b10001}},
    {'O', {0b01110, 0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b01110}},
    {'P', {0b11110, 0b10001, 0b10001, 0b11110, 0b10000, 0b10000, 0b10000}},
    {'Q', {0b01110, 0b10001, 0b10001, 0b10001, 0b10101, 0b10010, 0b01101}},
    {'R', {0b11110, 0b10001, 0b10001, 0b11110, 0b10100, 0b10010, 0b10001}},
    {'S', {0b01111, 0b10000, 0b10000, 0b01110, 0b00001, 0b00001, 0b11110}},
    {'T', {0b11111, 0b00100, 0b00100, 0b00100, 0b00100, 0b00100, 0b00100}},
    {'U', {0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b01110}},
    {'V', {0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b01010, 0b00100}},
    {'W', {0b10001, 0b10001, 0b10001, 0b10101, 0b10101, 0b10101, 0b01010}},
    {'X', {0b10001, 0b10001, 0b01010, 0b00100, 0b01010, 0b10001, 0b10001}},
    {'Y', {0b10001, 0b10001, 0b10001, 0b01010, 0b00100, 0b00100, 0b00100}},
    {'Z', {0b11111, 0b00001, 0b00010, 0b00100, 0b01000, 0b10000, 0b11111}},
    {':', {0b00000, 0b01100, 0b01100, 0b00000, 0b01100, 0b01100, 0b00000}},
    {'.', {0b00000, 0b00000, 0b00000, 0b00000, 0b00000, 0b01100, 0b01100}},
    {',', {0b00000, 0b00000, 0b00000, 0b00000, 0b01100, 0b00100, 0b01000}},
    {'-', {0b00000, 0b00000, 0b00000, 0b11111, 0b00000, 0b00000, 0b00000}},
    {'(', {0b00010, 0b00100, 0b01000, 0b01000, 0b01000, 0b00100, 0b00010}},
    {')', {0b01000, 0b00100, 0b00010, 0b00010, 0b00010, 0b00100, 0b01000}},
    {'/', {0b00000, 0b00001, 0b00010, 0b00100, 0b01000, 0b10000, 0b00000}},
    {'_', {0b00000, 0b00000, 0b00000, 0b00000, 0b00000, 0b00000, 0b11111}},
    {'?', {0b01110, 0b10001, 0b00001, 0b00010, 0b00100, 0b00000, 0b00100}},
};

const Glyph* FindGlyph(char c)
{
    if (c >= 'a' && c <= 'z')
        c = char(c - 'a' + 'A');
    for (const Glyph& g : kFont)
        if (g.c == c)
            return &g;
    return nullptr;
}

constexpr int32_t kGlyphAdvance = 6;  // five columns and a gap

}  // namespace

bool HasGlyph(char c)
{
    return FindGlyph(c) != nullptr;
}

int32_t TextWidth(const std::string& text, int32_t scale)
{
    return text.empty() ? 0 : (int32_t(text.size()) * kGlyphAdvance - 1) * scale;
}

void DrawText(RgbaImage* image, int32_t x, int32_t y, const std::string& text, int32_t scale,
              const uint8_t rgb[3])
{
    for (char c : text) {
        const Glyph* g = FindGlyph(c);
        if (g == nullptr)
            g = FindGlyph('?');
        for (int32_t row = 0; row < 7; ++row)
            for (int32_t col = 0; col < 5; ++col) {
                if (!(g->rows[row] >> (4 - col) & 1))
                    continue;
                for (int32_t py = y + row * scale; py < y + (row + 1) * scale; ++py)
                    for (int32_t px = x + col * scale; px < x + (col + 1) * scale; ++px) {
                        if (px < 0 || py < 0 || px >= image->width || py >= image->height)
                            continue;
                        uint8_t* p = image->at(px, py);
                        p[0] = rgb[0];
                        p[1] = rgb[1];
                        p[2] = rgb[2];
                        p[3] = 255;
                    }
            }
        x += kGlyphAdvance * scale;
    }
}

namespace {

// Largest side of a thumbnail: four across fit a laptop's screen.
constexpr int32_t kThumbSide = 360;
constexpr int32_t kColumns = 4;
constexpr int32_t kMargin = 16, kGap = 16, kTextScale = 2, kLineHeight = 9 * kTextScale;

void FillImage(RgbaImage* image, int32_t left, int32_t top, int32_t right, int32_t bottom,
               Rgb c)
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
                       const std::vector<std::string>& title, const ShowTimings& timings, bool fades)
{
    const int32_t width = background.width(), height = background.height();
    const int32_t factor =
        std::max({int32_t(1), (width + kThumbSide - 1) / kThumbSide,
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

namespace {

// Whole decimal numbers only: no sign, no spaces, nothing after.
bool ParseNumber(const std::string& text, int32_t limit, int32_t* value)
{
    if (text.empty() || text.size() > 9)
        return false;
    int64_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + (c - '0');
    }
    if (n > limit)
        return false;
    *value = int32_t(n);
    return true;
}

// The value of an option that takes one, into its field; false, *error
// saying why, for a value the option refuses.
bool TakeOptionValue(const std::string& arg, const std::string& value, PreviewOptions* options,
                     std::string* error)
{
    if (arg == "--pictures") {
        options->picturesDir = value;
    } else if (arg == "--tal800") {
        options->smallFile = value;
    } else if (arg == "--tal1280") {
        options->largeFile = value;
    } else if (arg == "--background") {
        options->background = value;
    } else if (arg == "--all-frames") {
        options->allFramesDir = value;
    } else if (arg == "--tal1280x2") {
        options->largeTwiceFile = value;
    } else if (arg == "--frame") {
        if (!ParseNumber(value, 256, &options->frameLevel)) {
            *error = "--frame wants a level from 0 to 256, not " + value;
            return false;
        }
    } else if (arg == "--fade-in" || arg == "--hold" || arg == "--fade-out") {
        // A minute at the most: anything longer keeps the installer
        // waiting for no reason a user would accept.
        int32_t ms = 0;
        if (!ParseNumber(value, kProductMaxMs, &ms)) {
            *error = arg + " wants milliseconds from 0 to " + std::to_string(kProductMaxMs) + ", not " + value;
            return false;
        }
        uint32_t& field = arg == "--fade-in" ? options->timings.fadeInMs
                          : arg == "--hold"  ? options->timings.holdMs
                                             : options->timings.fadeOutMs;
        field = uint32_t(ms);
    } else if (arg == "--dpi") {
        if (!ParseNumber(value, 960, &options->dpi) || options->dpi < 48) {
            *error = "--dpi wants a system DPI from 48 to 960, not " + value;
            return false;
        }
    } else {  // --screen, the one option left
        const size_t x = value.find_first_of("xX");
        int32_t w = 0, h = 0;
        if (x == std::string::npos || !ParseNumber(value.substr(0, x), kBitmapMaxSide, &w) ||
            !ParseNumber(value.substr(x + 1), kBitmapMaxSide, &h) || w == 0 || h == 0) {
            *error = "--screen wants WIDTHxHEIGHT, each from 1 to " +
                     std::to_string(kBitmapMaxSide) + ", not " + value;
            return false;
        }
        options->screenWidth = w;
        options->screenHeight = h;
        options->screenGiven = true;
    }
    return true;
}

}  // namespace

bool ParsePreviewArgs(const std::vector<std::string>& args, PreviewOptions* options,
                      std::string* error)
{
    error->clear();
    bool haveOutput = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options->help = true;
            return true;
        }
        if (arg == "--still") {
            options->fades = false;
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            static const char* const kTakeValue[] = {
                "--pictures", "--tal800",   "--tal1280", "--tal1280x2", "--background", "--screen",
                "--all-frames", "--frame", "--fade-in", "--hold",     "--fade-out",   "--dpi"};
            if (std::find_if(std::begin(kTakeValue), std::end(kTakeValue),
                             [&](const char* o) { return arg == o; }) == std::end(kTakeValue)) {
                *error = "unknown option " + arg;
                return false;
            }
            if (i + 1 >= args.size()) {
                *error = arg + " needs a value";
                return false;
            }
            if (!TakeOptionValue(arg, args[++i], options, error))
                return false;
            continue;
        }
        if (haveOutput) {
            *error = "one output file only: " + options->output + " or " + arg;
            return false;
        }
        options->output = arg;
        haveOutput = true;
    }
    if (!haveOutput) {
        *error = "no output file named";
        return false;
    }
    if (!options->background.empty() && options->screenGiven) {
        *error = "--background and --screen together: the screenshot's size is the screen's";
        return false;
    }
    return true;
}

namespace {

std::string FrameFileName(const ShowFrame& f)
{
    char name[40];
    std::snprintf(name, sizeof name, "frame-%03d-level-%03d.png", int(f.index), int(f.level));
    return name;
}

std::string Size(int32_t width, int32_t height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

// What a preview shows: the desktop, and the picture the launcher would
// choose for it, each with where it came from.
struct PreviewScene {
    PixelSurface background, picture;
    std::string desktop;    // the screenshot's file name, or GENERATED
    ShowPicture choice{};   // the picture the launcher loads
    std::string path;       // the file it is read from
};

// The desktop behind the show: the screenshot given, or one made up at the
// screen's size.
bool LoadBackground(const PreviewOptions& options, PreviewScene* scene, std::string* error)
{
    scene->desktop = "GENERATED";
    if (options.background.empty()) {
        scene->background = GeneratedDesktop(options.screenWidth, options.screenHeight);
        return true;
    }
    RgbaImage shot;
    if (!ReadPng(options.background, &shot, error)) {
        *error = "background: " + *error;
        return false;
    }
    scene->background = BackgroundFromImage(shot);
    scene->desktop = fs::path(options.background).filename().string();
    return true;
}

// The picture the launcher would load on the scene's desktop, and the file
// that stands for it: the one given, or the folder's own.
void ChoosePicture(const PreviewOptions& options, PreviewScene* scene)
{
    ShowPicture choice = PictureForScreen(scene->background.width());
    std::string given =
        choice.file == kSmallPicture.file ? options.smallFile : options.largeFile;
    // The launcher's choice on a scaled screen, among the scaled pictures
    // there are to show.
    if (scene->background.width() > kSmallScreenMaxWidth) {
        int32_t present[kShowScaleCount + 1] = {100};
        std::string files[kShowScaleCount + 1];
        int32_t count = 1;
        for (int32_t scale : kShowScales) {
            const std::string file = scale == 200 && !options.largeTwiceFile.empty()
                                         ? options.largeTwiceFile
                                         : (fs::path(options.picturesDir) / ScaledPicture(scale).file).string();
            if (fs::exists(file)) {
                files[count] = file;
                present[count++] = scale;
            }
        }
        const int32_t chosen = ShowChooseScale(options.dpi, present, count);
        for (int32_t i = 1; i < count; ++i)
            if (present[i] == chosen) {
                choice = ScaledPicture(chosen);
                given = files[i];
            }
    }
    scene->choice = choice;
    scene->path = !given.empty() ? given : (fs::path(options.picturesDir) / choice.file).string();
}

// Every frame of the show, full size, into its folder. *written gains each
// file as it is written, for a later failure to take back.
bool WriteAllFrames(const PreviewOptions& options, const PreviewScene& scene,
                    std::vector<std::string>* written, std::string* report, std::string* error)
{
    std::error_code ec;
    fs::create_directories(options.allFramesDir, ec);
    if (ec) {
        *error = "cannot make " + options.allFramesDir + ": " + ec.message();
        return false;
    }
    const std::vector<ShowFrame> frames = ShowFrames(options.timings, options.fades);
    PixelSurface frame;
    for (const ShowFrame& f : frames) {
        RenderFrame(scene.background, scene.picture, f.level, &frame);
        const std::string file = (fs::path(options.allFramesDir) / FrameFileName(f)).string();
        if (!WritePng(file, SurfaceToImage(frame.get()), error))
            return false;
        written->push_back(file);
    }
    *report += "wrote " + std::to_string(frames.size()) + " frames to " + options.allFramesDir + "\n";
    return true;
}

// The contact sheet's title: the picture and where it lands on the screen,
// the files shown, and the show's phases in time.
std::vector<std::string> SheetTitle(const PreviewOptions& options, const PreviewScene& scene)
{
    const PixelSurface& picture = scene.picture;
    SplashBlock block;
    std::string where;
    if (!PlacePicture(scene.background.get(), picture.get(), &block))
        where = ", NOT ON THE SCREEN";
    else if (block.cx != picture.width() || block.cy != picture.height())
        where = ", CLIPPED TO " + Size(block.cx, block.cy);
    else
        where = " AT (" + std::to_string(block.dstX) + ", " + std::to_string(block.dstY) + ")";
    const std::vector<SheetCell> cells = SheetCells(options.timings, options.fades);
    const SheetCell hold = *std::find_if(cells.begin(), cells.end(), [](const SheetCell& c) {
        return c.phase == ShowPhase::Hold;
    });
    return {
        std::string(scene.choice.name) + " " + Size(picture.width(), picture.height()) + where +
            " ON A " + Size(scene.background.width(), scene.background.height()) + " SCREEN",
        "PICTURE: " + fs::path(scene.path).filename().string() + "   DESKTOP: " + scene.desktop,
        options.fades ? "FADE IN 0-" + std::to_string(hold.fromMs) + " MS   HOLD " +
                            std::to_string(hold.fromMs) + "-" + std::to_string(hold.toMs) +
                            " MS   FADE OUT " + std::to_string(hold.toMs) + "-" +
                            std::to_string(ShowEndMs(options.timings)) + " MS"
                      : "ANIMATIONS OFF: STILL 0-" + std::to_string(hold.toMs) + " MS, NO FADES",
    };
}

// A failed run leaves nothing of its own behind, and reports nothing.
bool Abandon(const std::vector<std::string>& written, std::string* report)
{
    for (const std::string& file : written)
        std::remove(file.c_str());
    report->clear();
    return false;
}

}  // namespace

bool RunPreview(const PreviewOptions& options, std::string* report, std::string* error)
{
    report->clear();
    error->clear();

    PreviewScene scene;
    if (!LoadBackground(options, &scene, error))
        return false;
    ChoosePicture(options, &scene);
    if (!LoadBitmapSurface(scene.path, &scene.picture, error)) {
        *error = "picture " + std::string(scene.choice.name) + ": " + *error;
        return false;
    }
    *report = std::string(scene.choice.name) + " (" + scene.path + ", " +
              Size(scene.picture.width(), scene.picture.height()) + ") on a " +
              Size(scene.background.width(), scene.background.height()) + " screen\n";

    std::vector<std::string> written;
    if (options.frameLevel >= 0) {
        PixelSurface frame;
        RenderFrame(scene.background, scene.picture, options.frameLevel, &frame);
        if (!WritePng(options.output, SurfaceToImage(frame.get()), error))
            return Abandon(written, report);
        *report += "wrote " + options.output + " (level " + std::to_string(options.frameLevel) +
                   ")\n";
        return true;
    }
    if (!options.allFramesDir.empty() && !WriteAllFrames(options, scene, &written, report, error))
        return Abandon(written, report);
    const std::vector<std::string> title = SheetTitle(options, scene);
    if (!WritePng(options.output,
                  ContactSheet(scene.background, scene.picture, title, options.timings, options.fades),
                  error))
        return Abandon(written, report);
    *report += "wrote " + options.output + " (contact sheet of " +
               std::to_string(SheetCells(options.timings, options.fades).size()) + " frames)\n";
    return true;
}
