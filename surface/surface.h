// Surfaces: pixel buffers the program addresses itself, and everything done
// to their pixels. The pixel routines here take live 32-bit surfaces and
// blocks the caller has already kept inside them; they neither clip nor test.
// Everything here needs no platform; surface_win32.h adds what does.
#pragma once

#include <stdint.h>

#ifdef _WIN32
#include <windows.h>
#else
// The record and the routines name a few platform types; off Windows only
// the types are needed, never a function that would take them.
typedef struct HBITMAP__* HBITMAP;
typedef uint32_t COLORREF;  // red in bits 0-7, green 8-15, blue 16-23
struct RECT {
    int32_t left, top, right, bottom;
};
#endif

enum { kSurfaceNameSize = 260, kSurfaceNameMax = 255 };

struct Surface {
    HBITMAP hBitmap;  // null: the record holds no surface
    uint8_t* bits;    // first byte of the top row
    int32_t width;
    int32_t height;
    int32_t bytesPerPixel;
    uint32_t pitch;  // bytes from one row to the next, a multiple of 4
    char name[kSurfaceNameSize];
    uint32_t colorKey;    // blue, green, red, and a top byte that makes it active
    int32_t* rowOffsets;  // height entries, entry j = j * pitch
};

// Zeroes the record, then stores the sizes and the pitch. Returns 0, leaving
// the record zero, for sizes that cannot describe a surface: a side of zero
// or less, a depth other than 16, 24 or 32 bits, or a pixel array whose last
// row would start beyond what a signed 32-bit row offset can hold.
int SetSurfaceLayout(Surface* surface, int32_t width, int32_t height, int32_t bitsPerPixel);
// Entry j of rowOffsets becomes j * pitch, for every row of the surface.
void FillRowOffsets(Surface* surface);
// Stores at most kSurfaceNameMax characters and a NUL; a null name is empty.
void SetSurfaceName(Surface* surface, const char* name);

// Blend rule, with a weight a from 0 to 256 for destination byte d and
// source byte s:  ((d * (256 - a)) >> 8) + ((s * a) >> 8).

// Blends a block of src into dst at a fade level from 0 to 256, weighting
// each pixel by (its alpha * level) >> 8. Byte 3 of dst is never touched.
int BlendSurface(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                 const Surface* src, int32_t srcX, int32_t srcY, int32_t level);
// Blends at the source's own alpha, leaving out pixels of the source's colour
// key when that key is active.
int BlendSurfaceKeyed(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                      const Surface* src, int32_t srcX, int32_t srcY);
// Each of the two blends above comes in three forms that give the same
// bytes: plain integer code, the reference, and SSE2 and AVX2 forms. The
// two names above pick the fastest form the processor runs, on first use.
// A fast form asked for a pixel size other than 4 falls back to the plain
// one. Calling a form the processor lacks faults: ask ProcessorFeatures.
int BlendSurfacePlain(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                      const Surface* src, int32_t srcX, int32_t srcY, int32_t level);
int BlendSurfaceSSE2(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                     const Surface* src, int32_t srcX, int32_t srcY, int32_t level);
int BlendSurfaceAVX2(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                     const Surface* src, int32_t srcX, int32_t srcY, int32_t level);
int BlendSurfaceKeyedPlain(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                           const Surface* src, int32_t srcX, int32_t srcY);
int BlendSurfaceKeyedSSE2(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                          const Surface* src, int32_t srcX, int32_t srcY);
int BlendSurfaceKeyedAVX2(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                          const Surface* src, int32_t srcX, int32_t srcY);

// What the processor offers, as far as the blends care: a feature counts
// only when the processor has CPUID and, for AVX2, the system saves the
// wide registers.
enum { kCpuMMX = 1, kCpuSSE2 = 2, kCpuAVX2 = 4 };
uint32_t ProcessorFeatures();
// The forms, in order of preference.
enum { kBlendPlain = 0, kBlendSSE2 = 1, kBlendAVX2 = 2 };
// The best form these features allow.
int32_t BestBlendForm(uint32_t features);
// Makes BlendSurface and BlendSurfaceKeyed use a form, or the best one below
// it that the processor runs; returns the form now in force.
int32_t SelectBlendForm(int32_t form);

// Raw 32-bit pixels, alpha byte blended too; alpha 0 leaves the destination,
// alpha 255 copies the source. Each skip is added to its address after a row.
// Counts of zero or less do nothing.
void BlendPixelsMMX(uint8_t* dstPixels, const uint8_t* srcPixels, int32_t rows, int32_t cols,
                    int32_t dstSkip, int32_t srcSkip);
// The same rule in plain integer code: the reference the MMX routine must match.
void BlendPixelsPlain(uint8_t* dstPixels, const uint8_t* srcPixels, int32_t rows, int32_t cols,
                      int32_t dstSkip, int32_t srcSkip);

// Copies cx x cy pixels, every byte of each, row by row from the top; the
// rows of one surface may overlap. Both surfaces must have the pixel size of
// dst. Counts of zero or less do nothing.
int CopySurfaceRect(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                    const Surface* src, int32_t srcX, int32_t srcY);
// Copies 32-bit pixels with their alpha, leaving out those whose blue, green
// and red equal the source's colorKey. The key's top byte is not looked at:
// whether a key is in force is the caller's decision.
int CopySurfaceKeyed(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                     const Surface* src, int32_t srcX, int32_t srcY);
// Narrows a block to be copied from src at (srcX, srcY) to dst at (dstX,
// dstY) to the pixels inside both surfaces, moving both corners alike, the
// way the platform's block transfer clips. Returns 0, changing nothing, when
// no pixel is left.
int ClipBlock(const Surface* dst, int32_t* dstX, int32_t* dstY, int32_t* cx, int32_t* cy,
              const Surface* src, int32_t* srcX, int32_t* srcY);
// Fills the rectangle (right and bottom excluded) of a 32-bit surface with an
// opaque colour given in COLORREF layout.
int FillSurfaceRect(Surface* surface, RECT rect, COLORREF color);
// Stores the low byte of alpha into byte 3 of every pixel of the rectangle,
// leaving the colour bytes alone.
int SetSurfaceAlpha(Surface* surface, int32_t left, int32_t top, int32_t right, int32_t bottom,
                    int32_t alpha);

// Finds the next run of pixels whose blue, green and red differ from the key
// (pixel layout) in one row of cx pixels, step bytes apart, starting the
// search at column from. Returns the run's first column and stores in *end
// the column just after its last pixel; returns cx when no run is left.
int32_t FindUnkeyedRun(const uint8_t* row, int32_t cx, int32_t step, uint32_t key, int32_t from,
                       int32_t* end);

// Bitmap loading. A packed bitmap is an info header, optional colour masks,
// a colour table and the pixel rows; a bitmap file is a 14-byte file header
// followed by one. Everything read from one is untrusted: the routines below
// check it against the bytes actually there before anything is drawn.

enum {
    kBitmapFileHeaderSize = 14,
    // Largest side accepted, wider and taller than any screen today (8K is
    // 7680 x 4320). It bounds the surface a picture can ask for to 256 MiB,
    // however few bytes a compressed picture takes.
    kBitmapMaxSide = 8192,
    // What the 8192-byte palette block holds after its 4-byte header.
    kPaletteMaxEntries = 2047,
    // A 40-byte header, three masks and 256 four-byte colours.
    kConversionInfoSize = 40 + 12 + 256 * 4,
};

// Where things lie in a packed bitmap, and its sizes, once accepted.
struct BitmapLayout {
    int32_t width;
    int32_t height;   // positive; topDown says how the rows are stored
    int32_t topDown;  // 1 when the first stored row is the top one
    uint32_t bitCount;
    uint32_t compression;     // 0 plain, 1 and 2 run-length, 3 bit fields
    uint32_t colorCount;      // colour-table entries
    uint32_t colorEntrySize;  // 4, or 3 for the 12-byte core header
    uint32_t colorTable;      // offsets from the start of the packed bitmap
    uint32_t masks;           // 0 when the picture has no colour masks
    uint32_t pixels;
    uint32_t rowBytes;    // one stored row, padded to 4 bytes
    uint32_t pixelBytes;  // what the pixel array takes, compressed or not
};

// Size of the block a bitmap file's 14-byte header asks to read after it,
// bfSize - 14. 0 when the header is not "BM", when bfSize is 14 or less, or
// when it is larger than the file.
uint32_t BitmapFileBlockSize(const uint8_t* header, uint64_t fileSize);
// 1 when a block starts with a header size the file reader lets through: 12,
// or 16 and up.
int CheckBitmapHeaderSize(const uint8_t* packed, uint32_t size);
// Reads the header of a packed bitmap of size bytes. Returns 0 for a picture
// that is malformed, too large, of a depth and compression that disagree, or
// whose masks, colour table or pixels run past the data.
int ReadBitmapLayout(const uint8_t* packed, uint32_t size, BitmapLayout* layout);
// Writes into info (kConversionInfoSize bytes) the bitmap information handed
// to the platform's conversion: a 40-byte header, the masks for bit fields,
// and for 8 bits or fewer a full table of 2^bitCount four-byte colours, so
// that no pixel can index past it.
void BuildConversionInfo(const uint8_t* packed, const BitmapLayout* layout, uint8_t* info);
// Writes the colour table into a locked palette block as a logical palette:
// version 0x300, the count, and at most kPaletteMaxEntries entries.
void WritePaletteEntries(uint8_t* block, const uint8_t* packed, const BitmapLayout* layout);
// Copies the rows of a 32-bit picture unchanged, alpha included, into a
// 32-bit surface with the picture's top-left pixel at (x, y), upright
// whichever way the rows are stored. Only the part inside the surface is
// written.
void CopyBitmapRows(Surface* surface, int32_t x, int32_t y, const uint8_t* packed,
                    const BitmapLayout* layout);

// PNG pictures, the form the branding tool stores them in as resources of
// the type "PNG". The launcher reads the kinds the tool writes: 8-bit
// samples, not interlaced, grey, RGB, grey and alpha, or RGBA, each row
// under any of the five filters. Every other kind (palettes, transparency
// chunks, other depths, interlacing) is refused, like a damaged file, so
// that the bitmap of the same name is tried instead.

struct PngLayout {
    int32_t width;
    int32_t height;
    uint32_t channels;    // samples a pixel: 1 grey, 2 grey and alpha, 3 RGB, 4 RGBA
    uint32_t rowBytes;    // a filtered row: its filter byte, then width * channels samples
    uint32_t rawBytes;    // height * rowBytes: what the image data must inflate to
    uint32_t firstData;   // offset of the first IDAT chunk
    uint32_t dataChunks;  // IDAT chunks, all in one run
};

// Judges a PNG file of size bytes. With raw null it checks everything but
// what the image data holds: the signature, the header first and within the
// bitmaps' caps, every chunk's frame and CRC, a kind that is read, one run
// of IDAT chunks, and IEND last with nothing after it; the layout then says
// how much room to give raw. With rawSize equal to layout->rawBytes, it
// checks all of that again and then the image data: zlib's header, exactly
// rawBytes inflated into raw, the Adler-32 as the last bytes of the data,
// and a known filter on every row. Returns 0, storing nothing in layout,
// for a file it refuses.
int ReadPngLayout(const uint8_t* png, uint32_t size, uint8_t* raw, uint32_t rawSize,
                  PngLayout* layout);
// Undoes the filters of the rows ReadPngLayout left in raw, in place, and
// writes the picture into a 32-bit surface with its top-left pixel at
// (x, y), as the bitmaps hold their pixels: blue, green, red and straight
// alpha, 255 where the picture has none. Only the part inside the surface
// is written.
void CopyPngRows(Surface* surface, int32_t x, int32_t y, uint8_t* raw, const PngLayout* layout);
