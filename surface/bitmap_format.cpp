// The part of bitmap loading that needs no platform: what a bitmap's headers
// say, whether the bytes behind them are really there, and the copies that
// follow from them. Every field is read byte by byte: the data may sit at any
// address and comes from outside the program.
#include "surface.h"

#include <string.h>

namespace {

enum {
    kCoreHeaderSize = 12,
    kInfoHeaderSize = 40,
    kMasksSize = 12,
    kCompressionPlain = 0,
    kCompressionRle8 = 1,
    kCompressionRle4 = 2,
    kCompressionBitFields = 3,
};

uint32_t Read16(const uint8_t* p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8;
}

uint32_t Read32(const uint8_t* p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

void Write16(uint8_t* p, uint32_t value)
{
    p[0] = (uint8_t)value;
    p[1] = (uint8_t)(value >> 8);
}

void Write32(uint8_t* p, uint32_t value)
{
    Write16(p, value);
    Write16(p + 2, value >> 16);
}

// Fields a header shorter than 40 bytes does not hold count as 0, the way the
// short OS/2 headers are meant.
uint32_t ReadField(const uint8_t* packed, uint32_t headerSize, uint32_t offset)
{
    return offset + 4 <= headerSize ? Read32(packed + offset) : 0;
}

// Whether the platform's conversion understands this depth with this
// compression; 32-bit pictures are copied directly but must still say they
// are plain pixels.
int DepthMatchesCompression(uint32_t bitCount, uint32_t compression)
{
    switch (compression) {
    case kCompressionPlain:
        return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 ||
               bitCount == 24 || bitCount == 32;
    case kCompressionRle8:
        return bitCount == 8;
    case kCompressionRle4:
        return bitCount == 4;
    case kCompressionBitFields:
        return bitCount == 16 || bitCount == 32;
    default:
        return 0;
    }
}

int IsRunLength(uint32_t compression)
{
    return compression == kCompressionRle8 || compression == kCompressionRle4;
}

// Masks the platform can apply: each one unbroken run of bits inside the
// pixel, none empty, none sharing a bit with another.
int MasksAreSound(const uint8_t* masks, uint32_t bitCount)
{
    uint32_t seen = 0;
    for (int i = 0; i < 3; ++i) {
        uint32_t mask = Read32(masks + 4 * i);
        uint32_t lowest = mask & (0u - mask);
        if (mask == 0 || (mask & seen) != 0 || ((mask + lowest) & mask) != 0 ||
            (bitCount < 32 && mask >> bitCount != 0))
            return 0;
        seen |= mask;
    }
    return 1;
}

}  // namespace

uint32_t BitmapFileBlockSize(const uint8_t* header, uint64_t fileSize)
{
    if (Read16(header) != 0x4D42)  // "BM"
        return 0;
    uint32_t fileBytes = Read32(header + 2);
    if (fileBytes <= kBitmapFileHeaderSize || fileBytes > fileSize)
        return 0;
    return fileBytes - kBitmapFileHeaderSize;
}

int CheckBitmapHeaderSize(const uint8_t* packed, uint32_t size)
{
    if (size < 4)
        return 0;
    uint32_t headerSize = Read32(packed);
    return headerSize == kCoreHeaderSize || headerSize >= 16;
}

int ReadBitmapLayout(const uint8_t* packed, uint32_t size, BitmapLayout* layout)
{
    if (!CheckBitmapHeaderSize(packed, size))
        return 0;
    uint32_t headerSize = Read32(packed);
    if (headerSize > size)
        return 0;

    BitmapLayout l;
    memset(&l, 0, sizeof l);
    int64_t height;
    uint32_t clrUsed;
    uint32_t sizeImage;
    if (headerSize == kCoreHeaderSize) {
        // The old core header: unsigned 16-bit sizes, 3-byte colours, no
        // compression and no count of colours.
        l.width = (int32_t)Read16(packed + 4);
        height = Read16(packed + 6);
        l.bitCount = Read16(packed + 10);
        clrUsed = 0;
        sizeImage = 0;
        l.colorEntrySize = 3;
    } else {
        l.width = (int32_t)Read32(packed + 4);
        height = (int32_t)Read32(packed + 8);
        l.bitCount = Read16(packed + 14);
        l.compression = ReadField(packed, headerSize, 16);
        sizeImage = ReadField(packed, headerSize, 20);
        clrUsed = ReadField(packed, headerSize, 32);
        l.colorEntrySize = 4;
    }

    if (l.width <= 0 || l.width > kBitmapMaxSide)
        return 0;
    // Negative heights store the rows top-down. Taking the size in 64 bits
    // keeps the most negative height from overflowing; the cap refuses it.
    l.topDown = height < 0;
    if (height < 0)
        height = -height;
    if (height == 0 || height > kBitmapMaxSide)
        return 0;
    l.height = (int32_t)height;

    if (!DepthMatchesCompression(l.bitCount, l.compression))
        return 0;
    int runLength = IsRunLength(l.compression);
    // Run-length pictures can only be stored bottom-up.
    if (runLength && l.topDown)
        return 0;

    // The masks of bit fields follow a 40-byte header and lie inside every
    // longer header that is meant to carry them (52 bytes and up).
    uint64_t tableOffset = headerSize;
    if (l.compression == kCompressionBitFields) {
        if (headerSize == kInfoHeaderSize) {
            l.masks = kInfoHeaderSize;
            tableOffset += kMasksSize;
        } else if (headerSize >= kInfoHeaderSize + kMasksSize) {
            l.masks = kInfoHeaderSize;
        } else {
            return 0;
        }
    }

    if (clrUsed != 0)
        l.colorCount = clrUsed;
    else if (l.bitCount < 16)
        l.colorCount = 1u << l.bitCount;
    // Every bound is taken in 64 bits, so no count from the header can wrap
    // a sum round to a small offset.
    uint64_t pixels = tableOffset + (uint64_t)l.colorCount * l.colorEntrySize;
    if (pixels > size)
        return 0;

    uint64_t rowBytes = ((uint64_t)l.width * l.bitCount + 31) / 32 * 4;
    uint64_t pixelBytes = runLength ? sizeImage : rowBytes * (uint64_t)l.height;
    if (pixelBytes == 0 || pixelBytes > size - pixels)
        return 0;
    // 32-bit pixels are copied as they are, whatever their masks say.
    if (l.masks != 0 && l.bitCount != 32 && !MasksAreSound(packed + l.masks, l.bitCount))
        return 0;

    l.colorTable = (uint32_t)tableOffset;
    l.pixels = (uint32_t)pixels;
    l.rowBytes = (uint32_t)rowBytes;
    l.pixelBytes = (uint32_t)pixelBytes;
    *layout = l;
    return 1;
}

void BuildConversionInfo(const uint8_t* packed, const BitmapLayout* layout, uint8_t* info)
{
    memset(info, 0, kConversionInfoSize);
    Write32(info, kInfoHeaderSize);
    Write32(info + 4, (uint32_t)layout->width);
    Write32(info + 8, layout->topDown ? (uint32_t)-layout->height : (uint32_t)layout->height);
    Write16(info + 12, 1);
    Write16(info + 14, layout->bitCount);
    Write32(info + 16, layout->compression);
    // For run-length data this is where the platform stops reading.
    Write32(info + 20, IsRunLength(layout->compression) ? layout->pixelBytes : 0);

    uint8_t* table = info + kInfoHeaderSize;
    if (layout->masks != 0) {
        memcpy(info + kInfoHeaderSize, packed + layout->masks, kMasksSize);
        table += kMasksSize;
    }
    if (layout->bitCount > 8)
        return;  // deeper pixels are their own colours
    uint32_t entries = 1u << layout->bitCount;
    Write32(info + 32, entries);
    for (uint32_t i = 0; i < entries && i < layout->colorCount; ++i) {
        const uint8_t* colour = packed + layout->colorTable + i * layout->colorEntrySize;
        memcpy(table + 4 * i, colour, 3);  // blue, green, red; the fourth stays 0
    }
}

void WritePaletteEntries(uint8_t* block, const uint8_t* packed, const BitmapLayout* layout)
{
    uint32_t count = layout->colorCount;
    if (count > kPaletteMaxEntries)
        count = kPaletteMaxEntries;
    Write16(block, 0x300);
    // The count says what was written, so a palette made from the block never
    // reaches past its end.
    Write16(block + 2, count);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* colour = packed + layout->colorTable + i * layout->colorEntrySize;
        uint8_t* entry = block + 4 + 4 * i;
        entry[0] = colour[2];
        entry[1] = colour[1];
        entry[2] = colour[0];
        entry[3] = 0;
    }
}

void CopyBitmapRows(Surface* surface, int32_t x, int32_t y, const uint8_t* packed,
                    const BitmapLayout* layout)
{
    // The picture's columns and rows that land inside the surface.
    int64_t firstColumn = x < 0 ? -(int64_t)x : 0;
    int64_t endColumn = (int64_t)surface->width - x;
    if (endColumn > layout->width)
        endColumn = layout->width;
    int64_t firstRow = y < 0 ? -(int64_t)y : 0;
    int64_t endRow = (int64_t)surface->height - y;
    if (endRow > layout->height)
        endRow = layout->height;
    if (firstColumn >= endColumn || firstRow >= endRow)
        return;

    size_t bytes = (size_t)(endColumn - firstColumn) * 4;
    for (int64_t row = firstRow; row < endRow; ++row) {
        int64_t stored = layout->topDown ? row : layout->height - 1 - row;
        const uint8_t* from =
            packed + layout->pixels + (size_t)stored * layout->rowBytes + (size_t)firstColumn * 4;
        uint8_t* to = surface->bits + surface->rowOffsets[y + row] + (x + firstColumn) * 4;
        memcpy(to, from, bytes);
    }
}
