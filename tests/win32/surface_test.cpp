// Surface lifecycle on real DIB sections, under Wine.
#include "surface_win32.h"
#include "import_hook.h"
#include "surface_checks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

namespace {

// Holds a surface record and destroys it at the end of the test, so a
// failing assertion cannot leak the bitmap into the next case.
struct ScopedSurface {
    Surface record{};
    ~ScopedSurface() { DestroySurface(&record); }
    Surface* operator->() { return &record; }
    Surface* get() { return &record; }
};

// What GDI itself says of a pixel, through a memory context.
COLORREF PixelSeenByGdi(HBITMAP hBitmap, int x, int y)
{
    HDC hdc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(hdc, hBitmap);
    COLORREF c = GetPixel(hdc, x, y);
    SelectObject(hdc, old);
    DeleteDC(hdc);
    return c;
}

struct PitchCase {
    int32_t width, height, bitsPerPixel;
    uint32_t pitch;
};

class CreateSurfaceLayout : public ::testing::TestWithParam<PitchCase> {};

// The record's pitch, row table and top-down rows must agree with the DIB
// section GDI made: a pixel written through the record is the one GDI reads
// at the same coordinates.
TEST_P(CreateSurfaceLayout, AgreesWithTheDibSection)
{
    const PitchCase c = GetParam();
    ScopedSurface s;
    s->colorKey = 0xFF123456;
    ASSERT_EQ(CreateSurface(s.get(), c.width, c.height, c.bitsPerPixel, "layout"), 1);
    EXPECT_EQ(s->pitch, c.pitch);
    EXPECT_EQ(s->bytesPerPixel, c.bitsPerPixel / 8);
    EXPECT_EQ(s->width, c.width);
    EXPECT_EQ(s->height, c.height);
    EXPECT_EQ(s->colorKey, 0u);
    EXPECT_STREQ(s->name, "layout");

    DIBSECTION dib{};
    ASSERT_EQ(GetObjectA(s->hBitmap, sizeof dib, &dib), int(sizeof dib));
    EXPECT_EQ(dib.dsBm.bmBits, s->bits);
    EXPECT_EQ(uint32_t(dib.dsBm.bmWidthBytes), s->pitch);
    EXPECT_EQ(dib.dsBm.bmBitsPixel, c.bitsPerPixel);

    for (int32_t j = 0; j < c.height; ++j)
        ASSERT_EQ(s->rowOffsets[j], int32_t(j * c.pitch)) << "row " << j;

    // Pixel bytes run blue, green, red: the last pixel of the last row red,
    // the first pixel of the top row blue.
    const int lastX = c.width - 1, lastY = c.height - 1;
    uint8_t* last = s->bits + s->rowOffsets[lastY] + lastX * s->bytesPerPixel;
    const bool onePixel = lastX == 0 && lastY == 0;
    last[2] = 0xFF;
    if (!onePixel)
        s->bits[0] = 0xFF;
    GdiFlush();
    EXPECT_EQ(PixelSeenByGdi(s->hBitmap, lastX, lastY), RGB(0xFF, 0, 0));
    if (!onePixel) {
        EXPECT_EQ(PixelSeenByGdi(s->hBitmap, 0, 0), RGB(0, 0, 0xFF));
    }
}

INSTANTIATE_TEST_SUITE_P(Pitches, CreateSurfaceLayout,
                         ::testing::Values(PitchCase{1, 3, 24, 4}, PitchCase{3, 2, 24, 12},
                                           PitchCase{4, 5, 24, 12}, PitchCase{1, 1, 32, 4},
                                           PitchCase{7, 4, 32, 28}, PitchCase{640, 480, 32, 2560}));

TEST(CreateSurface, StoresAtMost255CharactersOfTheName)
{
    struct Case {
        std::string given;
        std::string stored;
    };
    const std::string long300(300, 'x');
    const std::string exact255 = std::string(254, 'y') + 'z';
    const Case cases[] = {
        {long300, long300.substr(0, 255)},
        {exact255, exact255},
        {"Tal1280", "Tal1280"},
        {"", ""},
    };
    for (const Case& c : cases) {
        ScopedSurface s;
        std::memset(s->name, 'q', sizeof s->name);
        ASSERT_EQ(CreateSurface(s.get(), 2, 2, 32, c.given.c_str()), 1);
        EXPECT_EQ(std::string(s->name), c.stored) << "given " << c.given.size() << " characters";
    }
    ScopedSurface unnamed;
    ASSERT_EQ(CreateSurface(unnamed.get(), 2, 2, 32, nullptr), 1);
    EXPECT_STREQ(unnamed->name, "");
}

TEST(CreateSurface, RefusesSizesAndDepthsThatMakeNoSurface)
{
    struct Case {
        int32_t width, height, bitsPerPixel;
    };
    const Case cases[] = {
        {0, 10, 32}, {10, 0, 32}, {-5, 10, 24}, {10, -5, 24},        {INT32_MIN, INT32_MIN, 32},
        {10, 10, 8}, {10, 10, 1}, {10, 10, 0},  {100000, 100000, 32}};
    for (const Case& c : cases) {
        ScopedSurface s;
        EXPECT_EQ(CreateSurface(s.get(), c.width, c.height, c.bitsPerPixel, "bad"), 0)
            << c.width << " x " << c.height << " x " << c.bitsPerPixel;
        EXPECT_TRUE(IsAllZero(s.record)) << c.width << " x " << c.height << " x " << c.bitsPerPixel;
    }
}

// While one of these lives the platform refuses every DIB section, as it
// does when memory runs out. Refusing it here rather than asking for more
// than the process can map keeps the case the same in a 32-bit and a 64-bit
// process.
struct RefusedSections {
    static inline decltype(&CreateDIBSection) real;
    static HBITMAP WINAPI Refuse(HDC, const BITMAPINFO*, UINT, void** bits, HANDLE, DWORD)
    {
        if (bits != nullptr)
            *bits = nullptr;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    RefusedSections() { Hook(real, "gdi32.dll", "CreateDIBSection", &Refuse); }
    ~RefusedSections()
    {
        decltype(&CreateDIBSection) refuse;
        Hook(refuse, "gdi32.dll", "CreateDIBSection", real);
    }
};

TEST(CreateSurface, RefusedDibSectionLeavesSizesAndNoBitmap)
{
    ScopedSurface s;
    {
        RefusedSections refused;
        ASSERT_NE(RefusedSections::real, nullptr) << "CreateDIBSection is not imported";
        EXPECT_EQ(CreateSurface(s.get(), 641, 480, 32, "refused"), 0);
    }
    EXPECT_EQ(s->hBitmap, nullptr);
    EXPECT_EQ(s->bits, nullptr);
    EXPECT_EQ(s->rowOffsets, nullptr);
    EXPECT_EQ(s->width, 641);
    EXPECT_EQ(s->height, 480);
    EXPECT_EQ(s->pitch, 2564u);
    DestroySurface(s.get());
    EXPECT_TRUE(IsAllZero(s.record));
}

TEST(CreateSurface, OverALiveSurfaceReleasesTheOldOne)
{
    // A new surface that is made, one whose layout is refused, and one whose
    // section the platform refuses.
    struct Case {
        int32_t width, height, bitsPerPixel;
        bool sectionRefused, succeeds;
    };
    const Case cases[] = {
        {8, 8, 24, false, true}, {0, 8, 32, false, false}, {64, 64, 32, true, false}};
    for (const Case& c : cases) {
        ScopedSurface s;
        ASSERT_EQ(CreateSurface(s.get(), 4, 4, 32, "old"), 1);
        s->colorKey = 0xFF000000;
        const HBITMAP oldBitmap = s->hBitmap;
        const HGLOBAL oldRows = GlobalHandle(s->rowOffsets);
        ASSERT_NE(oldRows, nullptr);

        {
            std::optional<RefusedSections> refused;
            if (c.sectionRefused)
                refused.emplace();
            EXPECT_EQ(CreateSurface(s.get(), c.width, c.height, c.bitsPerPixel, "new"),
                      c.succeeds ? 1 : 0);
        }
        EXPECT_EQ(GetObjectType(oldBitmap), 0u) << "old bitmap still a GDI object";
        EXPECT_EQ(s->colorKey, 0u);
        if (c.succeeds) {
            // Wine hands a freed handle out again at once, so the old block
            // is either gone or has become the new row table.
            const HGLOBAL newRows = GlobalHandle(s->rowOffsets);
            EXPECT_TRUE(newRows == oldRows || GlobalSize(oldRows) == 0)
                << "old row table still allocated";
            EXPECT_NE(s->hBitmap, nullptr);
            EXPECT_STREQ(s->name, "new");
        } else {
            EXPECT_EQ(GlobalSize(oldRows), 0u) << "old row table still allocated";
            EXPECT_EQ(s->hBitmap, nullptr);
        }
    }
}

TEST(DestroySurface, ReleasesEverythingAndZeroesTheRecord)
{
    Surface s{};
    DestroySurface(&s);  // an empty record is left as it was
    EXPECT_TRUE(IsAllZero(s));

    ASSERT_EQ(CreateSurface(&s, 3, 3, 24, "x"), 1);
    const HBITMAP bitmap = s.hBitmap;
    const HGLOBAL rows = GlobalHandle(s.rowOffsets);
    EXPECT_EQ(GlobalFlags(rows) & GMEM_LOCKCOUNT, 1u)
        << "row table stays locked while the surface lives";
    DestroySurface(&s);
    EXPECT_TRUE(IsAllZero(s));
    EXPECT_EQ(GetObjectType(bitmap), 0u);
    EXPECT_EQ(GlobalSize(rows), 0u);
    DestroySurface(&s);
    EXPECT_TRUE(IsAllZero(s));
}

TEST(CreateSurface, WorksWhileAWindowCoversTheScreen)
{
    HWND hWnd = CreateWindowExA(0, "STATIC", "surface test", WS_POPUP, 0, 0, 64, 48, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(hWnd, nullptr);
    {
        ScopedSurface s;
        EXPECT_EQ(CreateSurface(s.get(), 64, 48, 32, "back"), 1);
        EXPECT_NE(s->bits, nullptr);
    }
    DestroyWindow(hWnd);
}

}  // namespace
