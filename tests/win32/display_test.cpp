// The display context and the transfers, on a real popup window under Wine.
//
// What Wine does where it matters, as measured here:
// - BitBlt from a 24-bit to a 32-bit DIB section carries blue, green and red
//   over unchanged and writes 0 into the fourth byte.
// - StretchBlt in HALFTONE mode interpolates between the nearest source
//   pixels rather than averaging all the pixels a destination pixel covers:
//   a destination pixel that maps exactly onto a source pixel keeps its
//   colour. A checkerboard of single black and white pixels shrunk from 64
//   to 24 columns keeps one pixel in nine black or white; the others are
//   greys such as 0x66, 0x88, 0xAA and 0xCC.
// - A window's pixels read back through its device context are exactly the
//   colour bytes last drawn there.
#include "display.h"
#include "pixel_surface.h"
#include "gdi_squeeze.h"
#include "import_hook.h"
#include "surface_checks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <vector>

namespace {

// The window the display presents to, one for the whole suite.
HWND g_window;

constexpr int kWindowWidth = 320, kWindowHeight = 240;

struct OwnedSurface {
    Surface record{};
    OwnedSurface() = default;
    OwnedSurface(int32_t w, int32_t h, int32_t bpp)
    {
        EXPECT_EQ(CreateSurface(&record, w, h, bpp, "test"), 1);
    }
    ~OwnedSurface() { DestroySurface(&record); }
    Surface* get() { return &record; }
    Surface* operator->() { return &record; }
};

uint8_t* PixelAt(Surface* s, int32_t x, int32_t y)
{
    return s->bits + s->rowOffsets[y] + x * s->bytesPerPixel;
}

// Blue, green and red of a pixel as one number.
uint32_t ColourAt(Surface* s, int32_t x, int32_t y)
{
    const uint8_t* p = PixelAt(s, x, y);
    return p[0] | p[1] << 8 | p[2] << 16;
}

void Randomize(Surface* s, std::mt19937& rng)
{
    for (size_t i = 0; i < size_t(s->pitch) * size_t(s->height); ++i)
        s->bits[i] = uint8_t(rng());
}

std::vector<uint8_t> Snapshot(const Surface& s)
{
    return std::vector<uint8_t>(s.bits, s.bits + size_t(s.pitch) * size_t(s.height));
}

// A bitmap can be selected into a new context only if no other holds it.
bool IsFree(HBITMAP hBitmap)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, hBitmap);
    if (old != nullptr)
        SelectObject(dc, old);
    DeleteDC(dc);
    return old != nullptr;
}

// Runs one call of the product and returns the contexts it took.
DcCounts Counted(const std::function<void()>& call)
{
    g_dcCounts = DcCounts{};
    call();
    return g_dcCounts;
}

// The window's client pixels, blue, green and red of each, row by row.
struct WindowPixels {
    int width = kWindowWidth, height = kWindowHeight;
    std::vector<uint32_t> pixels;
    WindowPixels()
    {
        OwnedSurface copy(width, height, 32);
        HDC hdc = GetDC(g_window);
        HDC mem = CreateCompatibleDC(hdc);
        HGDIOBJ old = SelectObject(mem, copy->hBitmap);
        BitBlt(mem, 0, 0, width, height, hdc, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
        ReleaseDC(g_window, hdc);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels.push_back(ColourAt(copy.get(), x, y));
    }
    uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

// One window for all cases: Wine takes about two seconds to take a window
// off the X screen.
class DisplayTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "OrvelineDisplayTest";
        RegisterClassA(&wc);
        g_window =
            CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, kWindowWidth,
                            kWindowHeight, nullptr, nullptr, wc.hInstance, nullptr);
    }
    static void TearDownTestSuite()
    {
        DestroyWindow(g_window);
        g_window = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(CountDeviceContexts());
        ASSERT_NE(g_window, nullptr);
        SetWindowPos(g_window, nullptr, 0, 0, kWindowWidth, kWindowHeight, SWP_NOZORDER);
        InitDisplay(g_window);
        ASSERT_NE(g_backBuffer.hBitmap, nullptr);
    }
    void TearDown() override { ShutdownDisplay(); }
};

TEST_F(DisplayTest, InitFollowsTheClientAreaAndReleasesTheLastOne)
{
    EXPECT_LT(kWindowWidth, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(g_backBuffer.width, kWindowWidth);
    EXPECT_EQ(g_backBuffer.height, kWindowHeight);
    EXPECT_EQ(g_backBuffer.bytesPerPixel, 4);
    EXPECT_STREQ(g_backBuffer.name, "BackBuffer");
    EXPECT_GE(GlobalSize(g_hPaletteMem), 8192u);
    EXPECT_EQ(GetObjectType(g_hPalette), DWORD(OBJ_PAL));
    __builtin_cpu_init();
    EXPECT_EQ(g_hasMMX, __builtin_cpu_supports("mmx") ? 1 : 0);

    // A second call follows the window's new size and frees the first set.
    const HBITMAP oldBitmap = g_backBuffer.hBitmap;
    const HPALETTE oldPalette = g_hPalette;
    SetWindowPos(g_window, nullptr, 0, 0, 200, 100, SWP_NOZORDER | SWP_NOMOVE);
    InitDisplay(g_window);
    EXPECT_EQ(g_backBuffer.width, 200);
    EXPECT_EQ(g_backBuffer.height, 100);
    EXPECT_EQ(GetObjectType(oldBitmap), 0u);
    EXPECT_EQ(GetObjectType(oldPalette), 0u);
}

// After the first shutdown, new objects may take over the freed handles: the
// second shutdown must not free them.
TEST_F(DisplayTest, ShutdownTwiceFreesNothingTheSecondTime)
{
    PresentBackBuffer(g_window);  // leaves the palette selected if it is not put back
    const HBITMAP bitmap = g_backBuffer.hBitmap;
    const HPALETTE palette = g_hPalette;
    ShutdownDisplay();
    EXPECT_EQ(g_hPaletteMem, nullptr);
    EXPECT_EQ(g_hPalette, nullptr);
    EXPECT_TRUE(IsAllZero(g_backBuffer));
    EXPECT_EQ(GetObjectType(bitmap), 0u);
    EXPECT_EQ(GetObjectType(palette), 0u);

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 8192);
    OwnedSurface other(kWindowWidth, kWindowHeight, 32);
    ShutdownDisplay();
    EXPECT_NE(GlobalFlags(block), UINT(GMEM_INVALID_HANDLE));
    EXPECT_EQ(GetObjectType(other->hBitmap), DWORD(OBJ_BITMAP));
    GlobalFree(block);

    const WindowPixels before;
    EXPECT_EQ(Counted([] { PresentBackBuffer(g_window); }).taken(), 0);
    EXPECT_EQ(WindowPixels().pixels, before.pixels);
}

// With the handle table full neither the palette nor the back buffer can be
// made: the record is left empty, and nothing that shows the back buffer
// draws or takes a context.
TEST_F(DisplayTest, WithoutABackBufferNothingIsDrawn)
{
    ShutdownDisplay();  // frees handles the squeeze must not leave free
    {
        HandleSqueeze squeeze(0);
        InitDisplay(g_window);
    }
    EXPECT_TRUE(IsAllZero(g_backBuffer));
    EXPECT_EQ(g_hPalette, nullptr);
    OwnedSurface src(8, 8, 32);
    const WindowPixels before;
    int fillResult = -1;
    const DcCounts counts = Counted([&] {
        PresentBackBuffer(g_window);
        fillResult = FillAndPresent(g_window, RECT{0, 0, 10, 10}, RGB(255, 0, 0));
        EXPECT_EQ(ComposeAndPresent(g_window, 0, 0, src.get(), 0, 0, 0, 0), 1);
    });
    EXPECT_EQ(fillResult, 0);
    EXPECT_EQ(counts.taken(), 0);
    EXPECT_EQ(WindowPixels().pixels, before.pixels);
}

class TransferTest : public DisplayTest {
protected:
    std::mt19937 rng{7};
    // A destination of known content, and the source blocks copied into it.
    OwnedSurface dst{64, 48, 32};
    void SetUp() override
    {
        DisplayTest::SetUp();
        std::memset(dst->bits, 0x5A, size_t(dst->pitch) * 48);
    }
    // Runs a transfer, checks it gave back every context and left no
    // surface selected, and returns the contexts it took.
    DcCounts Transfer(const std::function<void()>& call, Surface* src)
    {
        const DcCounts counts = Counted(call);
        EXPECT_TRUE(counts.balanced());
        EXPECT_TRUE(IsFree(dst->hBitmap));
        EXPECT_TRUE(IsFree(src->hBitmap));
        return counts;
    }
};

TEST_F(TransferTest, BlitWithSizesZeroCopiesTheWholeSource)
{
    OwnedSurface src(20, 10, 32);
    Randomize(src.get(), rng);
    int result = 0;
    Transfer([&] { result = BlitSurface(dst.get(), 5, 7, 0, 0, src.get(), 0, 0); }, src.get());
    EXPECT_EQ(result, 1);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool inside = x >= 5 && x < 25 && y >= 7 && y < 17;
            ASSERT_EQ(ColourAt(dst.get(), x, y),
                      inside ? ColourAt(src.get(), x - 5, y - 7) : 0x5A5A5Au)
                << x << "," << y;
        }
}

TEST_F(TransferTest, BlitFromTwentyFourBitsCarriesTheColourBytes)
{
    OwnedSurface src(33, 17, 24);  // odd width: its rows are padded
    Randomize(src.get(), rng);
    Transfer([&] { EXPECT_EQ(BlitSurface(dst.get(), 0, 0, 0, 0, src.get(), 0, 0), 1); }, src.get());
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 33; ++x)
            ASSERT_EQ(ColourAt(dst.get(), x, y), ColourAt(src.get(), x, y)) << x << "," << y;
}

// A record without a bitmap stops the transfer before any context is taken
// and before the keyed copy, which would write into the record's pixels.
TEST_F(TransferTest, SurfacesWithoutBitmapAreRefused)
{
    PixelSurface fake(16, 16);
    fake->colorKey = 0x01000000;
    OwnedSurface keyed(16, 16, 32);
    Randomize(keyed.get(), rng);
    keyed->colorKey = 0x01000000;
    const PixelBytes before = fake.pixels;
    const DcCounts counts = Counted([&] {
        EXPECT_EQ(BlitSurface(fake.get(), 0, 0, 0, 0, keyed.get(), 0, 0), 0);
        EXPECT_EQ(BlitSurface(dst.get(), 0, 0, 0, 0, fake.get(), 0, 0), 0);
        EXPECT_EQ(StretchSurface(fake.get(), 0, 0, 0, 0, keyed.get(), 0, 0, 0, 0), 0);
        EXPECT_EQ(StretchSurface(dst.get(), 0, 0, 0, 0, fake.get(), 0, 0, 0, 0), 0);
        EXPECT_EQ(PresentSurfaceRect(g_window, 0, 0, 0, 0, fake.get(), 0, 0), 0);
    });
    EXPECT_EQ(counts.taken(), 0);
    EXPECT_EQ(fake.pixels, before);
}

// Black, white and a colour, with alpha bytes: an active key (top byte not
// zero) sends the copy past the key, leaving out black; an inactive one
// leaves it to the platform, which copies every pixel.
TEST_F(TransferTest, TheKeyDecidesThePath)
{
    const struct {
        uint32_t key;
        bool keyed;
    } cases[] = {{0x00FFFFFF, false}, {0x01000000, true}, {0, false}, {0xFF000000, true}};
    const uint32_t colours[] = {0x000000, 0xFFFFFF, 0x123456};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.key);
        OwnedSurface src(12, 6, 32);
        EXPECT_EQ(src->colorKey, 0u);  // a new surface's key is inactive
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 12; ++x) {
                const uint32_t word = colours[(x + y) % 3] | uint32_t(x * 20) << 24;
                std::memcpy(PixelAt(src.get(), x, y), &word, 4);
            }
        src->colorKey = c.key;
        std::memset(dst->bits, 0x5A, size_t(dst->pitch) * 48);
        const DcCounts counts = Transfer(
            [&] { EXPECT_EQ(BlitSurface(dst.get(), 3, 2, 0, 0, src.get(), 0, 0), 1); }, src.get());
        EXPECT_EQ(counts.taken(), c.keyed ? 0 : 2);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 12; ++x) {
                const bool black = ColourAt(src.get(), x, y) == 0;
                const uint8_t* d = PixelAt(dst.get(), x + 3, y + 2);
                const uint8_t* s = PixelAt(src.get(), x, y);
                const uint32_t expected = c.keyed && black ? 0x5A5A5Au : ColourAt(src.get(), x, y);
                ASSERT_EQ(ColourAt(dst.get(), x + 3, y + 2), expected);
                if (c.keyed && !black) {
                    ASSERT_EQ(d[3], s[3]);  // the keyed copy carries alpha
                }
            }
    }
}

// Blocks reaching outside either surface, and negative sizes, give the same
// pixels on the keyed path as through the platform, and nothing outside.
TEST_F(TransferTest, KeyedCopyClipsLikeThePlatform)
{
    OwnedSurface src(30, 20, 32);
    Randomize(src.get(), rng);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            PixelAt(src.get(), x, y)[0] |= 1;  // no black: the key leaves nothing out
    OwnedSurface viaPlatform(64, 48, 32);
    const struct {
        int32_t dstX, dstY, cx, cy, srcX, srcY;
    } blocks[] = {
        {-5, -3, 0, 0, 0, 0},         {50, 40, 30, 30, 0, 0},
        {0, 0, 0, 0, -4, -2},         {10, 10, 100, 100, 5, 5},
        {-100, 0, 10, 10, 0, 0},      {60, 0, 0, 0, 15, 0},
        {3, 3, -5, 4, 0, 0},          {3, 3, 4, -5, 0, 0},
        {INT32_MAX, 0, 10, 10, 0, 0}, {0, 0, INT32_MAX, INT32_MAX, -INT32_MAX, 0},
    };
    for (const auto& b : blocks) {
        SCOPED_TRACE(testing::Message() << b.dstX << "," << b.dstY << " " << b.cx << "x" << b.cy
                                        << " from " << b.srcX << "," << b.srcY);
        std::memset(dst->bits, 0x5A, size_t(dst->pitch) * 48);
        std::memset(viaPlatform->bits, 0x5A, size_t(dst->pitch) * 48);
        src->colorKey = 0x01000000;
        EXPECT_EQ(BlitSurface(dst.get(), b.dstX, b.dstY, b.cx, b.cy, src.get(), b.srcX, b.srcY), 1);
        src->colorKey = 0;
        const DcCounts counts = Counted([&] {
            EXPECT_EQ(BlitSurface(viaPlatform.get(), b.dstX, b.dstY, b.cx, b.cy, src.get(), b.srcX,
                                  b.srcY),
                      1);
        });
        EXPECT_EQ(counts.taken(), b.cx < 0 || b.cy < 0 ? 0 : 2);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                ASSERT_EQ(ColourAt(dst.get(), x, y), ColourAt(viaPlatform.get(), x, y))
                    << x << "," << y;
    }
}

TEST_F(TransferTest, KeyedCopyBetweenOtherDepthsIsRefused)
{
    OwnedSurface src24(8, 8, 24);
    Randomize(src24.get(), rng);
    src24->colorKey = 0x01000000;
    OwnedSurface dst24(8, 8, 24);
    OwnedSurface src32(8, 8, 32);
    src32->colorKey = 0x01000000;
    const std::vector<uint8_t> before = Snapshot(dst.record), before24 = Snapshot(dst24.record);
    EXPECT_EQ(BlitSurface(dst.get(), 0, 0, 0, 0, src24.get(), 0, 0), 0);
    EXPECT_EQ(BlitSurface(dst24.get(), 0, 0, 0, 0, src32.get(), 0, 0), 0);
    EXPECT_EQ(Snapshot(dst.record), before);
    EXPECT_EQ(Snapshot(dst24.record), before24);
}

// A checkerboard of single black and white pixels, shrunk by a factor that
// is not whole: every destination pixel is written, grey, and most are
// mixtures of black and white, averaging to mid-grey overall. A filter that
// picks one source pixel would give only black and white.
TEST_F(TransferTest, StretchWithSizesZeroAveragesOverTheWholeDestination)
{
    OwnedSurface src(64, 64, 32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            std::memset(PixelAt(src.get(), x, y), (x + y) % 2 ? 0xFF : 0x00, 4);
    OwnedSurface small(24, 20, 32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 24; ++x)
            std::memcpy(PixelAt(small.get(), x, y), "\0\0\xFF\0", 4);  // red: never grey
    int result = 0;
    const DcCounts counts =
        Counted([&] { result = StretchSurface(small.get(), 0, 0, 0, 0, src.get(), 0, 0, 0, 0); });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(counts.balanced());
    EXPECT_TRUE(IsFree(small->hBitmap));
    int mixed = 0, sum = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 24; ++x) {
            const uint8_t* p = PixelAt(small.get(), x, y);
            ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << x << "," << y;
            mixed += p[0] > 0x20 && p[0] < 0xE0;
            sum += p[0];
        }
    EXPECT_GT(mixed, 24 * 20 / 2);
    EXPECT_NEAR(sum / (24.0 * 20.0), 127.5, 16.0);

    // Negative sizes draw nothing.
    const std::vector<uint8_t> before = Snapshot(small.record);
    EXPECT_EQ(Counted([&] {
                  StretchSurface(small.get(), 0, 0, -24, 0, src.get(), 0, 0, 0, 0);
                  StretchSurface(small.get(), 0, 0, 0, 0, src.get(), 0, 0, 0, -64);
              }).taken(),
              0);
    EXPECT_EQ(Snapshot(small.record), before);
}

class WindowTest : public DisplayTest {
protected:
    std::mt19937 rng{11};
    std::vector<uint32_t> shown;  // what the window shows: the first back buffer
    void SetUp() override
    {
        DisplayTest::SetUp();
        Reset();
    }
    // Shows a random back buffer, then changes the back buffer everywhere
    // without showing it, so that the window tells exactly which of its
    // pixels a call presented.
    void Reset()
    {
        Randomize(&g_backBuffer, rng);
        const DcCounts counts = Counted([] { PresentBackBuffer(g_window); });
        EXPECT_EQ(counts.getDc, 1);
        EXPECT_TRUE(counts.balanced());
        shown.clear();
        for (int y = 0; y < kWindowHeight; ++y)
            for (int x = 0; x < kWindowWidth; ++x)
                shown.push_back(ColourAt(&g_backBuffer, x, y));
        Randomize(&g_backBuffer, rng);
    }
    // The window must show the back buffer inside the block and the first
    // picture outside it.
    void ExpectShown(int left, int top, int right, int bottom)
    {
        const WindowPixels window;
        for (int y = 0; y < kWindowHeight; ++y)
            for (int x = 0; x < kWindowWidth; ++x) {
                const bool inside = x >= left && x < right && y >= top && y < bottom;
                ASSERT_EQ(window.at(x, y),
                          inside ? ColourAt(&g_backBuffer, x, y) : shown[y * kWindowWidth + x])
                    << x << "," << y;
            }
    }
};

TEST_F(WindowTest, PresentBackBufferShowsItWhole)
{
    const DcCounts counts = Counted([] { PresentBackBuffer(g_window); });
    EXPECT_TRUE(counts.balanced());
    EXPECT_TRUE(IsFree(g_backBuffer.hBitmap));
    ExpectShown(0, 0, kWindowWidth, kWindowHeight);
}

// Any surface can be shown; the back buffer is not touched on the way.
TEST_F(WindowTest, PresentSurfaceRectShowsAnySurface)
{
    OwnedSurface src(50, 40, 32);
    Randomize(src.get(), rng);
    const std::vector<uint8_t> backBuffer = Snapshot(g_backBuffer);
    const DcCounts counts = Counted([&] {
        EXPECT_EQ(PresentSurfaceRect(g_window, 30, 20, 0, 0, src.get(), 0, 0), 1);
        EXPECT_EQ(PresentSurfaceRect(g_window, 200, 100, 10, 5, src.get(), 7, 9), 1);
        EXPECT_EQ(PresentSurfaceRect(g_window, 250, 150, -10, 5, src.get(), 0, 0), 1);
    });
    EXPECT_EQ(counts.getDc, 2);
    EXPECT_TRUE(counts.balanced());
    EXPECT_TRUE(IsFree(src->hBitmap));
    EXPECT_EQ(Snapshot(g_backBuffer), backBuffer);
    const WindowPixels window;
    for (int y = 0; y < kWindowHeight; ++y)
        for (int x = 0; x < kWindowWidth; ++x) {
            uint32_t expected = shown[y * kWindowWidth + x];
            if (x >= 30 && x < 80 && y >= 20 && y < 60)
                expected = ColourAt(src.get(), x - 30, y - 20);
            if (x >= 200 && x < 210 && y >= 100 && y < 105)
                expected = ColourAt(src.get(), x - 200 + 7, y - 100 + 9);
            ASSERT_EQ(window.at(x, y), expected) << x << "," << y;
        }
}

// The rectangle is filled in the back buffer (clipped to it) and shown at
// the same place; a width of zero fills nothing and shows the back buffer
// from the left edge to its right edge.
TEST_F(WindowTest, FillAndPresentShowsItsRectangle)
{
    const struct {
        RECT rect;
        RECT filled, shownBlock;
    } cases[] = {
        {{10, 20, 110, 70}, {10, 20, 110, 70}, {10, 20, 110, 70}},
        {{10, 20, 10, 70}, {0, 0, 0, 0}, {10, 20, kWindowWidth, 70}},
        {{-5, -5, 10, 10}, {0, 0, 10, 10}, {0, 0, 10, 10}},
        {{310, 230, 400, 300},
         {310, 230, kWindowWidth, kWindowHeight},
         {310, 230, kWindowWidth, kWindowHeight}},
        {{50, 50, 40, 60}, {0, 0, 0, 0}, {0, 0, 0, 0}},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n++);
        Reset();
        std::vector<uint8_t> expected = Snapshot(g_backBuffer);
        for (int y = c.filled.top; y < c.filled.bottom; ++y)
            for (int x = c.filled.left; x < c.filled.right; ++x) {
                const uint8_t blue = 0x30, green = 0x20, red = 0x10;
                const uint8_t pixel[4] = {blue, green, red, 0xFF};
                std::memcpy(&expected[size_t(y) * g_backBuffer.pitch + x * 4], pixel, 4);
            }
        int result = 0;
        const DcCounts counts =
            Counted([&] { result = FillAndPresent(g_window, c.rect, RGB(0x10, 0x20, 0x30)); });
        EXPECT_EQ(result, 1);
        EXPECT_TRUE(counts.balanced());
        EXPECT_TRUE(IsFree(g_backBuffer.hBitmap));
        ASSERT_EQ(Snapshot(g_backBuffer), expected);
        ExpectShown(c.shownBlock.left, c.shownBlock.top, c.shownBlock.right, c.shownBlock.bottom);
    }
}

TEST_F(WindowTest, ComposeAndPresentCopiesThenShowsTheBlock)
{
    OwnedSurface src(50, 40, 24);
    Randomize(src.get(), rng);
    EXPECT_EQ(ComposeAndPresent(g_window, 40, 30, src.get(), 0, 0, 0, 0), 1);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x)
            ASSERT_EQ(ColourAt(&g_backBuffer, x + 40, y + 30), ColourAt(src.get(), x, y));
    // Sizes of 0 show the back buffer from the corner to its edges.
    ExpectShown(40, 30, kWindowWidth, kWindowHeight);
}

}  // namespace
