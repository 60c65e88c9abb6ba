// stb decodes the pictures but trusts its input where libpng checks it: it
// reads no CRC and no Adler-32, reads zeros past the end of the image data,
// takes colours past a short palette from memory it never set, and refuses
// some files libpng lets pass. So the file is first judged here as libpng
// judges it, chunk by chunk, its image data inflated and checked, and stb is
// handed a clean file of only what libpng would use, the image data stored
// uncompressed.
#include "png_codec.h"

#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_SIMD
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <utility>

namespace {

using Bytes = std::vector<uint8_t>;

bool Fail(std::string* error, std::string text)
{
    *error = std::move(text);
    return false;
}

uint32_t Be32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void PutBe32(Bytes& out, uint32_t value)
{
    out.insert(out.end(),
               {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)});
}

uint32_t Crc32(const uint8_t* data, size_t size)
{
    static const auto table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

uint32_t Adler32(const uint8_t* data, size_t size)
{
    uint32_t a = 1, b = 0;
    while (size > 0) {
        const size_t run = std::min<size_t>(size, 5552);  // the most before b can overflow
        for (size_t i = 0; i < run; ++i) {
            a += data[i];
            b += a;
        }
        a %= 65521;
        b %= 65521;
        data += run;
        size -= run;
    }
    return b << 16 | a;
}

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

constexpr uint32_t Type(const char (&name)[5])
{
    return uint32_t(uint8_t(name[0])) << 24 | uint32_t(uint8_t(name[1])) << 16 |
           uint32_t(uint8_t(name[2])) << 8 | uint8_t(name[3]);
}

constexpr uint32_t kIHDR = Type("IHDR"), kPLTE = Type("PLTE"), kTRNS = Type("tRNS"),
                   kIDAT = Type("IDAT"), kIEND = Type("IEND");

// The ancillary chunks libpng reads itself: before the header each is an
// error, where an unknown one is skipped.
constexpr uint32_t kKnownAncillary[] = {
    Type("bKGD"), Type("cHRM"), Type("eXIf"), Type("gAMA"), Type("hIST"), Type("iCCP"),
    Type("iTXt"), Type("oFFs"), Type("pCAL"), Type("pHYs"), Type("sBIT"), Type("sCAL"),
    Type("sPLT"), Type("sRGB"), Type("tEXt"), Type("tIME"), Type("tRNS"), Type("zTXt"),
};

// libpng's cap on the length of any chunk but image data.
constexpr uint32_t kChunkMax = 8000000;
constexpr uint32_t kUint31Max = 0x7FFFFFFF;

std::string TypeText(uint32_t type)
{
    return {char(type >> 24), char(type >> 16), char(type >> 8), char(type)};
}

struct Header {
    uint32_t width = 0, height = 0;
    uint8_t depth = 0, colour = 0, interlace = 0;
    uint32_t channels = 0;
};

// What libpng makes of the file's chunks: the header, the palette cut to
// what the depth can index, the transparency it would apply, and the image
// data of the first run of IDAT chunks (the stream must end inside it).
struct Parts {
    uint8_t headerBytes[13];
    Header header;
    Bytes palette;
    Bytes transparency;
    Bytes data;
};

bool CheckHeader(const uint8_t* p, Header* header, std::string* error)
{
    Header h;
    h.width = Be32(p);
    h.height = Be32(p + 4);
    h.depth = p[8];
    h.colour = p[9];
    h.interlace = p[12];
    for (const auto& [side, what] : {std::pair{h.width, "wide"}, std::pair{h.height, "high"}}) {
        if (side == 0)
            return Fail(error, std::string("the picture is 0 pixels ") + what);
        if (side > uint32_t(kPngMaxSide))
            return Fail(error, "the picture is " + std::to_string(side) + " pixels " + what +
                                   ", more than the " + std::to_string(kPngMaxSide) + " read");
    }
    const uint8_t d = h.depth;
    switch (h.colour) {
    case 0:
        h.channels = 1;
        break;
    case 2:
        h.channels = 3;
        break;
    case 3:
        h.channels = 1;
        break;
    case 4:
        h.channels = 2;
        break;
    case 6:
        h.channels = 4;
        break;
    default:
        return Fail(error, "the header names colour type " + std::to_string(h.colour) +
                               ", which PNG has not");
    }
    const bool depthFits = h.colour == 0   ? d == 1 || d == 2 || d == 4 || d == 8 || d == 16
                           : h.colour == 3 ? d == 1 || d == 2 || d == 4 || d == 8
                                           : d == 8 || d == 16;
    if (!depthFits)
        return Fail(error, "the header names " + std::to_string(d) +
                               "-bit samples for colour type " + std::to_string(h.colour) +
                               ", which PNG has not");
    if (p[10] != 0 || p[11] != 0 || h.interlace > 1)
        return Fail(error,
                    "the header names a compression, filter or interlace method PNG has not");
    *header = h;
    return true;
}

// libpng's cap on one IDAT chunk: about what the whole picture takes, but
// never below the cap on other chunks.
uint64_t DataChunkMax(const Header& h)
{
    uint64_t rowFactor =
        uint64_t(h.width) * h.channels * (h.depth > 8 ? 2 : 1) + 1 + (h.interlace ? 6 : 0);
    uint64_t limit = std::min<uint64_t>(uint64_t(h.height) * rowFactor, kUint31Max);
    rowFactor = std::min<uint64_t>(rowFactor, 32566);
    limit = std::min<uint64_t>(limit + 6 + 5 * (limit / rowFactor + 1), kUint31Max);
    return std::max<uint64_t>(limit, kChunkMax);
}

// One chunk's frame: its length, type and CRC, nothing of what it holds.
struct Chunk {
    uint32_t length, type;
    const uint8_t* body;
    bool critical, intact;
};

// Reads the frame of the chunk at *at and moves *at past it. A frame libpng
// cannot read is an error; a CRC error is only noted, for the caller to
// judge by the chunk's kind. dataMax caps the length of image data.
bool NextChunk(const Bytes& bytes, uint64_t dataMax, size_t* at, Chunk* chunk, std::string* error)
{
    const std::string ends = "the file ends before the picture does";
    if (bytes.size() - *at < 8)
        return Fail(error, ends);
    const uint32_t length = Be32(&bytes[*at]);
    const uint32_t type = Be32(&bytes[*at + 4]);
    const std::string name = TypeText(type);
    if (length > kUint31Max)
        return Fail(error, "a chunk's length is out of range");
    for (const char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
            return Fail(error, "a chunk's type is not four letters: the file is damaged");
    if (length > (type == kIDAT ? dataMax : kChunkMax))
        return Fail(error, "the " + name + " chunk is too large");
    if (bytes.size() - *at - 8 < uint64_t(length) + 4)
        return Fail(error, ends);
    chunk->length = length;
    chunk->type = type;
    chunk->body = &bytes[*at + 8];
    chunk->critical = (type & 0x20000000) == 0;
    chunk->intact = Crc32(&bytes[*at + 4], size_t(length) + 4) == Be32(chunk->body + length);
    *at += 12 + size_t(length);
    return true;
}

// How far the reading has come: the chunks that may come only once, and
// whether the first run of image data is still to come, under way or over.
enum DataRun { kNoData, kInData, kAfterData };
struct ChunkProgress {
    bool haveHeader = false, havePalette = false, haveTransparency = false;
    DataRun data = kNoData;
};

// A palette: one, before the image data, its entries cut to what the depth
// can index; ignored for colour types without colour, and when malformed
// for any but a palette picture, which cannot do without it.
bool TakePalette(const Chunk& chunk, ChunkProgress* progress, Parts* parts, std::string* error)
{
    const Header& h = parts->header;
    if (progress->data != kNoData)
        return true;
    if (progress->havePalette)
        return Fail(error, "the file has a second palette");
    progress->havePalette = true;
    if ((h.colour & 2) == 0)
        return true;
    if (chunk.length > 3 * 256 || chunk.length % 3 != 0) {
        if (h.colour == 3)
            return Fail(error, "the palette is " + std::to_string(chunk.length) + " bytes long");
        return true;
    }
    if (chunk.length == 0)
        return Fail(error, "the palette is empty");
    const uint32_t entries =
        h.colour == 3 ? std::min(chunk.length / 3, 1u << h.depth) : chunk.length / 3;
    parts->palette.assign(chunk.body, chunk.body + 3 * entries);
    // A palette after the transparency chunk drops it.
    parts->transparency.clear();
    return true;
}

// The transparency: the first one before the image data that fits the
// colour type, and is skipped otherwise.
void TakeTransparency(const Chunk& chunk, ChunkProgress* progress, Parts* parts)
{
    const Header& h = parts->header;
    if (progress->data != kNoData || progress->haveTransparency)
        return;
    const uint32_t length = chunk.length;
    const bool fits =
        h.colour == 0   ? length == 2
        : h.colour == 2 ? length == 6
        : h.colour == 3 ? progress->havePalette && length > 0 && length <= parts->palette.size() / 3
                        : false;
    if (!fits)
        return;
    progress->haveTransparency = true;
    parts->transparency.assign(chunk.body, chunk.body + length);
    // libpng keys low-depth grey on the bits the depth holds; stb
    // would scale the whole value and match nothing.
    if (h.colour == 0 && h.depth < 8) {
        parts->transparency[0] = 0;
        parts->transparency[1] &= uint8_t((1u << h.depth) - 1);
    }
}

// libpng's rules, as its reader applies them with its default settings: a
// fault in a critical chunk or in the order of the picture's chunks is an
// error; a damaged, misplaced or malformed ancillary chunk is skipped, and so
// is any chunk but a header once the image data has begun.
bool ReadChunks(const Bytes& bytes, Parts* parts, std::string* error)
{
    if (bytes.size() < 8 || std::memcmp(bytes.data(), kSignature, 8) != 0)
        return Fail(error, "not a PNG file");
    ChunkProgress progress;
    Header& h = parts->header;
    size_t at = 8;
    for (;;) {
        Chunk chunk;
        if (!NextChunk(bytes, progress.haveHeader ? DataChunkMax(h) : kChunkMax, &at, &chunk,
                       error))
            return false;
        const uint32_t type = chunk.type;
        const std::string name = TypeText(type);
        if (!chunk.intact) {
            if (chunk.critical)
                return Fail(error, "the " + name + " chunk is damaged (CRC error)");
            if (progress.data == kInData)
                progress.data = kAfterData;
            continue;
        }
        if (!progress.haveHeader && type != kIHDR) {
            if (!chunk.critical && std::find(std::begin(kKnownAncillary), std::end(kKnownAncillary),
                                             type) == std::end(kKnownAncillary))
                continue;
            return Fail(error, "the " + name + " chunk comes before the header");
        }
        if (type != kIDAT && progress.data == kInData)
            progress.data = kAfterData;
        if (type == kIHDR) {
            if (progress.haveHeader)
                return Fail(error, "the file has a second header");
            if (chunk.length != 13)
                return Fail(error,
                            "the header is " + std::to_string(chunk.length) + " bytes, not 13");
            if (!CheckHeader(chunk.body, &h, error))
                return false;
            std::memcpy(parts->headerBytes, chunk.body, 13);
            progress.haveHeader = true;
        } else if (type == kPLTE) {
            if (!TakePalette(chunk, &progress, parts, error))
                return false;
        } else if (type == kTRNS) {
            TakeTransparency(chunk, &progress, parts);
        } else if (type == kIDAT) {
            if (h.colour == 3 && parts->palette.empty())
                return Fail(error, "the image data comes before the palette");
            if (progress.data == kAfterData)
                continue;
            progress.data = kInData;
            parts->data.insert(parts->data.end(), chunk.body, chunk.body + chunk.length);
        } else if (type == kIEND) {
            if (progress.data == kNoData)
                return Fail(error, "the file holds no image data");
            return true;
        } else if (chunk.critical && progress.data == kNoData) {
            return Fail(error,
                        "the file has a critical chunk " + name + " that PNG readers do not know");
        }
    }
}

// The bytes of the filtered image data: each pass of the interlaced order
// in turn, each row a filter byte and its samples.
uint64_t RawSize(const Header& h)
{
    const uint64_t bits = uint64_t(h.channels) * h.depth;
    const auto rows = [&](uint64_t width, uint64_t height) {
        return width == 0 || height == 0 ? 0 : height * (1 + (width * bits + 7) / 8);
    };
    if (h.interlace == 0)
        return rows(h.width, h.height);
    static constexpr int kStart[7][2] = {{0, 0}, {4, 0}, {0, 4}, {2, 0}, {0, 2}, {1, 0}, {0, 1}};
    static constexpr int kStep[7][2] = {{8, 8}, {8, 8}, {4, 8}, {4, 4}, {2, 4}, {2, 2}, {1, 2}};
    uint64_t total = 0;
    for (int p = 0; p < 7; ++p)
        total += rows((h.width + kStep[p][0] - 1 - kStart[p][0]) / kStep[p][0],
                      (h.height + kStep[p][1] - 1 - kStart[p][1]) / kStep[p][1]);
    return total;
}

struct StbFree {
    void operator()(void* p) const { STBI_FREE(p); }
};

// Inflates the image data with stb's inflater and checks what zlib checks
// for libpng: the window size, the stream's end inside the data, and the
// Adler-32 after it. stb's public calls do not tell where the stream ended,
// so its inflater is called through its internals, which this file holds.
// More data than the picture needs is let pass, as libpng lets it, within a
// margin that keeps a small file from filling memory; the result is cut to
// the picture.
bool Inflate(const Bytes& data, uint64_t rawSize, Bytes* raw, std::string* error)
{
    if (data.size() >= 1 && (data[0] >> 4) > 7)
        return Fail(error, "the image data's zlib header asks for a window larger than zlib has");
    // stb reads bytes past the end as zeros, and up to four bytes ahead of
    // the bits it uses; with eight of its own zeros after the data, a stream
    // that runs on into them is caught.
    Bytes padded(data);
    padded.resize(data.size() + 8, 0);
    const uint64_t room = rawSize + rawSize / 16 + 131072;
    if (room > uint64_t(std::numeric_limits<int>::max()) ||
        padded.size() > size_t(std::numeric_limits<int>::max()))
        return Fail(error, "the picture is too large");
    std::unique_ptr<char, StbFree> out(static_cast<char*>(stbi__malloc(size_t(room))));
    if (!out)
        return Fail(error, "out of memory");
    stbi__zbuf z;
    stbi__g_failure_reason = nullptr;
    z.zbuffer = padded.data();
    z.zbuffer_end = padded.data() + padded.size();
    if (!stbi__do_zlib(&z, out.get(), int(room), 0, 1)) {
        const char* why = stbi_failure_reason();
        if (why != nullptr && std::strcmp(why, "output buffer limit") == 0)
            return Fail(error, "the image data runs on far past the picture");
        return Fail(error, std::string("the image data is damaged (") +
                               (why != nullptr ? why : "bad block") + ")");
    }
    const uint64_t used = uint64_t(z.zbuffer - padded.data()) * 8 - uint64_t(z.num_bits);
    const uint64_t end = (used + 7) / 8;
    if (z.zbuffer == z.zbuffer_end || end + 4 > data.size())
        return Fail(error, "the image data ends before its zlib stream does");
    const size_t produced = size_t(z.zout - z.zout_start);
    if (Be32(&data[end]) != Adler32(reinterpret_cast<const uint8_t*>(out.get()), produced))
        return Fail(error, "the image data is damaged (its Adler-32 does not match)");
    if (produced < rawSize)
        return Fail(error, "the image data ends before the picture does");
    raw->assign(out.get(), out.get() + rawSize);
    return true;
}

void PutChunk(Bytes& out, uint32_t type, const uint8_t* body, size_t length)
{
    PutBe32(out, uint32_t(length));
    const size_t start = out.size();
    PutBe32(out, type);
    out.insert(out.end(), body, body + length);
    PutBe32(out, Crc32(&out[start], length + 4));
}

// The file stb is given: the header, the palette filled out to 256 entries
// (libpng shows an index past the palette as black), the transparency, and
// the image data in stored deflate blocks.
Bytes CleanFile(const Parts& parts, const Bytes& raw)
{
    Bytes out(std::begin(kSignature), std::end(kSignature));
    PutChunk(out, kIHDR, parts.headerBytes, 13);
    if (parts.header.colour == 3) {
        Bytes palette(parts.palette);
        palette.resize(3 * 256, 0);
        PutChunk(out, kPLTE, palette.data(), palette.size());
    }
    if (!parts.transparency.empty())
        PutChunk(out, kTRNS, parts.transparency.data(), parts.transparency.size());
    Bytes zlib = {0x78, 0x01};
    zlib.reserve(raw.size() + raw.size() / 65535 * 5 + 16);
    size_t at = 0;
    do {
        const size_t run = std::min<size_t>(raw.size() - at, 65535);
        const bool last = at + run == raw.size();
        zlib.insert(zlib.end(), {uint8_t(last), uint8_t(run), uint8_t(run >> 8), uint8_t(~run),
                                 uint8_t(~run >> 8)});
        zlib.insert(zlib.end(), raw.begin() + ptrdiff_t(at), raw.begin() + ptrdiff_t(at + run));
        at += run;
    } while (at < raw.size());
    PutBe32(zlib, Adler32(raw.data(), raw.size()));
    PutChunk(out, kIDAT, zlib.data(), zlib.size());
    PutChunk(out, kIEND, nullptr, 0);
    return out;
}

}  // namespace

bool DecodePng(const Bytes& bytes, RgbaImage* image, std::string* error)
{
    *image = RgbaImage{};
    error->clear();
    try {
        Parts parts;
        if (!ReadChunks(bytes, &parts, error))
            return false;
        Bytes raw;
        if (!Inflate(parts.data, RawSize(parts.header), &raw, error))
            return false;
        const Bytes clean = CleanFile(parts, raw);
        raw = Bytes();
        int width = 0, height = 0, channels = 0;
        stbi__g_failure_reason = nullptr;
        std::unique_ptr<stbi_uc, StbFree> pixels(
            stbi_load_from_memory(clean.data(), int(clean.size()), &width, &height, &channels, 4));
        if (!pixels) {
            const char* why = stbi_failure_reason();
            return Fail(error, std::string("the PNG data is damaged (") +
                                   (why != nullptr ? why : "unknown") + ")");
        }
        RgbaImage result;
        result.width = width;
        result.height = height;
        result.rgba.assign(pixels.get(), pixels.get() + size_t(width) * size_t(height) * 4);
        *image = std::move(result);
        return true;
    } catch (const std::bad_alloc&) {
        return Fail(error, "out of memory");
    }
}
