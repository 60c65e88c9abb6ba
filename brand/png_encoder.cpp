// The PNG writer. Every way of writing a picture that it tries is a pure
// function of the pixels, and zlib is linked statically into every build of
// the tool, so the same picture gives the same bytes on Windows, under Wine
// and on Linux: the shipped programs hold files this very code wrote, and a
// vendor's programs are theirs byte for byte when made from the shipped
// pictures.
#include "png_codec.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace {

using Bytes = std::vector<uint8_t>;

bool Fail(std::string* error, const char* text)
{
    *error = text;
    return false;
}

void PutBe32(Bytes& out, uint32_t value)
{
    out.insert(out.end(),
               {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)});
}

void PutChunk(Bytes& out, const char (&type)[5], const uint8_t* body, size_t length)
{
    PutBe32(out, uint32_t(length));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    if (length > 0)
        out.insert(out.end(), body, body + length);
    PutBe32(out, uint32_t(crc32(0, &out[start], uInt(length + 4))));
}

// The colour types the picture can be written in without losing anything:
// grey where every pixel has red, green and blue alike, no alpha where every
// pixel is opaque. Fewest channels first, so that of two files of one size
// the simpler is kept.
std::vector<PngColourType> LosslessColourTypes(const RgbaImage& image, PngColours colours)
{
    bool grey = true, opaque = true;
    for (size_t i = 0; i < image.rgba.size(); i += 4) {
        const uint8_t* p = &image.rgba[i];
        grey = grey && p[0] == p[1] && p[1] == p[2];
        opaque = opaque && p[3] == 255;
    }
    std::vector<PngColourType> types;
    if (colours == PngColours::kSmallest) {
        if (grey && opaque)
            types.push_back(PngColourType::kGrey);
        if (grey)
            types.push_back(PngColourType::kGreyAlpha);
        if (opaque)
            types.push_back(PngColourType::kRgb);
    }
    types.push_back(PngColourType::kRgba);
    return types;
}

size_t Channels(PngColourType type)
{
    switch (type) {
    case PngColourType::kGrey:
        return 1;
    case PngColourType::kGreyAlpha:
        return 2;
    case PngColourType::kRgb:
        return 3;
    case PngColourType::kRgba:
        return 4;
    }
    return 4;
}

// The picture's samples in that colour type, rows top-down.
Bytes Samples(const RgbaImage& image, PngColourType type)
{
    const size_t channels = Channels(type), pixels = image.rgba.size() / 4;
    Bytes out(pixels * channels);
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* p = &image.rgba[i * 4];
        uint8_t* q = &out[i * channels];
        switch (type) {
        case PngColourType::kGrey:
            q[0] = p[0];
            break;
        case PngColourType::kGreyAlpha:
            q[0] = p[0], q[1] = p[3];
            break;
        case PngColourType::kRgb:
            std::memcpy(q, p, 3);
            break;
        case PngColourType::kRgba:
            std::memcpy(q, p, 4);
            break;
        }
    }
    return out;
}

uint8_t Paeth(int a, int b, int c)
{
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// One row through one of PNG's five filters; bpp is the bytes of a pixel,
// prior the row above (zeros above the first).
void FilterRow(int filter, const uint8_t* row, const uint8_t* prior, size_t length, size_t bpp,
               uint8_t* out)
{
    for (size_t i = 0; i < length; ++i) {
        const int a = i >= bpp ? row[i - bpp] : 0, b = prior[i], c = i >= bpp ? prior[i - bpp] : 0;
        int predicted = 0;
        switch (filter) {
        case 1:
            predicted = a;
            break;
        case 2:
            predicted = b;
            break;
        case 3:
            predicted = (a + b) / 2;
            break;
        case 4:
            predicted = Paeth(a, b, c);
            break;
        }
        out[i] = uint8_t(row[i] - predicted);
    }
}

// libpng's guess at the filter that compresses a row best: the one whose
// bytes, read as signed, lie nearest zero in sum.
uint64_t Spread(const uint8_t* bytes, size_t length)
{
    uint64_t sum = 0;
    for (size_t i = 0; i < length; ++i)
        sum += bytes[i] < 128 ? bytes[i] : 256 - bytes[i];
    return sum;
}

// The image data before compression: each row its filter type and filtered
// samples. Filters 0 to 4 are each used for every row; kRowByRow chooses
// for each row on its own.
constexpr int kRowByRow = 5;
Bytes Filtered(const Bytes& samples, size_t rowBytes, size_t bpp, int strategy)
{
    const size_t rows = samples.size() / rowBytes;
    Bytes out(rows * (rowBytes + 1));
    const Bytes zeros(rowBytes, 0);
    Bytes trial(rowBytes);
    for (size_t y = 0; y < rows; ++y) {
        const uint8_t* row = &samples[y * rowBytes];
        const uint8_t* prior = y > 0 ? row - rowBytes : zeros.data();
        uint8_t* to = &out[y * (rowBytes + 1)];
        int filter = strategy;
        if (strategy == kRowByRow) {
            uint64_t best = UINT64_MAX;
            for (int f = 0; f < 5; ++f) {
                FilterRow(f, row, prior, rowBytes, bpp, trial.data());
                if (const uint64_t spread = Spread(trial.data(), rowBytes); spread < best)
                    best = spread, filter = f;
            }
        }
        to[0] = uint8_t(filter);
        FilterRow(filter, row, prior, rowBytes, bpp, to + 1);
    }
    return out;
}

// The zlib stream of the data, in one call, with the largest window and
// memory, so that nothing but the data, the level and the strategy decides
// the bytes. False when zlib has no memory.
bool Deflate(const Bytes& raw, int level, int strategy, Bytes* out)
{
    struct Stream {
        z_stream z{};
        bool open = false;
        ~Stream()
        {
            if (open)
                deflateEnd(&z);
        }
    } s;
    if (deflateInit2(&s.z, level, Z_DEFLATED, 15, 9, strategy) != Z_OK)
        return false;
    s.open = true;
    out->resize(deflateBound(&s.z, uLong(raw.size())));
    s.z.next_in = const_cast<Bytef*>(raw.data());
    s.z.avail_in = uInt(raw.size());
    s.z.next_out = out->data();
    s.z.avail_out = uInt(out->size());
    if (deflate(&s.z, Z_FINISH) != Z_STREAM_END)
        return false;
    out->resize(s.z.total_out);
    return true;
}

// One way of writing the picture: a colour type and a filter strategy.
struct Way {
    PngColourType type;
    int filters;
    size_t size;  // of its data at the trial level
};

// Level 9 takes ten times as long as level 6 on a photograph, and both rank
// the ways of writing a picture nearly alike: every way is tried at 6, and
// the two best at 9, in both of zlib's strategies that suit PNG (filtered
// data is the smaller of the two for the shipped pictures).
constexpr int kTrialLevel = 6, kFinalLevel = 9, kFinalists = 2;

Bytes ImageData(const RgbaImage& image, const Way& way)
{
    const size_t bpp = Channels(way.type);
    return Filtered(Samples(image, way.type), size_t(image.width) * bpp, bpp, way.filters);
}

Bytes PngFile(const RgbaImage& image, PngColourType type, const Bytes& stream)
{
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    PutBe32(header, uint32_t(image.width));
    PutBe32(header, uint32_t(image.height));
    header.insert(header.end(),
                  {8, uint8_t(type), 0, 0, 0});  // 8 bits, deflate, filters, no interlace
    PutChunk(out, "IHDR", header.data(), header.size());
    PutChunk(out, "IDAT", stream.data(), stream.size());
    PutChunk(out, "IEND", nullptr, 0);
    return out;
}

}  // namespace

bool EncodePng(const RgbaImage& image, Bytes* bytes, std::string* error, PngColours colours)
{
    bytes->clear();
    error->clear();
    if (image.width <= 0 || image.height <= 0 || image.width > kPngMaxSide ||
        image.height > kPngMaxSide ||
        image.rgba.size() != size_t(image.width) * size_t(image.height) * 4)
        return Fail(error, "the picture has no pixels, too many, or the wrong number of bytes");
    try {
        std::vector<Way> ways;
        Bytes stream;
        for (const PngColourType type : LosslessColourTypes(image, colours)) {
            const size_t bpp = Channels(type);
            const Bytes samples = Samples(image, type);
            for (const int filters : {kRowByRow, 0, 1, 2, 3, 4}) {
                if (!Deflate(Filtered(samples, size_t(image.width) * bpp, bpp, filters),
                             kTrialLevel, Z_DEFAULT_STRATEGY, &stream))
                    return Fail(error, "out of memory");
                ways.push_back({type, filters, stream.size()});
            }
        }
        // The first of equals, in the order tried: fewer channels, then
        // the filter chosen row by row.
        std::stable_sort(ways.begin(), ways.end(),
                         [](const Way& a, const Way& b) { return a.size < b.size; });
        ways.resize(std::min<size_t>(ways.size(), kFinalists));
        Bytes best;
        PngColourType bestType = ways[0].type;
        for (const Way& way : ways) {
            const Bytes raw = ImageData(image, way);
            for (const int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED}) {
                if (!Deflate(raw, kFinalLevel, strategy, &stream))
                    return Fail(error, "out of memory");
                if (best.empty() || stream.size() < best.size())
                    best = std::move(stream), bestType = way.type;
            }
        }
        *bytes = PngFile(image, bestType, best);
        return true;
    } catch (const std::bad_alloc&) {
        bytes->clear();
        return Fail(error, "out of memory");
    }
}
