// The launcher's frame, drawn with its own calls and timed phase by phase
// for each form of the blend, and the blend alone, checked byte for byte
// against its plain form.
#include "frame_bench.h"

#include "display.h"
#include "frame.h"
#include "window.h"

// ---------------------------------------------------------------- the frame

bool PrepareLikeLauncher(Setup* setup, const char* picture)
{
    int64_t t0 = Now();
    InitDisplay(g_hWnd);
    int64_t t1 = Now();
    CreateSurface(&g_backCopy, g_screenWidth, g_screenHeight, 24, "BackCopy");
    int64_t t2 = Now();
    CopyDesktop(&g_backCopy, 0, 0);
    int64_t t3 = Now();
    BlitSurface(&g_backBuffer, 0, 0, g_screenWidth, g_screenHeight, &g_backCopy, 0, 0);
    int64_t t4 = Now();
    LoadSurfaceImage(picture, &g_splashImage, 0, 0, g_hPaletteMem, g_hPalette);
    int64_t t5 = Now();
    setup->initDisplay = Ms(t1 - t0);
    setup->createCopy = Ms(t2 - t1);
    setup->copyDesktop = Ms(t3 - t2);
    setup->firstRestore = Ms(t4 - t3);
    setup->loadPicture = Ms(t5 - t4);
    return g_backBuffer.hBitmap != nullptr && g_backCopy.hBitmap != nullptr &&
           g_splashImage.hBitmap != nullptr;
}

// The launcher's stage for a block of the picture: its window, surfaces and
// that block, so that the frame timed is the launcher's own.
static ShowStage StageFor(const Block& b)
{
    return ShowStage{g_hWnd, &g_backBuffer, &g_backCopy, &g_splashImage, b};
}

void Restore()
{
    const ShowStage stage = StageFor(Block{});
    RestoreFrame(&stage, true);
}

void RestoreBlock(const Block& b)
{
    const ShowStage stage = StageFor(b);
    RestoreFrame(&stage, false);
}

void PresentBlock(const Block& b)
{
    const ShowStage stage = StageFor(b);
    PresentFrame(&stage, false);
}

// The frame of the launcher's DrawFrame, phase by phase, over the levels of
// one whole show, with BlendSurface in the form already selected: every
// frame after a show's first, the picture's block restored and presented,
// or, as every frame was drawn before, the whole screen.
void TimeFrames(FormTimes* times, const Block& b, ScreenReader& onePixel, int rounds)
{
    const std::vector<int> levels = ShowLevels();
    const int32_t px = b.dstX + b.cx / 2, py = b.dstY + b.cy / 2;
    const ShowStage stage = StageFor(b);
    auto restore = [&] { RestoreFrame(&stage, times->whole); };
    auto present = [&] { PresentFrame(&stage, times->whole); };
    // A few frames first, so that no first-use cost lands in the figures;
    // the first whole, as a show's is, and the back buffer left so outside
    // the block.
    Restore();
    for (int i = 0; i < 4; ++i) {
        restore();
        BlendFrame(&stage, 128);
        present();
        PushToScreen(onePixel, px, py);
    }
    for (int r = 0; r < rounds; ++r) {
        for (int level : levels) {
            const int64_t t0 = Now();
            restore();
            const int64_t t1 = Now();
            BlendFrame(&stage, level);
            const int64_t t2 = Now();
            present();
            const int64_t t3 = Now();
            PushToScreen(onePixel, px, py);
            const int64_t t4 = Now();
            times->restore.push_back(Ms(t1 - t0));
            times->blend.push_back(Ms(t2 - t1));
            times->present.push_back(Ms(t3 - t2));
            times->upload.push_back(Ms(t4 - t3));
            times->frame.push_back(Ms(t4 - t0));
        }
    }
}

Arrival CheckArrival(const Block& b, ScreenReader& blockReader)
{
    Arrival a;
    // Levels 16 apart, so that each frame differs from the one before it.
    for (int level = 16; level <= 256; level += 16) {
        Restore();
        BlendSurface(&g_backBuffer, b.dstX, b.dstY, b.cx, b.cy, &g_splashImage, b.srcX, b.srcY,
                     level);
        const Pixels expected = CopyOut(g_backBuffer, b);
        PresentBackBuffer(g_hWnd);
        ++a.frames;
        blockReader.Read(b.dstX, b.dstY);
        a.afterPresent += CountDiffering(blockReader.Bits(), expected.data(), b) == 0;
        GdiFlush();
        blockReader.Read(b.dstX, b.dstY);
        a.afterGdiFlush += CountDiffering(blockReader.Bits(), expected.data(), b) == 0;
        Sleep(60);
        blockReader.Read(b.dstX, b.dstY);
        a.afterSleep += CountDiffering(blockReader.Bits(), expected.data(), b) == 0;
        PumpMessages();
        blockReader.Read(b.dstX, b.dstY);
        a.afterEmptyTurn += CountDiffering(blockReader.Bits(), expected.data(), b) == 0;
    }
    return a;
}

namespace {

// A surface record over memory of our own, for blends that must not touch
// the back buffer.
struct Scratch {
    Surface record{};
    std::vector<uint8_t> pixels;
    std::vector<int32_t> rows;

    Scratch(int32_t width, int32_t height)
    {
        SetSurfaceLayout(&record, width, height, 32);
        pixels.assign(size_t(record.pitch) * size_t(height), 0);
        rows.resize(size_t(height));
        record.bits = pixels.data();
        record.rowOffsets = rows.data();
        FillRowOffsets(&record);
    }
};

// Fills a scratch surface with bytes that change from pixel to pixel, so
// that a comparison of two blends means something.
void FillPattern(Scratch& s, uint32_t seed)
{
    for (uint8_t& byte : s.pixels) {
        seed = seed * 1664525u + 1013904223u;
        byte = uint8_t(seed >> 24);
    }
}

}  // namespace

bool SameAsPlain(SurfaceBlend form, const Block& b)
{
    for (int level : {0, 1, 3, 4, 100, 128, 252, 255, 256}) {
        Scratch mine(b.cx, b.cy), plain(b.cx, b.cy);
        FillPattern(mine, uint32_t(level) + 7);
        FillPattern(plain, uint32_t(level) + 7);
        form(&mine.record, 0, 0, b.cx, b.cy, &g_splashImage, b.srcX, b.srcY, level);
        BlendSurfacePlain(&plain.record, 0, 0, b.cx, b.cy, &g_splashImage, b.srcX, b.srcY, level);
        if (mine.pixels != plain.pixels)
            return false;
    }
    return true;
}

bool PixelsSameAsPlain(PixelBlend form, const Block& b)
{
    Scratch mine(b.cx, b.cy), plain(b.cx, b.cy);
    FillPattern(mine, 3);
    FillPattern(plain, 3);
    const uint8_t* src = g_splashImage.bits + g_splashImage.rowOffsets[b.srcY] + b.srcX * 4;
    const int32_t srcSkip = int32_t(g_splashImage.pitch) - b.cx * 4;
    form(mine.record.bits, src, b.cy, b.cx, int32_t(mine.record.pitch) - b.cx * 4, srcSkip);
    BlendPixelsPlain(plain.record.bits, src, b.cy, b.cx, int32_t(plain.record.pitch) - b.cx * 4,
                     srcSkip);
    return mine.pixels == plain.pixels;
}

// Each call timed on its own, at every level of the show in turn, into the
// back buffer where the launcher blends.
Spread TimeSurfaceBlend(SurfaceBlend form, const Block& b, int rounds)
{
    const std::vector<int> levels = ShowLevels();
    std::vector<double> t;
    for (int r = 0; r < rounds; ++r)
        for (int level : levels) {
            const int64_t t0 = Now();
            form(&g_backBuffer, b.dstX, b.dstY, b.cx, b.cy, &g_splashImage, b.srcX, b.srcY, level);
            t.push_back(Ms(Now() - t0));
        }
    return Summarise(t);
}

Spread TimePixelBlend(PixelBlend form, const Block& b, int calls)
{
    uint8_t* dst = g_backBuffer.bits + g_backBuffer.rowOffsets[b.dstY] + b.dstX * 4;
    const uint8_t* src = g_splashImage.bits + g_splashImage.rowOffsets[b.srcY] + b.srcX * 4;
    const int32_t dstSkip = int32_t(g_backBuffer.pitch) - b.cx * 4;
    const int32_t srcSkip = int32_t(g_splashImage.pitch) - b.cx * 4;
    std::vector<double> t;
    for (int i = 0; i < calls; ++i) {
        const int64_t t0 = Now();
        form(dst, src, b.cy, b.cx, dstSkip, srcSkip);
        t.push_back(Ms(Now() - t0));
    }
    return Summarise(t);
}

// BlendSurface itself, in whatever form it has chosen.
int DispatchedBlend(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                    const Surface* src, int32_t srcX, int32_t srcY, int32_t level)
{
    return BlendSurface(dst, dstX, dstY, cx, cy, src, srcX, srcY, level);
}

const char* FormName(int32_t form)
{
    return form == kBlendAVX2 ? "AVX2" : form == kBlendSSE2 ? "SSE2" : "plain";
}
