// Finding a picture among the program's resources or on disk, and drawing it
// into a surface: a PNG resource (png_win32.cpp) before a bitmap. What a
// bitmap's bytes mean is decided in bitmap_format.cpp; this file only
// fetches them, hands them over and gives them back.
#include "surface_win32.h"

char g_baseDir[260];

namespace {

enum { kReadPiece = 0x4000, kPathSize = 260 };

HANDLE OpenForReading(const char* path)
{
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

// The name alone, then the base directory, whose path must fit with its
// separator and terminator: a longer one is not tried at all.
HANDLE OpenBitmapFile(const char* fileName)
{
    HANDLE file = OpenForReading(fileName);
    if (file != INVALID_HANDLE_VALUE)
        return file;
    if (lstrlenA(g_baseDir) + 1 + lstrlenA(fileName) > kPathSize - 1)
        return INVALID_HANDLE_VALUE;
    char path[kPathSize];
    wsprintfA(path, "%s\\%s", g_baseDir, fileName);
    return OpenForReading(path);
}

void FreeBlock(uint8_t* block)
{
    HGLOBAL handle = GlobalHandle(block);
    GlobalUnlock(handle);
    GlobalFree(handle);
}

// Reads size bytes in pieces, the way a slow medium such as a disc is read.
int ReadPieces(HANDLE file, uint8_t* block, uint32_t size)
{
    uint32_t offset = 0;
    while (offset < size) {
        DWORD piece = size - offset < (uint32_t)kReadPiece ? size - offset : (uint32_t)kReadPiece;
        DWORD got = 0;
        if (!ReadFile(file, block + offset, piece, &got, nullptr) || got != piece)
            return 0;
        offset += piece;
    }
    return 1;
}

// Reads the block a file header announces, having checked the announcement
// against the file's real size before anything is allocated.
uint8_t* ReadAnnouncedBlock(HANDLE file, uint32_t* size)
{
    uint8_t header[kBitmapFileHeaderSize];
    DWORD got = 0;
    if (!ReadFile(file, header, sizeof header, &got, nullptr) || got != sizeof header)
        return nullptr;
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return nullptr;
    uint32_t blockSize = BitmapFileBlockSize(header, (uint64_t)high << 32 | low);
    if (blockSize == 0)
        return nullptr;

    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, blockSize);
    uint8_t* block = handle ? (uint8_t*)GlobalLock(handle) : nullptr;
    if (block == nullptr) {
        if (handle)
            GlobalFree(handle);
        return nullptr;
    }
    if (!ReadPieces(file, block, blockSize)) {
        FreeBlock(block);
        return nullptr;
    }
    *size = blockSize;
    return block;
}

// Draws a picture of any depth but 32 bits through the platform's
// conversion, which takes its colours from the picture's own table.
void ConvertPixels(Surface* surface, int32_t x, int32_t y, const uint8_t* packed,
                   const BitmapLayout* layout, HPALETTE palette)
{
    // Aligned for the platform's header record.
    uint32_t info[kConversionInfoSize / 4];
    BuildConversionInfo(packed, layout, (uint8_t*)info);

    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBitmap = SelectObject(dc, surface->hBitmap);
    HPALETTE oldPalette = nullptr;
    if (layout->colorCount != 0 && palette) {
        oldPalette = SelectPalette(dc, palette, FALSE);
        RealizePalette(dc);
    }
    StretchDIBits(dc, x, y, layout->width, layout->height, 0, 0, layout->width, layout->height,
                  packed + layout->pixels, (const BITMAPINFO*)info, DIB_RGB_COLORS, SRCCOPY);
    if (oldPalette)
        SelectPalette(dc, oldPalette, FALSE);
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
}

}  // namespace

uint8_t* ReadBitmapBlock(const char* fileName, uint32_t* size)
{
    HANDLE file = OpenBitmapFile(fileName);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    uint32_t blockSize = 0;
    uint8_t* block = ReadAnnouncedBlock(file, &blockSize);
    CloseHandle(file);
    if (block && !CheckBitmapHeaderSize(block, blockSize)) {
        FreeBlock(block);
        return nullptr;
    }
    *size = blockSize;
    return block;
}

uint8_t* ReadBitmapFile(const char* fileName)
{
    uint32_t size = 0;
    return ReadBitmapBlock(fileName, &size);
}

namespace {

// A bitmap, from the program's resources or else from a file.
int DrawBitmap(const char* imageName, Surface* surface, int32_t x, int32_t y, HGLOBAL paletteBlock,
               HPALETTE palette)
{
    const uint8_t* packed = nullptr;
    uint32_t size = 0;
    HGLOBAL resource = nullptr;
    HRSRC found = FindResourceA(nullptr, imageName, RT_BITMAP);
    if (found) {
        resource = LoadResource(nullptr, found);
        packed = resource ? (const uint8_t*)LockResource(resource) : nullptr;
        size = SizeofResource(nullptr, found);
    } else {
        packed = ReadBitmapBlock(imageName, &size);
    }
    if (packed == nullptr) {
        if (resource)
            FreeResource(resource);
        return 0;
    }

    BitmapLayout layout;
    int accepted = ReadBitmapLayout(packed, size, &layout);
    // 32-bit pixels are copied byte for byte, which only a 32-bit surface
    // can take; other depths are converted into whatever the surface holds.
    if (accepted && surface->bits && layout.bitCount == 32 && surface->bytesPerPixel != 4)
        accepted = 0;

    int drawn = 0;
    if (accepted) {
        // The colour table goes into the display's palette block, where
        // pictures' colours have always gone. Inside the program no one
        // reads these entries back: the palette was made from the block
        // before any picture came and is not rebuilt. The loader's tests
        // read them, and so would a display that rebuilt its palette.
        uint8_t* block = nullptr;
        if (layout.colorCount != 0 && paletteBlock)
            block = (uint8_t*)GlobalLock(paletteBlock);
        if (block) {
            WritePaletteEntries(block, packed, &layout);
            GlobalUnlock(paletteBlock);
        }
        if (surface->bits == nullptr)
            CreateSurface(surface, layout.width, layout.height, 32, imageName);
        if (surface->bits) {
            if (layout.bitCount == 32)
                CopyBitmapRows(surface, x, y, packed, &layout);
            else
                ConvertPixels(surface, x, y, packed, &layout, palette);
            drawn = 1;
        }
    }

    if (resource)
        FreeResource(resource);
    else
        FreeBlock((uint8_t*)packed);
    return drawn;
}

}  // namespace

int HasPictureResource(const char* imageName)
{
    return FindResourceA(nullptr, imageName, kPngResourceType) != nullptr ||
           FindResourceA(nullptr, imageName, RT_BITMAP) != nullptr;
}

int LoadSurfaceImage(const char* imageName, Surface* surface, int32_t x, int32_t y,
                     HGLOBAL paletteBlock, HPALETTE palette)
{
    int drawn = DrawPngResource(imageName, surface, x, y) ||
                DrawBitmap(imageName, surface, x, y, paletteBlock, palette);
    if (drawn) {
        const uint8_t* topLeft = surface->bits;
        surface->colorKey = (uint32_t)topLeft[0] | (uint32_t)topLeft[1] << 8 |
                            (uint32_t)topLeft[2] << 16 | (uint32_t)topLeft[3] << 24;
    }
    return drawn;
}
