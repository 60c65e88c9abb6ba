// PNG files for the tests of both PNG readers, the branding tool's and the
// launcher's: pictures of every kind as libpng's own writer makes them, a
// chunk editor that makes the CRCs right again, and the table of good,
// lenient and damaged files the tool's decoder is judged by against libpng.
// Tests and the fuzzer's seed writer build on the build machine only.
#pragma once

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pngcase {

using Bytes = std::vector<uint8_t>;

struct Kind {
    int colour, depth, interlace = PNG_INTERLACE_NONE;
    int width = 19, height = 11;
    bool transparency = false;
    bool gamma = false;
};

inline void Gather(png_structp png, png_bytep data, png_size_t size)
{
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}

// Samples drawn from few values, so that a colour key matches some pixels
// and, at 16 bits, others that share only its high byte.
inline constexpr uint16_t kKey = 0x1234;
inline uint16_t Sample(int x, int y, int k, int depth)
{
    static constexpr uint16_t wide[] = {0x1234, 0x12FF, 0x0034, 0xFFFF, 0x0000, 0x8001};
    uint32_t v = uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u ^ uint32_t(k) * 83492791u;
    v = (v ^ (v >> 13)) * 0x5BD1E995u;
    v ^= v >> 15;
    if (depth == 16)
        return wide[v % 6];
    if (depth == 8)
        return v % 3 == 0 ? kKey & 0xFF : uint16_t((v * 37) & 0xFF);
    return uint16_t(v % (1u << depth));
}

// A PNG of the kind written by libpng's own writer.
inline Bytes Written(const Kind& k)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, Gather, [](png_structp) {});
    png_set_IHDR(png, info, png_uint_32(k.width), png_uint_32(k.height), k.depth, k.colour,
                 k.interlace, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    const int maxSample = (1 << std::min(k.depth, 15)) - 1;
    if (k.colour == PNG_COLOR_TYPE_PALETTE) {
        png_color palette[256];
        png_byte alphas[256];
        for (int i = 0; i < 256; ++i) {
            palette[i] = {png_byte(i * 3), png_byte(255 - i), png_byte(i * 7)};
            alphas[i] = png_byte(i * 5 + 1);
        }
        png_set_PLTE(png, info, palette, 1 << k.depth);
        if (k.transparency)  // the last entries left opaque
            png_set_tRNS(png, info, alphas, std::max(1, (1 << k.depth) - 1), nullptr);
    } else if (k.transparency) {
        png_color_16 key{};
        key.gray = key.red = key.green = key.blue = k.depth >= 8 ? kKey & maxSample : 1;
        png_set_tRNS(png, info, nullptr, 1, &key);
    }
    if (k.gamma)
        png_set_gAMA(png, info, 1 / 1.8);
    png_write_info(png, info);
    const int channels = png_get_channels(png, info);
    std::vector<Bytes> rows(size_t(k.height), Bytes(png_get_rowbytes(png, info), 0));
    for (int y = 0; y < k.height; ++y)
        for (int x = 0; x < k.width; ++x)
            for (int c = 0; c < channels; ++c) {
                const uint16_t s = Sample(x, y, c, k.depth);
                Bytes& row = rows[size_t(y)];
                if (k.depth == 16) {
                    row[size_t(x * channels + c) * 2] = uint8_t(s >> 8);
                    row[size_t(x * channels + c) * 2 + 1] = uint8_t(s);
                } else if (k.depth == 8) {
                    row[size_t(x * channels + c)] = uint8_t(s);
                } else {
                    const int bit = x * k.depth;
                    row[size_t(bit / 8)] |= uint8_t(s << (8 - k.depth - bit % 8));
                }
            }
    std::vector<png_bytep> pointers;
    for (Bytes& row : rows)
        pointers.push_back(row.data());
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// --- Editing a file chunk by chunk, CRCs made right again -------------------

struct Chunk {
    std::string type;
    Bytes body;
};

inline uint32_t Be32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

inline void PutBe32(Bytes& out, uint32_t v)
{
    out.insert(out.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
}

// The chunks up to the first that does not fit in the file.
inline std::vector<Chunk> Chunks(const Bytes& png)
{
    std::vector<Chunk> chunks;
    for (size_t at = 8; at + 12 <= png.size() && Be32(&png[at]) <= png.size() - at - 12;
         at += 12 + Be32(&png[at])) {
        const auto body = png.begin() + long(at) + 8;
        chunks.push_back({std::string(body - 4, body), Bytes(body, body + long(Be32(&png[at])))});
    }
    return chunks;
}

inline Bytes Joined(const std::vector<Chunk>& chunks)
{
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const Chunk& c : chunks) {
        PutBe32(out, uint32_t(c.body.size()));
        const size_t start = out.size();
        out.insert(out.end(), c.type.begin(), c.type.end());
        out.insert(out.end(), c.body.begin(), c.body.end());
        PutBe32(out, uint32_t(crc32(0, &out[start], uInt(c.body.size() + 4))));
    }
    return out;
}

inline size_t Find(const std::vector<Chunk>& chunks, const std::string& type)
{
    for (size_t i = 0; i < chunks.size(); ++i)
        if (chunks[i].type == type)
            return i;
    return chunks.size();
}

// Where a chunk starts in the file.
inline size_t Offset(const Bytes& png, const std::string& type)
{
    size_t at = 8;
    while (at + 8 <= png.size() && std::memcmp(&png[at + 4], type.data(), 4) != 0)
        at += 12 + Be32(&png[at]);
    return at;
}

// The file with its image data made anew from its own rows, changed.
inline Bytes Recompressed(const Bytes& png,
                          const std::function<void(Bytes& raw, Bytes& zlib)>& change)
{
    std::vector<Chunk> chunks = Chunks(png);
    const size_t i = Find(chunks, "IDAT");
    Bytes raw(1 << 20);
    uLongf rawSize = raw.size();
    if (uncompress(raw.data(), &rawSize, chunks[i].body.data(), chunks[i].body.size()) != Z_OK)
        throw std::runtime_error("the image data does not inflate");
    raw.resize(rawSize);
    Bytes zlib;
    change(raw, zlib);
    if (zlib.empty()) {
        zlib.resize(compressBound(raw.size()));
        uLongf size = zlib.size();
        compress(zlib.data(), &size, raw.data(), raw.size());
        zlib.resize(size);
        change(raw, zlib);
    }
    chunks[i].body = zlib;
    return Joined(chunks);
}

inline Bytes Edited(const Bytes& png, const std::function<void(std::vector<Chunk>&)>& edit)
{
    std::vector<Chunk> chunks = Chunks(png);
    edit(chunks);
    return Joined(chunks);
}

inline Bytes Cut(const Bytes& png, size_t size)
{
    return Bytes(png.begin(), png.begin() + long(size));
}

inline Bytes Poked(Bytes png, size_t at, uint8_t value)
{
    png.at(at) ^= value;
    return png;
}

inline const Kind kRgb8{PNG_COLOR_TYPE_RGB, 8};
inline const Kind kGrey1Key{PNG_COLOR_TYPE_GRAY, 1, PNG_INTERLACE_NONE, 19, 11, true};
inline const Kind kPalette8{PNG_COLOR_TYPE_PALETTE, 8, PNG_INTERLACE_NONE, 19, 11, true};

struct Row {
    const char* name;
    std::function<Bytes()> make;
    const char* refusal;    // null: both decoders give the same pixels; else part of the reason
    bool libpngToo = true;  // whether libpng refuses it as well
};

inline Row Plain(const char* name, Kind kind)
{
    return {name, [kind] { return Written(kind); }, nullptr};
}

// The table: pictures of every kind as libpng writes them, files libpng is
// lenient or strict about, and damaged files.
inline const std::vector<Row>& Rows()
{
    static const std::vector<Row> rows = {
        Plain("rgb8", kRgb8),
        Plain("rgb16", {PNG_COLOR_TYPE_RGB, 16}),
        Plain("rgba8", {PNG_COLOR_TYPE_RGB_ALPHA, 8}),
        Plain("rgba16", {PNG_COLOR_TYPE_RGB_ALPHA, 16}),
        Plain("grey1", {PNG_COLOR_TYPE_GRAY, 1}),
        Plain("grey2", {PNG_COLOR_TYPE_GRAY, 2}),
        Plain("grey4", {PNG_COLOR_TYPE_GRAY, 4}),
        Plain("grey8", {PNG_COLOR_TYPE_GRAY, 8}),
        Plain("grey16", {PNG_COLOR_TYPE_GRAY, 16}),
        Plain("grey_alpha8", {PNG_COLOR_TYPE_GRAY_ALPHA, 8}),
        Plain("grey_alpha16", {PNG_COLOR_TYPE_GRAY_ALPHA, 16}),
        Plain("palette1", {PNG_COLOR_TYPE_PALETTE, 1}),
        Plain("palette2", {PNG_COLOR_TYPE_PALETTE, 2}),
        Plain("palette4", {PNG_COLOR_TYPE_PALETTE, 4}),
        Plain("palette8", {PNG_COLOR_TYPE_PALETTE, 8}),
        Plain("palette1_trns", {PNG_COLOR_TYPE_PALETTE, 1, PNG_INTERLACE_NONE, 19, 11, true}),
        Plain("palette2_trns", {PNG_COLOR_TYPE_PALETTE, 2, PNG_INTERLACE_NONE, 19, 11, true}),
        Plain("palette4_trns", {PNG_COLOR_TYPE_PALETTE, 4, PNG_INTERLACE_NONE, 19, 11, true}),
        Plain("palette8_trns", kPalette8),
        Plain("rgb8_key", {PNG_COLOR_TYPE_RGB, 8, PNG_INTERLACE_NONE, 19, 11, true}),
        Plain("rgb16_key", {PNG_COLOR_TYPE_RGB, 16, PNG_INTERLACE_NONE, 19, 11, true}),
        Plain("grey1_key", kGrey1Key),
        Plain("grey2_key", {PNG_COLOR_TYPE_GRAY, 2, PNG_INTERLACE_NONE, 19, 11, true}),
        Plain("grey4_key", {PNG_COLOR_TYPE_GRAY, 4, PNG_INTERLACE_NONE, 19, 11, true}),
        Plain("grey8_key", {PNG_COLOR_TYPE_GRAY, 8, PNG_INTERLACE_NONE, 19, 11, true}),
        Plain("grey16_key", {PNG_COLOR_TYPE_GRAY, 16, PNG_INTERLACE_NONE, 19, 11, true}),
        Plain("rgba8_adam7", {PNG_COLOR_TYPE_RGB_ALPHA, 8, PNG_INTERLACE_ADAM7, 33, 7}),
        Plain("grey1_adam7", {PNG_COLOR_TYPE_GRAY, 1, PNG_INTERLACE_ADAM7, 33, 7}),
        Plain("palette4_adam7", {PNG_COLOR_TYPE_PALETTE, 4, PNG_INTERLACE_ADAM7, 33, 7, true}),
        Plain("rgb16_key_adam7", {PNG_COLOR_TYPE_RGB, 16, PNG_INTERLACE_ADAM7, 9, 10, true}),
        Plain("rgba8_adam7_1x1", {PNG_COLOR_TYPE_RGB_ALPHA, 8, PNG_INTERLACE_ADAM7, 1, 1}),
        Plain("grey2_adam7_3x2", {PNG_COLOR_TYPE_GRAY, 2, PNG_INTERLACE_ADAM7, 3, 2}),
        Plain("rgba8_1x1", {PNG_COLOR_TYPE_RGB_ALPHA, 8, PNG_INTERLACE_NONE, 1, 1}),
        Plain("palette2_33x7", {PNG_COLOR_TYPE_PALETTE, 2, PNG_INTERLACE_NONE, 33, 7, true}),
        Plain("rgb8_gamma", {PNG_COLOR_TYPE_RGB, 8, PNG_INTERLACE_NONE, 19, 11, false, true}),
        Plain("grey16_key_gamma",
              {PNG_COLOR_TYPE_GRAY, 16, PNG_INTERLACE_NONE, 19, 11, true, true}),

        // What libpng lets pass, and what it makes of it.
        {"grey1_key_out_of_range",
         [] {
             return Edited(Written(kGrey1Key), [](auto& c) {
                 c[Find(c, "tRNS")].body = {0x01, 0x03};
             });
         },
         nullptr},
        {"trns_after_data",
         [] {
             return Edited(Written(kPalette8), [](auto& c) {
                 const Chunk t = c[Find(c, "tRNS")];
                 c.erase(c.begin() + long(Find(c, "tRNS")));
                 c.insert(c.end() - 1, t);
             });
         },
         nullptr},
        {"trns_damaged",
         [] {
             const Bytes p = Written(kPalette8);
             return Poked(p, Offset(p, "tRNS") + 9, 1);
         },
         nullptr},
        {"trns_longer_than_palette",
         [] {
             return Edited(Written({PNG_COLOR_TYPE_PALETTE, 2, PNG_INTERLACE_NONE, 19, 11, true}),
                           [](auto& c) { c[Find(c, "tRNS")].body.assign(5, 9); });
         },
         nullptr},
        {"index_past_palette",
         [] {
             return Edited(Written(kPalette8), [](auto& c) {
                 c[Find(c, "PLTE")].body.resize(9);
                 c.erase(c.begin() + long(Find(c, "tRNS")));
             });
         },
         nullptr},
        {"palette_longer_than_depth",
         [] {
             return Edited(Written({PNG_COLOR_TYPE_PALETTE, 1}),
                           [](auto& c) { c[Find(c, "PLTE")].body.assign(30, 77); });
         },
         nullptr},
        {"unknown_chunk_before_header",
         [] {
             return Edited(Written(kRgb8), [](auto& c) {
                 c.insert(c.begin(), Chunk{"quIt", {1, 2}});
             });
         },
         nullptr},
        {"unknown_critical_after_data",
         [] {
             return Edited(Written(kRgb8), [](auto& c) {
                 c.insert(c.end() - 1, Chunk{"QUIT", {1}});
             });
         },
         nullptr},
        {"data_in_one_byte_chunks",
         [] {
             return Edited(Written(kPalette8), [](auto& c) {
                 const size_t i = Find(c, "IDAT");
                 const Bytes data = c[i].body;
                 c.erase(c.begin() + long(i));
                 for (size_t k = data.size(); k-- > 0;)
                     c.insert(c.begin() + long(i), Chunk{"IDAT", {data[k]}});
             });
         },
         nullptr},
        {"second_data_run_ignored",
         [] {
             return Edited(Written(kRgb8), [](auto& c) {
                 c.insert(c.end() - 1, {Chunk{"tEXt", {'a', 0, 'b'}}, Chunk{"IDAT", {1, 2, 3}}});
             });
         },
         nullptr},
        {"more_rows_than_the_picture",
         [] {
             return Recompressed(Written(kRgb8),
                                 [](Bytes& raw, Bytes&) { raw.resize(raw.size() + 200, 3); });
         },
         nullptr},
        {"bytes_after_the_stream",
         [] {
             return Recompressed(Written(kRgb8), [](Bytes&, Bytes& z) {
                 if (!z.empty())
                     z.insert(z.end(), {1, 2, 3});
             });
         },
         nullptr},

        // Damaged files.
        {"not_png", [] { return Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}; },
         "not a PNG file"},
        {"empty", [] { return Bytes{}; }, "not a PNG file"},
        {"cut_in_signature", [] { return Cut(Written(kRgb8), 5); }, "not a PNG file"},
        {"cut_after_signature", [] { return Cut(Written(kRgb8), 8); }, "ends before"},
        {"cut_in_header", [] { return Cut(Written(kRgb8), 20); }, "ends before"},
        {"cut_in_data",
         [] {
             const Bytes p = Written(kRgb8);
             return Cut(p, Offset(p, "IDAT") + 30);
         },
         "ends before"},
        {"cut_before_end",
         [] {
             const Bytes p = Written(kRgb8);
             return Cut(p, Offset(p, "IEND"));
         },
         "ends before"},
        {"cut_in_end",
         [] {
             const Bytes p = Written(kRgb8);
             return Cut(p, p.size() - 1);
         },
         "ends before"},
        {"header_crc", [] { return Poked(Written(kRgb8), 20, 0x40); },
         "IHDR chunk is damaged (CRC error)"},
        {"data_crc",
         [] {
             const Bytes p = Written(kRgb8);
             return Poked(p, Offset(p, "IDAT") + 40, 1);
         },
         "IDAT chunk is damaged (CRC error)"},
        {"palette_crc",
         [] {
             const Bytes p = Written(kPalette8);
             return Poked(p, Offset(p, "PLTE") + 12, 1);
         },
         "PLTE chunk is damaged (CRC error)"},
        {"broken_zlib_stream",
         [] {
             return Recompressed(Written(kRgb8), [](Bytes&, Bytes& z) {
                 if (!z.empty())
                     std::fill(z.begin() + 10, z.begin() + 16, 0xFF);
             });
         },
         "image data"},
        {"zlib_window_too_large",
         [] {
             return Recompressed(Written(kRgb8), [](Bytes&, Bytes& z) {
                 if (!z.empty())
                     z[0] = 0x88, z[1] = 0x1C;
             });
         },
         "window"},
        {"stream_short_of_the_picture",
         [] {
             return Recompressed(Written(kRgb8), [](Bytes& raw, Bytes& z) {
                 if (z.empty())
                     raw.resize(raw.size() - 7);
             });
         },
         "ends before"},
        {"stream_without_checksum",
         [] {
             return Recompressed(Written(kRgb8), [](Bytes&, Bytes& z) {
                 if (!z.empty())
                     z.resize(z.size() - 4);
             });
         },
         "ends before"},
        {"checksum_wrong",
         [] {
             return Recompressed(Written({PNG_COLOR_TYPE_RGB, 8, 0, 4, 3}), [](Bytes&, Bytes& z) {
                 if (!z.empty())
                     z.back() ^= 1;
             });
         },
         "Adler-32"},
        {"too_wide",
         [] {
             return Edited(Written(kRgb8), [](auto& c) {
                 c[0].body[1] = 0, c[0].body[2] = 0x23, c[0].body[3] = 0x28;
             });
         },
         "9000 pixels wide"},
        {"too_high",
         [] {
             return Edited(Written(kRgb8), [](auto& c) {
                 c[0].body[5] = 0, c[0].body[6] = 0x23, c[0].body[7] = 0x28;
             });
         },
         "9000 pixels high"},
        {"huge",
         [] {
             return Edited(Written(kRgb8), [](auto& c) {
                 std::fill(c[0].body.begin(), c[0].body.begin() + 8, 0x7F);
             });
         },
         "pixels wide"},
        {"zero_wide",
         [] {
             return Edited(Written(kRgb8),
                           [](auto& c) { std::fill(c[0].body.begin(), c[0].body.begin() + 4, 0); });
         },
         "0 pixels wide"},
        {"depth_for_no_colour_type",
         [] { return Edited(Written(kRgb8), [](auto& c) { c[0].body[8] = 4; }); }, "4-bit"},
        {"palette_missing",
         [] {
             return Edited(Written(kPalette8),
                           [](auto& c) { c.erase(c.begin() + long(Find(c, "PLTE"))); });
         },
         "before the palette"},
        {"no_image_data",
         [] {
             return Edited(Written(kRgb8),
                           [](auto& c) { c.erase(c.begin() + long(Find(c, "IDAT"))); });
         },
         "no image data"},
        {"unknown_critical_chunk",
         [] {
             return Edited(Written(kRgb8), [](auto& c) {
                 c.insert(c.begin() + 1, Chunk{"QUIT", {1}});
             });
         },
         "QUIT"},
        {"known_chunk_before_header",
         [] {
             return Edited(Written(kRgb8), [](auto& c) {
                 c.insert(c.begin(), Chunk{"gAMA", {0, 0, 0xB1, 0x8F}});
             });
         },
         "before the header"},
        // libpng tolerates a damaged stream past the last pixel when its reads
        // happen to reach the damage only after the picture; this decoder refuses
        // every stream that is not whole.
        {"checksum_wrong_after_the_picture",
         [] {
             return Recompressed(Written({PNG_COLOR_TYPE_RGB_ALPHA, 8, PNG_INTERLACE_ADAM7, 10, 3}),
                                 [](Bytes&, Bytes& z) {
                                     if (!z.empty())
                                         z.back() ^= 1;
                                 });
         },
         "Adler-32", false},
    };
    return rows;
}

// --- Files of 8-bit samples written here, each row's filter chosen ----------

// What Composed writes: rows of random samples, row y under
// filters[y % filters.size()], deflated by zlib at that level and strategy
// and cut into IDAT chunks of split bytes (0: one chunk).
struct Composition {
    int colour = PNG_COLOR_TYPE_RGB_ALPHA;
    int width = 19, height = 11;
    std::vector<int> filters = {0, 1, 2, 3, 4};
    int level = 9, strategy = Z_DEFAULT_STRATEGY;
    size_t split = 0;
    uint32_t seed = 1;
};

inline int Channels(int colour)
{
    return colour == PNG_COLOR_TYPE_GRAY         ? 1
           : colour == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
           : colour == PNG_COLOR_TYPE_RGB        ? 3
                                                 : 4;
}

inline Bytes Deflated(const Bytes& raw, int level, int strategy)
{
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, 15, 9, strategy) != Z_OK)
        throw std::runtime_error("deflateInit2");
    Bytes out(deflateBound(&z, uLong(raw.size())));
    z.next_in = const_cast<Bytef*>(raw.data());
    z.avail_in = uInt(raw.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    const int status = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (status != Z_STREAM_END)
        throw std::runtime_error("deflate");
    return out;
}

// The rows as the encoder sends them: each a filter byte, then each sample
// less what the filter predicts from the samples left, above and above-left.
inline Bytes FilteredRows(const Bytes& samples, int width, int height, int bpp,
                          const std::vector<int>& filters)
{
    const size_t stride = size_t(width) * size_t(bpp);
    Bytes out;
    for (int y = 0; y < height; ++y) {
        const int filter = filters[size_t(y) % filters.size()];
        out.push_back(uint8_t(filter));
        for (size_t i = 0; i < stride; ++i) {
            const int a = i >= size_t(bpp) ? samples[y * stride + i - bpp] : 0;
            const int b = y > 0 ? samples[(y - 1) * stride + i] : 0;
            const int c = y > 0 && i >= size_t(bpp) ? samples[(y - 1) * stride + i - bpp] : 0;
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b),
                      pc = std::abs(p - c);
            const int paeth = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            const int predicted[5] = {0, a, b, (a + b) / 2, paeth};
            out.push_back(uint8_t(samples[y * stride + i] - predicted[filter]));
        }
    }
    return out;
}

// Samples with runs and repeats among the noise, as pictures have them, so
// that the streams hold copies as well as literals.
inline Bytes SomeSamples(size_t count, uint32_t seed)
{
    uint32_t v = seed * 2654435761u + 1;
    Bytes out(count);
    for (size_t i = 0; i < count; ++i) {
        v = v * 1664525u + 1013904223u;
        out[i] = (v >> 28) < 5 && i > 0 ? out[i - 1] : uint8_t(v >> 24);
    }
    return out;
}

inline Bytes HeaderBody(int width, int height, int depth, int colour, int interlace = 0)
{
    Bytes b;
    PutBe32(b, uint32_t(width));
    PutBe32(b, uint32_t(height));
    b.insert(b.end(), {uint8_t(depth), uint8_t(colour), 0, 0, uint8_t(interlace)});
    return b;
}

inline Bytes Composed(const Composition& c)
{
    const int bpp = Channels(c.colour);
    const Bytes samples = SomeSamples(size_t(c.width) * size_t(c.height) * size_t(bpp), c.seed);
    const Bytes zlib =
        Deflated(FilteredRows(samples, c.width, c.height, bpp, c.filters), c.level, c.strategy);
    std::vector<Chunk> chunks = {{"IHDR", HeaderBody(c.width, c.height, 8, c.colour)}};
    const size_t split = c.split == 0 ? zlib.size() : c.split;
    for (size_t at = 0; at < zlib.size(); at += split)
        chunks.push_back({"IDAT", Bytes(zlib.begin() + long(at),
                                        zlib.begin() + long(std::min(zlib.size(), at + split)))});
    chunks.push_back({"IEND", {}});
    return Joined(chunks);
}

}  // namespace pngcase
