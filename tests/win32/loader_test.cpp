// The loader under Wine: the program's own resources, files in the current
// folder and at the root of the drive, the pieces the files are read in, and
// what a load leaves in the surface and the palette block. The test works in
// a folder of its own on drive C: of the Wine prefix, so the drive's root is
// the prefix's and the test may put a file there.
//
// Calls the loader makes to open, read and close files, to allocate and free
// global memory and to free resources are counted by redirecting this
// program's own import slots (the loader is linked in, so its calls pass
// through them).
#include "display.h"
#include "../bitmap_cases.h"
#include "gdi_squeeze.h"
#include "import_hook.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using bmp::Bytes;

struct IoCounts {
    std::vector<std::string> opened;  // every path asked for, in order
    std::vector<DWORD> reads;         // bytes asked for by each read
    int handlesOpened = 0, handlesClosed = 0, allocs = 0, frees = 0, resourcesFreed = 0;
};
IoCounts g_io;

decltype(&CreateFileA) realCreateFile;
decltype(&ReadFile) realReadFile;
decltype(&CloseHandle) realCloseHandle;
decltype(&GlobalAlloc) realGlobalAlloc;
decltype(&GlobalFree) realGlobalFree;
decltype(&FreeResource) realFreeResource;

HANDLE WINAPI CountCreateFile(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                              DWORD disposition, DWORD flags, HANDLE tmpl)
{
    g_io.opened.push_back(name);
    HANDLE h = realCreateFile(name, access, share, sa, disposition, flags, tmpl);
    g_io.handlesOpened += h != INVALID_HANDLE_VALUE;
    return h;
}
BOOL WINAPI CountReadFile(HANDLE h, LPVOID to, DWORD n, LPDWORD got, LPOVERLAPPED o)
{
    g_io.reads.push_back(n);
    return realReadFile(h, to, n, got, o);
}
BOOL WINAPI CountCloseHandle(HANDLE h)
{
    ++g_io.handlesClosed;
    return realCloseHandle(h);
}
HGLOBAL WINAPI CountGlobalAlloc(UINT flags, SIZE_T n)
{
    ++g_io.allocs;
    return realGlobalAlloc(flags, n);
}
HGLOBAL WINAPI CountGlobalFree(HGLOBAL h)
{
    ++g_io.frees;
    return realGlobalFree(h);
}
BOOL WINAPI CountFreeResource(HGLOBAL h)
{
    ++g_io.resourcesFreed;
    return realFreeResource(h);
}

const char kFolder[] = "C:\\orveline-loader-test";

void WriteBytes(const std::string& path, const Bytes& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
}

void FreeBlock(uint8_t* block)
{
    HGLOBAL h = GlobalHandle(block);
    GlobalUnlock(h);
    GlobalFree(h);
}

uint32_t PixelAt(const Surface& s, int32_t x, int32_t y)
{
    const uint8_t* p = s.bits + s.rowOffsets[y] + x * s.bytesPerPixel;
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}

// The colours a crafted picture shows once drawn into a 32-bit surface;
// false for the few whose pixels are filler.
bool ExpectedPixel(const bmp::Case& c, int32_t x, int32_t y, uint32_t* pixel)
{
    switch (c.bits) {
    case 32:
        *pixel = bmp::Pattern(x, y);
        return true;
    case 24:
        *pixel = bmp::Pattern(x, y) & 0xFFFFFF;
        return true;
    case 8:
        *pixel = bmp::TableColour(bmp::PatternIndex(x, y, c.colorCount < 256 ? c.colorCount : 256));
        return true;
    case 1:  // rows of 0xA5: bits 1010 0101, then 1
        *pixel = bmp::TableColour(x < 8 ? 0xA5 >> (7 - x) & 1 : 1);
        return true;
    default:
        return false;
    }
}

std::string FirstMismatch(const bmp::Case& c, const Surface& s)
{
    uint32_t expected;
    for (int32_t y = 0; y < s.height; ++y)
        for (int32_t x = 0; x < s.width; ++x)
            if (ExpectedPixel(c, x, y, &expected) && PixelAt(s, x, y) != expected) {
                char text[96];
                std::snprintf(text, sizeof text, "pixel (%d, %d) is %08X, expected %08X", x, y,
                              unsigned(PixelAt(s, x, y)), unsigned(expected));
                return text;
            }
    return "";
}

class LoaderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(CountDeviceContexts());
        ASSERT_TRUE(InstallImportHooks({
            {realCreateFile, "kernel32.dll", "CreateFileA", &CountCreateFile},
            {realReadFile, "kernel32.dll", "ReadFile", &CountReadFile},
            {realCloseHandle, "kernel32.dll", "CloseHandle", &CountCloseHandle},
            {realGlobalAlloc, "kernel32.dll", "GlobalAlloc", &CountGlobalAlloc},
            {realGlobalFree, "kernel32.dll", "GlobalFree", &CountGlobalFree},
            {realFreeResource, "kernel32.dll", "FreeResource", &CountFreeResource},
        }));
        CreateDirectoryA(kFolder, nullptr);
        ASSERT_TRUE(SetCurrentDirectoryA(kFolder));
        InitDisplay(nullptr);  // no window: a palette block, no back buffer
        ASSERT_NE(g_hPaletteMem, nullptr);
    }
    static void TearDownTestSuite()
    {
        ShutdownDisplay();
        SetCurrentDirectoryA("C:\\");
        for (const std::string& f : written_)
            DeleteFileA(f.c_str());
        RemoveDirectoryA(kFolder);
    }
    void SetUp() override
    {
        g_io = IoCounts{};
        g_dcCounts = DcCounts{};
        g_baseDir[0] = '\0';
        std::memset(GlobalLock(g_hPaletteMem), 0xA7, 8192);
        GlobalUnlock(g_hPaletteMem);
    }
    void TearDown() override
    {
        DestroySurface(&surface_);
        g_baseDir[0] = '\0';
    }
    static void Write(const std::string& path, const Bytes& bytes)
    {
        WriteBytes(path, bytes);
        written_.push_back(path);
    }
    static Bytes PaletteBlock()
    {
        auto* p = static_cast<uint8_t*>(GlobalLock(g_hPaletteMem));
        Bytes b(p, p + 8192);
        GlobalUnlock(g_hPaletteMem);
        return b;
    }
    // Every handle the loader opened is closed, every block it allocated is
    // freed, every context it took is given back.
    void ExpectAllReleased()
    {
        EXPECT_EQ(g_io.handlesOpened, g_io.handlesClosed);
        EXPECT_EQ(g_io.allocs, g_io.frees);
        EXPECT_TRUE(g_dcCounts.balanced());
    }

    Surface surface_{};
    static inline std::vector<std::string> written_;
};

TEST_F(LoaderTest, ReaderTakesHeaderSizesTwelveAndSixteenUp)
{
    for (uint32_t size : {12u, 16u, 40u, 108u, 124u, 0u, 11u, 13u, 14u, 15u}) {
        Bytes packed = bmp::Join({bmp::Header({40, 2, 2, 32}), bmp::Rows32(2, 2), Bytes(100, 0)});
        bmp::Put(packed, 0, size, 4);
        Write("sizes.bmp", bmp::File(packed));
        g_io = IoCounts{};
        uint8_t* block = ReadBitmapFile("sizes.bmp");
        EXPECT_EQ(block != nullptr, size == 12 || size >= 16) << size;
        if (block) {
            EXPECT_EQ(std::memcmp(block, packed.data(), packed.size()), 0) << size;
            FreeBlock(block);
        }
        ExpectAllReleased();
    }
}

// The file is read in pieces of 16 KiB, exactly up to bfSize, and an
// announcement larger than the file, or of no bytes at all, is refused
// before anything is allocated.
TEST_F(LoaderTest, ReaderReadsExactlyWhatTheHeaderAnnounces)
{
    const Bytes packed = bmp::Join({bmp::Header({40, 100, 100, 32}), Bytes(40000 - 40, 0x3C)});
    Bytes file = bmp::File(packed);
    file.insert(file.end(), 5000, 0xEE);  // beyond bfSize
    Write("pieces.bmp", file);
    uint8_t* block = ReadBitmapFile("pieces.bmp");
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(g_io.reads, (std::vector<DWORD>{14, 16384, 16384, 7232}));
    EXPECT_EQ(GlobalSize(GlobalHandle(block)), 40000u);
    EXPECT_EQ(std::memcmp(block, packed.data(), packed.size()), 0);
    FreeBlock(block);

    for (int64_t delta : {int64_t(1), -int64_t(packed.size()), -int64_t(packed.size()) - 14}) {
        Write("liar.bmp", bmp::File(packed, delta));
        g_io = IoCounts{};
        EXPECT_EQ(ReadBitmapFile("liar.bmp"), nullptr) << delta;
        EXPECT_EQ(g_io.allocs, 0) << delta;
        ExpectAllReleased();
    }
    Write("short.bmp", Bytes{'B', 'M', 20, 0, 0, 0});
    EXPECT_EQ(ReadBitmapFile("short.bmp"), nullptr);
}

// Not in the current folder: "\name", the root of the current drive; with a
// base folder that leaves no room for the name, no second attempt.
TEST_F(LoaderTest, ReaderFallsBackToTheDriveRoot)
{
    const Bytes file = bmp::File(bmp::Cases()[0].packed);
    Write("C:\\orveline-root-test.bmp", file);
    uint8_t* block = ReadBitmapFile("orveline-root-test.bmp");
    ASSERT_NE(block, nullptr);
    FreeBlock(block);
    EXPECT_EQ(g_io.opened,
              (std::vector<std::string>{"orveline-root-test.bmp", "\\orveline-root-test.bmp"}));

    g_io = IoCounts{};
    EXPECT_EQ(ReadBitmapFile("nowhere.bmp"), nullptr);
    EXPECT_EQ(g_io.opened.size(), 2u);
    EXPECT_EQ(g_io.handlesOpened, 0);

    // 259 characters in all still fit; 260 do not.
    const std::string name = "orveline-root-test.bmp";
    std::string base = "C:\\" + std::string(259 - 1 - name.size() - 3, 'd');
    std::strcpy(g_baseDir, base.c_str());
    g_io = IoCounts{};
    EXPECT_EQ(ReadBitmapFile("orveline-root-test.bmp"), nullptr);
    EXPECT_EQ(g_io.opened.size(), 2u);
    base += 'd';
    std::strcpy(g_baseDir, base.c_str());
    g_io = IoCounts{};
    EXPECT_EQ(ReadBitmapFile("orveline-root-test.bmp"), nullptr);
    EXPECT_EQ(g_io.opened.size(), 1u);
}

// The resource of that name wins over a file of that name, whatever the
// case of the name, and the file is not even opened.
TEST_F(LoaderTest, ResourceWinsAndIgnoresCase)
{
    Write("Tal800", bmp::File(bmp::Cases()[0].packed));
    for (const char* name : {"Tal800", "tal800", "TAL800"}) {
        Surface s{};
        ASSERT_EQ(LoadSurfaceImage(name, &s, 0, 0, g_hPaletteMem, g_hPalette), 1) << name;
        EXPECT_EQ(s.width, 195) << name;
        EXPECT_EQ(s.height, 145) << name;
        DestroySurface(&s);
    }
    EXPECT_TRUE(g_io.opened.empty());
    EXPECT_EQ(g_io.resourcesFreed, 3);
    ExpectAllReleased();
}

TEST_F(LoaderTest, ShippedPictureLandsUprightAndUnchanged)
{
    HRSRC found = FindResourceA(nullptr, "TAL1280", MAKEINTRESOURCEA(2));
    ASSERT_NE(found, nullptr);
    ASSERT_EQ(SizeofResource(nullptr, found), 299300u);
    const auto* packed = static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, found)));

    ASSERT_EQ(LoadSurfaceImage("Tal1280", &surface_, 0, 0, g_hPaletteMem, g_hPalette), 1);
    EXPECT_EQ(surface_.width, 317);
    EXPECT_EQ(surface_.height, 236);
    EXPECT_EQ(surface_.bytesPerPixel, 4);
    EXPECT_EQ(surface_.pitch, 1268u);
    EXPECT_STREQ(surface_.name, "Tal1280");
    EXPECT_EQ(surface_.colorKey, 0u);
    for (int32_t y = 0; y < 236; ++y)
        ASSERT_EQ(std::memcmp(surface_.bits + surface_.rowOffsets[y],
                              packed + 52 + (235 - y) * 1268, 1268),
                  0)
            << "row " << y;
    EXPECT_EQ(PaletteBlock(), Bytes(8192, 0xA7));  // no colour table, nothing written
    DestroySurface(&surface_);
    ExpectAllReleased();
}

// Every crafted picture the loader takes, from a file into an empty record:
// its size, its pixels as the platform or the row copy draws them, the key
// from its top-left pixel, and for indexed ones the palette block.
TEST_F(LoaderTest, CraftedPicturesLoadAsCrafted)
{
    for (const bmp::Case& c : bmp::Cases()) {
        if (!c.accepted)
            continue;
        SCOPED_TRACE(c.name);
        Write("crafted.bmp", bmp::File(c.packed, 0, 0xDEADBEEF));  // bfOffBits is never used
        SetUp();
        Surface s{};
        ASSERT_EQ(LoadSurfaceImage("crafted.bmp", &s, 0, 0, g_hPaletteMem, g_hPalette), 1);
        EXPECT_EQ(s.width, c.width);
        EXPECT_EQ(s.height, c.height);
        EXPECT_STREQ(s.name, "crafted.bmp");
        EXPECT_EQ(FirstMismatch(c, s), "");
        EXPECT_EQ(s.colorKey, PixelAt(s, 0, 0));
        if (c.bits == 32)
            EXPECT_NE(s.colorKey >> 24, 0u);  // the pattern's alpha there is 1: an active key
        else
            EXPECT_EQ(s.colorKey >> 24, 0u);

        const Bytes block = PaletteBlock();
        if (c.colorCount == 0) {
            EXPECT_EQ(block, Bytes(8192, 0xA7));
        } else {
            EXPECT_EQ(block[0] | block[1] << 8, 0x300);
            EXPECT_EQ(uint32_t(block[2] | block[3] << 8), c.colorCount);
            uint32_t last = bmp::TableColour(c.colorCount - 1);
            const uint8_t* entry = &block[4 + 4 * (c.colorCount - 1)];
            EXPECT_EQ(entry[0] | entry[1] << 8 | entry[2] << 16 | entry[3] << 24,
                      (last >> 16 & 0xFF) | (last & 0xFF00) | (last & 0xFF) << 16);
        }
        DestroySurface(&s);
        ExpectAllReleased();
    }
}

// A refused picture changes nothing: not the record, not a live surface,
// not the palette block; and it gives back what it read.
TEST_F(LoaderTest, RefusedPicturesChangeNothing)
{
    Surface live{};
    ASSERT_EQ(CreateSurface(&live, 9, 9, 32, "live"), 1);
    std::memset(live.bits, 0x42, live.pitch * 9);
    live.colorKey = 0x12345678;
    const Surface liveBefore = live;
    for (const bmp::Case& c : bmp::Cases()) {
        if (c.accepted)
            continue;
        SCOPED_TRACE(c.name);
        Write("refused.bmp", bmp::File(c.packed));
        SetUp();
        Surface empty{};
        EXPECT_EQ(LoadSurfaceImage("refused.bmp", &empty, 0, 0, g_hPaletteMem, g_hPalette), 0);
        EXPECT_EQ(empty.hBitmap, nullptr);
        EXPECT_EQ(LoadSurfaceImage("refused.bmp", &live, 0, 0, g_hPaletteMem, g_hPalette), 0);
        EXPECT_EQ(std::memcmp(&live, &liveBefore, sizeof live), 0);
        EXPECT_EQ(std::count(live.bits, live.bits + live.pitch * 9, 0x42), 9 * 36);
        EXPECT_EQ(PaletteBlock(), Bytes(8192, 0xA7));
        EXPECT_EQ(g_dcCounts.taken(), 0);
        ExpectAllReleased();
    }
    DestroySurface(&live);
}

// Into a surface that has pixels: size and name stay, only the covered
// pixels change, and the key is the surface's top-left pixel, covered or
// not. A 32-bit picture is not forced into a surface of another depth.
TEST_F(LoaderTest, LiveSurfaceKeepsItsShape)
{
    const bmp::Case shipped = bmp::Cases()[0];  // 5 x 3, 32 bits
    Write("small.bmp", bmp::File(shipped.packed));
    ASSERT_EQ(CreateSurface(&surface_, 12, 8, 32, "live"), 1);
    std::memset(surface_.bits, 0x42, surface_.pitch * 8);
    ASSERT_EQ(LoadSurfaceImage("small.bmp", &surface_, 4, 2, g_hPaletteMem, g_hPalette), 1);
    EXPECT_EQ(surface_.width, 12);
    EXPECT_EQ(surface_.height, 8);
    EXPECT_STREQ(surface_.name, "live");
    EXPECT_EQ(surface_.colorKey, 0x42424242u);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 12; ++x) {
            bool covered = x >= 4 && x < 9 && y >= 2 && y < 5;
            ASSERT_EQ(PixelAt(surface_, x, y), covered ? bmp::Pattern(x - 4, y - 2) : 0x42424242u)
                << x << ", " << y;
        }

    Surface deep{};
    ASSERT_EQ(CreateSurface(&deep, 12, 8, 24, "deep"), 1);
    EXPECT_EQ(LoadSurfaceImage("small.bmp", &deep, 0, 0, g_hPaletteMem, g_hPalette), 0);
    DestroySurface(&deep);
    DestroySurface(&surface_);
    ExpectAllReleased();
}

// A PNG resource comes before the bitmap of its name, and gives the pixels
// and key the bitmap of the same picture gives. A damaged one counts as
// absent: the bitmap resource is taken, or where there is none, the file.
// Each resource found is freed, and the block the rows were inflated into.
TEST_F(LoaderTest, PngResourceComesFirstAndADamagedOneCountsAsAbsent)
{
    for (const char* name : {"SPLASH", "DAMAGED", "DAMAGEDALONE"})
        ASSERT_NE(FindResourceA(nullptr, name, "PNG"), nullptr) << name;
    Surface bitmap{};
    ASSERT_EQ(LoadSurfaceImage("TAL800", &bitmap, 0, 0, g_hPaletteMem, g_hPalette), 1);
    ASSERT_EQ(LoadSurfaceImage("Splash", &surface_, 0, 0, g_hPaletteMem, g_hPalette), 1);
    ASSERT_EQ(surface_.width, 195) << "the bitmap was taken";
    ASSERT_EQ(surface_.height, 145);
    EXPECT_STREQ(surface_.name, "Splash");
    for (int32_t y = 0; y < 145; ++y)
        ASSERT_EQ(std::memcmp(surface_.bits + surface_.rowOffsets[y],
                              bitmap.bits + bitmap.rowOffsets[y], 195 * 4),
                  0)
            << "row " << y;
    EXPECT_EQ(surface_.colorKey, bitmap.colorKey);
    EXPECT_EQ(PaletteBlock(), Bytes(8192, 0xA7));
    DestroySurface(&bitmap);
    DestroySurface(&surface_);

    Write("DamagedAlone", bmp::File(bmp::Cases()[0].packed));
    const struct {
        const char* name;
        int32_t width;
    } fallbacks[] = {{"Damaged", 195}, {"DamagedAlone", 5}};
    for (const auto& f : fallbacks) {
        Surface s{};
        ASSERT_EQ(LoadSurfaceImage(f.name, &s, 0, 0, g_hPaletteMem, g_hPalette), 1) << f.name;
        EXPECT_EQ(s.width, f.width) << f.name;
        DestroySurface(&s);
    }
    EXPECT_EQ(g_io.opened, (std::vector<std::string>{"DamagedAlone"}));
    EXPECT_EQ(g_io.resourcesFreed, 5);
    ExpectAllReleased();

    EXPECT_EQ(HasPictureResource("DamagedAlone"), 1);
    EXPECT_EQ(HasPictureResource("tal800"), 1);
    EXPECT_EQ(HasPictureResource("Nowhere"), 0);
}

// When the surface cannot be made, the picture is still given back.
TEST_F(LoaderTest, FailedCreationReleasesThePicture)
{
    Write("small.bmp", bmp::File(bmp::Cases()[0].packed));
    {
        HandleSqueeze squeeze(0);
        EXPECT_EQ(LoadSurfaceImage("small.bmp", &surface_, 0, 0, g_hPaletteMem, g_hPalette), 0);
        EXPECT_EQ(LoadSurfaceImage("Tal800", &surface_, 0, 0, g_hPaletteMem, g_hPalette), 0);
    }
    EXPECT_EQ(surface_.hBitmap, nullptr);
    EXPECT_EQ(g_io.resourcesFreed, 1);
    ExpectAllReleased();
}

}  // namespace
