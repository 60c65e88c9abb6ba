// Inflating a zlib stream as a PNG file holds it: cut into the bodies of a
// run of IDAT chunks. Only the PNG reader and the tests use it; it needs no
// platform.
#pragma once

#include <stdint.h>

// Where the stream's bytes are. The current piece runs from next to
// pieceEnd; each later piece is the body of the chunk that follows, past the
// CRC that closes this one and the next chunk's length and type (12 bytes).
// Nothing at or beyond fileEnd is read, whatever a length says.
struct ZlibSource {
    const uint8_t* next;
    const uint8_t* pieceEnd;
    const uint8_t* fileEnd;
    uint32_t piecesLeft;  // chunks after the current one
};

// Inflates one zlib stream into out, which it must fill exactly: outSize
// bytes, no more and no fewer. Accepts what zlib's inflate accepts from a
// stream without a preset dictionary: the header's check, deflate with a
// window of up to 32 KiB, stored, fixed and dynamic blocks, codes that are
// neither oversubscribed nor, but where zlib allows it, incomplete,
// distances no farther back than the output, and the Adler-32 after the
// last block. Returns 1 with the source left just past the checksum, or 0.
// Whatever the stream says, nothing is written outside out.
int InflateZlib(ZlibSource* source, uint8_t* out, uint32_t outSize);

// The Adler-32 of size bytes, as zlib streams close with it.
uint32_t Adler32(const uint8_t* data, uint32_t size);
