// The part of PNG reading that needs no platform: whether a file is one the
// launcher reads, and its rows once it is. Every field is read byte by byte
// from the file as it lies, a resource the program cannot trust; nothing
// past its last byte is read, whatever a length says.
#include "inflate.h"
#include "surface.h"

#include <string.h>

namespace {

enum {
    kSignatureSize = 8,
    kChunkFrame = 12,  // length, type, and the CRC after the body
    kHeaderSize = 13,
    kLongestChunk = 0x7FFFFFFF,
};

const uint8_t kSignature[kSignatureSize] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

constexpr uint32_t Type(const char (&name)[5])
{
    return (uint32_t)(uint8_t)name[0] << 24 | (uint32_t)(uint8_t)name[1] << 16 |
           (uint32_t)(uint8_t)name[2] << 8 | (uint8_t)name[3];
}

constexpr uint32_t kIHDR = Type("IHDR"), kIDAT = Type("IDAT"), kIEND = Type("IEND"),
                   kTRNS = Type("tRNS");

uint32_t Be32(const uint8_t* p)
{
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

// Four bytes a step, by four tables (the first the usual one, each next one
// a byte further on), made on first use: they cost the file nothing. The
// picture's image data is its bulk, and its CRC is taken in each call.
uint32_t Crc32(const uint8_t* data, uint32_t size)
{
    static uint32_t table[4][256];
    if (table[0][1] == 0) {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[0][n] = c;
        }
        for (uint32_t n = 0; n < 256; ++n)
            for (int t = 1; t < 4; ++t)
                table[t][n] = table[0][table[t - 1][n] & 0xFF] ^ (table[t - 1][n] >> 8);
    }
    uint32_t crc = 0xFFFFFFFFu;
    for (; size >= 4; size -= 4, data += 4) {
        crc ^= (uint32_t)data[0] | (uint32_t)data[1] << 8 | (uint32_t)data[2] << 16 |
               (uint32_t)data[3] << 24;
        crc = table[3][crc & 0xFF] ^ table[2][crc >> 8 & 0xFF] ^ table[1][crc >> 16 & 0xFF] ^
              table[0][crc >> 24];
    }
    for (; size > 0; --size)
        crc = table[0][(crc ^ *data++) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// Chunk types are four ASCII letters; the first one's case says whether a
// reader may skip the chunk.
int IsChunkType(uint32_t type)
{
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t c = (type >> shift & 0xFF) | 0x20;
        if (c < 'a' || c > 'z')
            return 0;
    }
    return 1;
}

int IsCritical(uint32_t type)
{
    return (type & 0x20000000) == 0;
}

// The header of a kind the launcher reads, its sides within the bitmaps'
// caps, which keep width x height x 4 and every row offset far inside 32
// bits.
int ReadHeader(const uint8_t* body, uint32_t length, PngLayout* l)
{
    if (length != kHeaderSize)
        return 0;
    uint32_t width = Be32(body), height = Be32(body + 4);
    if (width == 0 || width > kBitmapMaxSide || height == 0 || height > kBitmapMaxSide)
        return 0;
    uint32_t channels;
    switch (body[9]) {
    case 0:
        channels = 1;
        break;
    case 2:
        channels = 3;
        break;
    case 4:
        channels = 2;
        break;
    case 6:
        channels = 4;
        break;
    default:
        return 0;  // palettes, and types PNG has not
    }
    // 8-bit samples; deflate, PNG's one filter method, no interlacing.
    if (body[8] != 8 || body[10] != 0 || body[11] != 0 || body[12] != 0)
        return 0;
    l->width = (int32_t)width;
    l->height = (int32_t)height;
    l->channels = channels;
    l->rowBytes = 1 + width * channels;
    l->rawBytes = height * l->rowBytes;
    return 1;
}

enum DataRun { kNoData, kInData, kAfterData };

// One chunk after the header, by its place in the file: the IDAT chunks in
// one run, then IEND. Ancillary chunks are skipped, but for transparency,
// which would change the pixels; every other critical one (a second
// header, a palette) is refused.
int TakeChunk(uint32_t type, uint32_t length, uint32_t at, DataRun* data, PngLayout* l)
{
    if (type == kIDAT) {
        if (*data == kAfterData)
            return 0;
        if (*data == kNoData)
            l->firstData = at;
        *data = kInData;
        ++l->dataChunks;
        return 1;
    }
    if (*data == kInData)
        *data = kAfterData;
    if (type == kIEND)
        return length == 0 && *data != kNoData;
    return !IsCritical(type) && type != kTRNS;
}

// The chunks from the signature to IEND, each inside the file and intact.
int ReadChunks(const uint8_t* png, uint32_t size, PngLayout* l)
{
    if (size < kSignatureSize || memcmp(png, kSignature, kSignatureSize) != 0)
        return 0;
    DataRun data = kNoData;
    uint32_t at = kSignatureSize;
    for (;;) {
        if (size - at < kChunkFrame)
            return 0;
        uint32_t length = Be32(png + at), type = Be32(png + at + 4);
        if (length > kLongestChunk || length > size - at - kChunkFrame || !IsChunkType(type))
            return 0;
        const uint8_t* body = png + at + 8;
        if (Crc32(png + at + 4, length + 4) != Be32(body + length))
            return 0;
        int taken = at == kSignatureSize ? type == kIHDR && ReadHeader(body, length, l)
                                         : TakeChunk(type, length, at, &data, l);
        if (!taken)
            return 0;
        at += kChunkFrame + length;
        if (type == kIEND)
            return at == size;
    }
}

// The image data, which must inflate to exactly the rows and end with the
// last IDAT chunk, each row under one of the five filters.
int ReadImageData(const uint8_t* png, uint32_t size, uint8_t* raw, const PngLayout* l)
{
    ZlibSource source;
    const uint8_t* first = png + l->firstData;
    source.next = first + 8;
    source.pieceEnd = source.next + Be32(first);
    source.fileEnd = png + size;
    source.piecesLeft = l->dataChunks - 1;
    if (!InflateZlib(&source, raw, l->rawBytes) || source.next != source.pieceEnd)
        return 0;
    // Chunks left in the run may only be empty ones.
    for (; source.piecesLeft > 0; --source.piecesLeft) {
        if (Be32(source.pieceEnd + 4) != 0)
            return 0;
        source.pieceEnd += kChunkFrame;
    }
    for (uint32_t row = 0; row < (uint32_t)l->height; ++row)
        if (raw[row * l->rowBytes] > 4)
            return 0;
    return 1;
}

inline uint8_t Paeth(uint8_t a, uint8_t b, uint8_t c)
{
    int32_t pa = b > c ? b - c : c - b;
    int32_t pb = a > c ? a - c : c - a;
    int32_t pc = a + b - 2 * c;
    if (pc < 0)
        pc = -pc;
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Turns one row's samples back into the picture's, given the row above
// (null for the top row, which has zeros above it). bpp is the distance to
// the same sample of the pixel on the left.
void UndoFilter(uint8_t* row, const uint8_t* above, uint32_t n, uint32_t bpp, uint32_t filter)
{
    // With zeros above, Up adds nothing and Paeth always picks the left.
    if (above == nullptr && filter == 2)
        return;
    if (above == nullptr && filter == 4)
        filter = 1;
    uint32_t i = 0;
    switch (filter) {
    case 1:
        for (i = bpp; i < n; ++i)
            row[i] = (uint8_t)(row[i] + row[i - bpp]);
        break;
    case 2:
        for (; i < n; ++i)
            row[i] = (uint8_t)(row[i] + above[i]);
        break;
    case 3:
        if (above == nullptr) {
            for (i = bpp; i < n; ++i)
                row[i] = (uint8_t)(row[i] + (row[i - bpp] >> 1));
            break;
        }
        for (; i < bpp; ++i)
            row[i] = (uint8_t)(row[i] + (above[i] >> 1));
        for (; i < n; ++i)
            row[i] = (uint8_t)(row[i] + ((row[i - bpp] + above[i]) >> 1));
        break;
    case 4:
        for (; i < bpp; ++i)
            row[i] = (uint8_t)(row[i] + above[i]);
        for (; i < n; ++i)
            row[i] = (uint8_t)(row[i] + Paeth(row[i - bpp], above[i], above[i - bpp]));
        break;
    default:
        break;
    }
}

// Samples to the bitmaps' pixels: blue, green, red, alpha. A loop for each
// kind, so that none asks the kind again at every pixel.
void ConvertRow(uint8_t* to, const uint8_t* from, uint32_t count, uint32_t channels)
{
    uint8_t* const end = to + 4 * count;
    switch (channels) {
    case 1:
        for (; to != end; to += 4, from += 1)
            to[0] = to[1] = to[2] = from[0], to[3] = 255;
        break;
    case 2:
        for (; to != end; to += 4, from += 2)
            to[0] = to[1] = to[2] = from[0], to[3] = from[1];
        break;
    case 3:
        for (; to != end; to += 4, from += 3)
            to[0] = from[2], to[1] = from[1], to[2] = from[0], to[3] = 255;
        break;
    default:
        for (; to != end; to += 4, from += 4)
            to[0] = from[2], to[1] = from[1], to[2] = from[0], to[3] = from[3];
        break;
    }
}

}  // namespace

int ReadPngLayout(const uint8_t* png, uint32_t size, uint8_t* raw, uint32_t rawSize,
                  PngLayout* layout)
{
    PngLayout l;
    memset(&l, 0, sizeof l);
    if (!ReadChunks(png, size, &l))
        return 0;
    if (raw != nullptr && (rawSize != l.rawBytes || !ReadImageData(png, size, raw, &l)))
        return 0;
    *layout = l;
    return 1;
}

void CopyPngRows(Surface* surface, int32_t x, int32_t y, uint8_t* raw, const PngLayout* layout)
{
    // The picture's columns that land inside the surface.
    int64_t firstColumn = x < 0 ? -(int64_t)x : 0;
    int64_t endColumn = (int64_t)surface->width - x;
    if (endColumn > layout->width)
        endColumn = layout->width;

    const uint32_t samples = layout->rowBytes - 1, channels = layout->channels;
    const uint8_t* above = nullptr;
    for (int64_t row = 0; row < layout->height; ++row) {
        uint8_t* line = raw + (size_t)row * layout->rowBytes;
        UndoFilter(line + 1, above, samples, channels, line[0]);
        above = line + 1;
        int64_t at = (int64_t)y + row;
        if (at < 0 || at >= surface->height || firstColumn >= endColumn)
            continue;
        ConvertRow(surface->bits + surface->rowOffsets[at] + (x + firstColumn) * 4,
                   line + 1 + firstColumn * channels, (uint32_t)(endColumn - firstColumn),
                   channels);
    }
}
