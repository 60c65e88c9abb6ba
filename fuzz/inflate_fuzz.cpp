// Differential fuzz target: the launcher's inflater against zlib. The input
// is two bytes of settings, then a zlib stream, which is cut into pieces
// framed as IDAT chunks are. Whenever zlib inflates the stream to N bytes,
// ours must inflate it into a block of N with the same bytes and stop where
// zlib stopped; whenever ours accepts a block of the size the settings
// name, zlib must have made exactly that.
#include "inflate.h"

#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

constexpr size_t kMostOutput = 1u << 20;

struct Framed {
    std::vector<uint8_t> bytes;
    size_t piece;  // bytes of stream in each piece but the last
    uint32_t pieces;
};

// The stream with 12 bytes of frame (CRC, then length and type) between
// pieces, each length field saying how long the next piece is.
Framed Frame(const uint8_t* stream, size_t size, size_t piece)
{
    Framed f{{}, piece == 0 ? size : piece, 0};
    size_t at = 0;
    do {
        const size_t run = size - at < f.piece ? size - at : f.piece;
        if (f.pieces > 0) {
            f.bytes.insert(f.bytes.end(), 4, 0xCC);
            for (int i = 0; i < 4; ++i)
                f.bytes.push_back(uint8_t(run >> (24 - 8 * i)));
            f.bytes.insert(f.bytes.end(), {'I', 'D', 'A', 'T'});
        }
        f.bytes.insert(f.bytes.end(), stream + at, stream + at + run);
        at += run;
        ++f.pieces;
    } while (at < size);
    return f;
}

// Ours into a block of exactly size bytes; *used is how much of the stream
// it took.
bool Ours(const Framed& f, uint32_t size, std::vector<uint8_t>* out, size_t* used)
{
    out->assign(size, 0);
    const uint8_t* base = f.bytes.data();
    const size_t first = f.pieces == 1 ? f.bytes.size() : f.piece;
    ZlibSource source{base, base + first, base + f.bytes.size(), f.pieces - 1};
    if (!InflateZlib(&source, out->data(), size))
        return false;
    const size_t offset = size_t(source.next - base);
    *used = offset / (f.piece + 12) * f.piece + offset % (f.piece + 12);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2 || size > (1u << 16))
        return 0;
    const size_t piece = data[0] % 32;
    const Framed framed = Frame(data + 2, size - 2, piece);

    // Kept from run to run: zlib's block is never read past what it made.
    static std::vector<uint8_t> byZlib(kMostOutput);
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        __builtin_trap();
    z.next_in = const_cast<Bytef*>(data + 2);
    z.avail_in = uInt(size - 2);
    z.next_out = byZlib.data();
    z.avail_out = uInt(byZlib.size());
    const bool zlibDone = inflate(&z, Z_FINISH) == Z_STREAM_END;
    const size_t zlibOut = z.total_out, zlibUsed = z.total_in;
    inflateEnd(&z);

    std::vector<uint8_t> byUs;
    size_t used = 0;
    if (zlibDone) {
        if (!Ours(framed, uint32_t(zlibOut), &byUs, &used) || used != zlibUsed ||
            !std::equal(byUs.begin(), byUs.end(), byZlib.begin()))
            __builtin_trap();
    }
    // A block of another size, near zlib's where it finished.
    uint32_t asked = data[1] * 37u;
    if (zlibDone)
        asked = uint32_t(zlibOut) + (data[1] % 5) - 2;
    if (asked <= kMostOutput && Ours(framed, asked, &byUs, &used) &&
        (!zlibDone || asked != zlibOut || used != zlibUsed ||
         !std::equal(byUs.begin(), byUs.end(), byZlib.begin())))
        __builtin_trap();
    return 0;
}
