// A small inflater for the pictures' image data. The whole output is the
// window: a picture is inflated into the block that will hold its rows, so
// a distance is good exactly when it reaches no farther back than the
// block's start. Which streams pass is zlib's choice, rule for rule, so that
// zlib can serve the fuzzer as the judge of every answer.
#include "inflate.h"

#include <string.h>

namespace {

enum {
    kMaxCodeBits = 15,
    // Codes up to this long are found by one lookup; longer ones, rare in
    // practice, by walking the canonical code a bit at a time.
    kFastBits = 10,
    kLiteralSymbols = 288,
    kDistanceSymbols = 32,
    kCodeLengthSymbols = 19,
    kEndOfBlock = 256,
};

struct Huffman {
    uint16_t
        fast[1 << kFastBits];  // symbol << 4 | length by the next bits read; 0: none that short
    uint16_t count[kMaxCodeBits + 1];
    uint16_t symbols[kLiteralSymbols];  // in the order of their codes
};

// The bits not yet used sit in bits, lowest first, count of them and at
// most 32; any above the count are the stream's next ones or zeros. The
// last block's end leaves at most 24 once at a byte boundary, all of them
// the checksum's, so reading it leaves the source just past the stream.
struct Inflater {
    const uint8_t* next;
    const uint8_t* pieceEnd;
    const uint8_t* fileEnd;
    uint32_t piecesLeft;
    uint32_t bits;
    uint32_t count;
    uint8_t* start;
    uint8_t* at;
    uint8_t* end;
};

const uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t kDistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                    33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
const uint8_t kCodeLengthOrder[kCodeLengthSymbols] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                      11, 4,  12, 3, 13, 2, 14, 1, 15};

uint32_t Be32(const uint8_t* p)
{
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

#define ALWAYS_INLINE inline __attribute__((always_inline))

// Steps over the chunk frames to the next piece that holds a byte.
ALWAYS_INLINE int NextPiece(Inflater* s)
{
    while (s->next == s->pieceEnd) {
        if (s->piecesLeft == 0 || s->fileEnd - s->pieceEnd < 12)
            return 0;
        const uint8_t* body = s->pieceEnd + 12;
        uint32_t length = Be32(s->pieceEnd + 4);
        if (length > (uint32_t)(s->fileEnd - body))
            return 0;
        s->next = body;
        s->pieceEnd = body + length;
        --s->piecesLeft;
    }
    return 1;
}

// Tops the bits up to 24 or more where the source has them. With four
// bytes left in the piece they are taken in one word, and only the whole
// bytes that fit are counted as taken: the bits of the next byte that land
// above the count are the stream's own, and taking that byte again later
// puts the same bits in the same places.
ALWAYS_INLINE void Refill(Inflater* s)
{
    if (s->count > 24)
        return;
    if (s->pieceEnd - s->next >= 4) {
        const uint8_t* p = s->next;
        uint32_t word =
            (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
        s->bits |= word << s->count;
        s->next += (31 - s->count) >> 3;
        s->count |= 24;
        return;
    }
    while (s->count <= 24) {
        if (s->next == s->pieceEnd && !NextPiece(s))
            return;
        s->bits |= (uint32_t)*s->next++ << s->count;
        s->count += 8;
    }
}

// The next n bits (up to 16), or 0 when the stream ends first.
ALWAYS_INLINE int TakeBits(Inflater* s, uint32_t n, uint32_t* value)
{
    Refill(s);
    if (s->count < n)
        return 0;
    *value = s->bits & ((1u << n) - 1);
    s->bits >>= n;
    s->count -= n;
    return 1;
}

// A byte once the bits stand at a byte boundary, taken from the source only
// when none is held, so that nothing past the stream's checksum is taken.
int TakeByte(Inflater* s, uint32_t* value)
{
    if (s->count == 0) {
        if (s->next == s->pieceEnd && !NextPiece(s))
            return 0;
        s->bits = *s->next++;
        s->count = 8;
    }
    *value = s->bits & 0xFF;
    s->bits >>= 8;
    s->count -= 8;
    return 1;
}

uint32_t Reversed(uint32_t code, uint32_t length)
{
    uint32_t r = 0;
    for (uint32_t i = 0; i < length; ++i, code >>= 1)
        r = r << 1 | (code & 1);
    return r;
}

// Builds the decoding tables of a canonical code from its lengths. Refuses,
// as zlib does, a code that is oversubscribed, or incomplete unless it is a
// literal or distance code of one 1-bit code. A code with no lengths at all
// is built, and fails only when something is decoded with it.
int BuildHuffman(Huffman* h, const uint8_t* lengths, uint32_t n, int isCodeLengthCode)
{
    memset(h, 0, sizeof *h);
    for (uint32_t i = 0; i < n; ++i)
        ++h->count[lengths[i]];
    h->count[0] = 0;
    int32_t left = 1;
    uint32_t longest = 0;
    for (uint32_t length = 1; length <= kMaxCodeBits; ++length) {
        left = left * 2 - h->count[length];
        if (left < 0)
            return 0;
        if (h->count[length] != 0)
            longest = length;
    }
    if (left > 0 && longest != 0 && (isCodeLengthCode || longest != 1))
        return 0;

    uint16_t offsets[kMaxCodeBits + 2] = {0};
    for (uint32_t length = 1; length <= kMaxCodeBits; ++length)
        offsets[length + 1] = (uint16_t)(offsets[length] + h->count[length]);
    for (uint32_t symbol = 0; symbol < n; ++symbol)
        if (lengths[symbol] != 0)
            h->symbols[offsets[lengths[symbol]]++] = (uint16_t)symbol;

    uint32_t code = 0, index = 0;
    for (uint32_t length = 1; length <= kFastBits; ++length, code <<= 1)
        for (uint32_t k = 0; k < h->count[length]; ++k, ++code, ++index) {
            uint16_t entry = (uint16_t)(h->symbols[index] << 4 | length);
            for (uint32_t i = Reversed(code, length); i < (1u << kFastBits); i += 1u << length)
                h->fast[i] = entry;
        }
    return 1;
}

// The canonical walk, for codes longer than the lookup takes: the symbol
// with its length in the same form as a lookup's entry, or 0 for none in
// the count of bits there are.
uint32_t DecodeSlowly(uint32_t bits, uint32_t count, const Huffman* h)
{
    int32_t code = 0, first = 0, index = 0;
    for (uint32_t length = 1; length <= kMaxCodeBits && length <= count; ++length) {
        code |= (int32_t)(bits & 1);
        bits >>= 1;
        int32_t n = h->count[length];
        if (code - n < first)
            return (uint32_t)h->symbols[index + (code - first)] << 4 | length;
        index += n;
        first = (first + n) << 1;
        code <<= 1;
    }
    return 0;
}

// The next symbol, or -1 for a code the table lacks or a stream that ends.
ALWAYS_INLINE int Decode(Inflater* s, const Huffman* h)
{
    Refill(s);
    uint32_t entry = h->fast[s->bits & ((1u << kFastBits) - 1)];
    if (entry == 0 && (entry = DecodeSlowly(s->bits, s->count, h)) == 0)
        return -1;
    uint32_t length = entry & 15;
    if (length > s->count)
        return -1;
    s->bits >>= length;
    s->count -= length;
    return (int)(entry >> 4);
}

// Copies length bytes from distance back; the copy may overlap the bytes it
// makes, so it goes forward, a word at a time where the distance allows.
ALWAYS_INLINE void CopyBack(uint8_t* to, uint32_t distance, uint32_t length)
{
    const uint8_t* from = to - distance;
    if (distance >= 4) {
        for (; length >= 4; length -= 4, to += 4, from += 4)
            memcpy(to, from, 4);
    } else if (distance == 1) {
        memset(to, *from, length);
        return;
    }
    for (; length > 0; --length)
        *to++ = *from++;
}

// Literals and copies up to the end of the block.
ALWAYS_INLINE int DecodeCodes(Inflater* s, const Huffman* literals, const Huffman* distances)
{
    for (;;) {
        int symbol = Decode(s, literals);
        if (symbol < 0)
            return 0;
        if (symbol < kEndOfBlock) {
            if (s->at == s->end)
                return 0;
            *s->at++ = (uint8_t)symbol;
            continue;
        }
        if (symbol == kEndOfBlock)
            return 1;
        symbol -= kEndOfBlock + 1;
        uint32_t extra;
        if (symbol >= 29 || !TakeBits(s, kLengthExtra[symbol], &extra))
            return 0;
        uint32_t length = kLengthBase[symbol] + extra;
        int d = Decode(s, distances);
        if (d < 0 || d >= 30 || !TakeBits(s, kDistanceExtra[d], &extra))
            return 0;
        uint32_t distance = kDistanceBase[d] + extra;
        if (distance > (uint32_t)(s->at - s->start) || length > (uint32_t)(s->end - s->at))
            return 0;
        CopyBack(s->at, distance, length);
        s->at += length;
    }
}

// The inflater's hot loop works on a copy of the record, which the compiler
// keeps in registers: a byte written through at might otherwise, for all it
// can tell, land in the record, which would then be read again after every
// byte.
int InflateCodes(Inflater* s, const Huffman* literals, const Huffman* distances)
{
    Inflater local = *s;
    int done = DecodeCodes(&local, literals, distances);
    *s = local;
    return done;
}

int InflateStored(Inflater* s)
{
    s->bits >>= s->count % 8;
    s->count -= s->count % 8;
    uint32_t b[4];
    for (int i = 0; i < 4; ++i)
        if (!TakeByte(s, &b[i]))
            return 0;
    uint32_t length = b[0] | b[1] << 8;
    if (length != (~(b[2] | b[3] << 8) & 0xFFFF) || length > (uint32_t)(s->end - s->at))
        return 0;
    // First the whole bytes already taken, then straight from the pieces;
    // the bits held past the count are then no longer the next ones.
    for (; length > 0 && s->count >= 8; --length) {
        *s->at++ = (uint8_t)s->bits;
        s->bits >>= 8;
        s->count -= 8;
    }
    if (length > 0)
        s->bits = 0;
    while (length > 0) {
        if (s->next == s->pieceEnd && !NextPiece(s))
            return 0;
        uint32_t run = (uint32_t)(s->pieceEnd - s->next);
        if (run > length)
            run = length;
        memcpy(s->at, s->next, run);
        s->at += run;
        s->next += run;
        length -= run;
    }
    return 1;
}

// The code lengths a dynamic block sends, for its literal and distance codes.
int ReadCodeLengths(Inflater* s, uint8_t* lengths, uint32_t total, Huffman* scratch)
{
    uint32_t codeCount;
    if (!TakeBits(s, 4, &codeCount))
        return 0;
    uint8_t codeLengths[kCodeLengthSymbols] = {0};
    for (uint32_t i = 0; i < codeCount + 4; ++i) {
        uint32_t length;
        if (!TakeBits(s, 3, &length))
            return 0;
        codeLengths[kCodeLengthOrder[i]] = (uint8_t)length;
    }
    if (!BuildHuffman(scratch, codeLengths, kCodeLengthSymbols, 1))
        return 0;
    for (uint32_t n = 0; n < total;) {
        int symbol = Decode(s, scratch);
        if (symbol < 0)
            return 0;
        if (symbol < 16) {
            lengths[n++] = (uint8_t)symbol;
            continue;
        }
        uint32_t repeat, value = 0;
        if (symbol == 16) {
            if (n == 0 || !TakeBits(s, 2, &repeat))
                return 0;
            value = lengths[n - 1];
            repeat += 3;
        } else if (symbol == 17) {
            if (!TakeBits(s, 3, &repeat))
                return 0;
            repeat += 3;
        } else {
            if (!TakeBits(s, 7, &repeat))
                return 0;
            repeat += 11;
        }
        if (repeat > total - n)
            return 0;
        memset(lengths + n, (int)value, repeat);
        n += repeat;
    }
    return 1;
}

int InflateDynamic(Inflater* s, Huffman* literals, Huffman* distances)
{
    uint32_t literalCount, distanceCount;
    if (!TakeBits(s, 5, &literalCount) || !TakeBits(s, 5, &distanceCount))
        return 0;
    literalCount += 257;
    distanceCount += 1;
    if (literalCount > 286 || distanceCount > 30)
        return 0;
    uint8_t lengths[286 + 30];
    // The code-length code's table is the distance code's until that is built.
    if (!ReadCodeLengths(s, lengths, literalCount + distanceCount, distances))
        return 0;
    if (lengths[kEndOfBlock] == 0)
        return 0;
    if (!BuildHuffman(literals, lengths, literalCount, 0) ||
        !BuildHuffman(distances, lengths + literalCount, distanceCount, 0))
        return 0;
    return InflateCodes(s, literals, distances);
}

int InflateFixed(Inflater* s, Huffman* literals, Huffman* distances)
{
    uint8_t lengths[kLiteralSymbols];
    memset(lengths, 8, 144);
    memset(lengths + 144, 9, 112);
    memset(lengths + 256, 7, 24);
    memset(lengths + 280, 8, 8);
    BuildHuffman(literals, lengths, kLiteralSymbols, 0);
    memset(lengths, 5, kDistanceSymbols);
    BuildHuffman(distances, lengths, kDistanceSymbols, 0);
    return InflateCodes(s, literals, distances);
}

int InflateBlocks(Inflater* s)
{
    Huffman literals, distances;
    uint32_t last, type;
    do {
        if (!TakeBits(s, 1, &last) || !TakeBits(s, 2, &type))
            return 0;
        int ok = type == 0   ? InflateStored(s)
                 : type == 1 ? InflateFixed(s, &literals, &distances)
                 : type == 2 ? InflateDynamic(s, &literals, &distances)
                             : 0;
        if (!ok)
            return 0;
    } while (!last);
    return 1;
}

}  // namespace

int InflateZlib(ZlibSource* source, uint8_t* out, uint32_t outSize)
{
    Inflater s;
    s.next = source->next;
    s.pieceEnd = source->pieceEnd;
    s.fileEnd = source->fileEnd;
    s.piecesLeft = source->piecesLeft;
    s.bits = 0;
    s.count = 0;
    s.start = s.at = out;
    s.end = out + outSize;

    uint32_t method, flags;
    if (!TakeByte(&s, &method) || !TakeByte(&s, &flags))
        return 0;
    // The check, deflate, a window of at most 32 KiB, no preset dictionary.
    if ((method << 8 | flags) % 31 != 0 || (method & 15) != 8 || method >> 4 > 7 ||
        (flags & 0x20) != 0)
        return 0;
    if (!InflateBlocks(&s))
        return 0;

    s.bits >>= s.count % 8;
    s.count -= s.count % 8;
    uint32_t check = 0;
    for (int i = 0; i < 4; ++i) {
        uint32_t b;
        if (!TakeByte(&s, &b))
            return 0;
        check = check << 8 | b;
    }
    if (s.at != s.end || check != Adler32(out, outSize))
        return 0;
    source->next = s.next;
    source->pieceEnd = s.pieceEnd;
    source->piecesLeft = s.piecesLeft;
    return 1;
}

uint32_t Adler32(const uint8_t* data, uint32_t size)
{
    uint32_t a = 1, b = 0;
    while (size > 0) {
        // The most bytes before b could overflow 32 bits.
        uint32_t run = size < 5552 ? size : 5552;
        size -= run;
        for (; run > 0; --run) {
            a += *data++;
            b += a;
        }
        a %= 65521;
        b %= 65521;
    }
    return b << 16 | a;
}
