// The launcher's inflater against zlib, on deflate data written bit by bit,
// a row for each rule of the format that decides whether a stream is good:
// zlib's verdict is the row's, and the inflater's is zlib's, with the same
// bytes. The fuzzer asks the same of any input; these rows hold each rule
// on its own.
#include "inflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <memory>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Bits as deflate packs them, from the lowest bit of each byte; Huffman
// codes go most significant bit first.
struct BitWriter {
    Bytes bytes;
    int used = 8;
    void Bits(uint32_t value, int count)
    {
        for (int i = 0; i < count; ++i, ++used) {
            if (used == 8)
                bytes.push_back(0), used = 0;
            bytes.back() |= uint8_t((value >> i & 1) << used);
        }
    }
    void Code(uint32_t code, int length)
    {
        for (int i = length - 1; i >= 0; --i)
            Bits(code >> i & 1, 1);
    }
    void Align() { used = 8; }
};

// The canonical code of each symbol, from the lengths.
std::vector<uint32_t> Codes(const std::vector<int>& lengths)
{
    std::vector<uint32_t> codes(lengths.size());
    uint32_t code = 0;
    for (int length = 1; length <= 15; code <<= 1, ++length)
        for (size_t s = 0; s < lengths.size(); ++s)
            if (lengths[s] == length)
                codes[s] = code++;
    return codes;
}

void Fixed(BitWriter& w, int symbol)
{
    if (symbol < 144)
        w.Code(0x30 + symbol, 8);
    else if (symbol < 256)
        w.Code(0x190 + symbol - 144, 9);
    else if (symbol < 280)
        w.Code(symbol - 256, 7);
    else
        w.Code(0xC0 + symbol - 280, 8);
}

// A code-length code with lengths for 0, 1, 2 and the three repeats.
const std::vector<int> kSmallLengths = {2, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 3, 3};
const int kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// One code-length symbol and its extra bits.
struct Step {
    int symbol, extra = 0;
};

// A dynamic block's header: the counts, the code-length code, then the
// lengths as steps of that code.
struct Dynamic {
    int literals, distances;
    std::vector<Step> steps;
    std::vector<int> lengthLengths = kSmallLengths;
};

void Header(BitWriter& w, const Dynamic& d, bool last = true)
{
    w.Bits(last, 1);
    w.Bits(2, 2);
    w.Bits(uint32_t(d.literals - 257), 5);
    w.Bits(uint32_t(d.distances - 1), 5);
    w.Bits(15, 4);
    for (int s : kOrder)
        w.Bits(uint32_t(d.lengthLengths[size_t(s)]), 3);
    const std::vector<uint32_t> codes = Codes(d.lengthLengths);
    for (const Step& step : d.steps) {
        w.Code(codes[size_t(step.symbol)], d.lengthLengths[size_t(step.symbol)]);
        w.Bits(uint32_t(step.extra), step.symbol == 16   ? 2
                                     : step.symbol == 17 ? 3
                                     : step.symbol == 18 ? 7
                                                         : 0);
    }
}

// 'a' of one bit, end of block and length 3 of two; one distance code of
// one bit: 0 is 'a', 10 the end, 11 a copy of 3.
const Dynamic kDynamic{258, 1, {{18, 86}, {1}, {18, 127}, {18, 9}, {2}, {2}, {1}}};

Dynamic WithLiteralLengths(std::vector<Step> steps, int literals = 258)
{
    steps.push_back({1});
    return {literals, 1, steps};
}

const std::string k259(259, 'a');

// The data after kDynamic's header: 'a', a copy of 3 from 1 back, the end.
void Aaaa(BitWriter& w)
{
    w.Code(0, 1);
    w.Code(3, 2);
    w.Code(0, 1);
    w.Code(2, 2);
}

Dynamic Changed(const std::function<void(Dynamic&)>& change)
{
    Dynamic d = kDynamic;
    change(d);
    return d;
}

// Each refused row goes on with data that would make its output, so that
// the rule alone refuses it.
struct Row {
    const char* name;
    std::function<void(BitWriter&)> write;
    std::string output;  // what the stream makes, or would but for the rule
    bool good;
};

const Row kRows[] = {
    {"stored block",
     [](BitWriter& w) {
         w.Bits(1, 3);
         w.Align();
         w.Bits(3, 16);
         w.Bits(0xFFFC, 16);
         w.Bits('a' | 'b' << 8 | 'c' << 16, 24);
     },
     "abc", true},
    {"stored lengths that disagree",
     [](BitWriter& w) {
         w.Bits(1, 3);
         w.Align();
         w.Bits(3, 16);
         w.Bits(0xFFFD, 16);
         w.Bits('a' | 'b' << 8 | 'c' << 16, 24);
     },
     "abc", false},
    {"empty stored block, then fixed",
     [](BitWriter& w) {
         w.Bits(0, 3);
         w.Align();
         w.Bits(0xFFFF0000, 32);
         w.Bits(3, 3);
         Fixed(w, 256);
     },
     "", true},
    {"block type 3",
     [](BitWriter& w) {
         w.Bits(7, 3);
         w.Bits(0, 16);
     },
     "", false},
    {"fixed literals and a copy",
     [](BitWriter& w) {
         w.Bits(3, 3);
         Fixed(w, 'a');
         Fixed(w, 'b');
         Fixed(w, 257);
         w.Code(1, 5);
         Fixed(w, 256);
     },
     "ababa", true},
    {"copy from before the start",
     [](BitWriter& w) {
         w.Bits(3, 3);
         Fixed(w, 'a');
         Fixed(w, 257);
         w.Code(1, 5);
         Fixed(w, 256);
     },
     "aaaa", false},
    {"copy of 258 from length code 284",
     [](BitWriter& w) {
         w.Bits(3, 3);
         Fixed(w, 'a');
         Fixed(w, 284);
         w.Bits(31, 5);
         w.Code(0, 5);
         Fixed(w, 256);
     },
     k259, true},
    {"literal code 286",
     [](BitWriter& w) {
         w.Bits(3, 3);
         Fixed(w, 'a');
         Fixed(w, 286);
         w.Code(0, 5);
         Fixed(w, 256);
     },
     "", false},
    {"literal code 287",
     [](BitWriter& w) {
         w.Bits(3, 3);
         Fixed(w, 'a');
         Fixed(w, 287);
         w.Code(0, 5);
         Fixed(w, 256);
     },
     "", false},
    {"distance code 30",
     [](BitWriter& w) {
         w.Bits(3, 3);
         Fixed(w, 'a');
         Fixed(w, 257);
         w.Code(30, 5);
         Fixed(w, 256);
     },
     "", false},
    {"distance code 31",
     [](BitWriter& w) {
         w.Bits(3, 3);
         Fixed(w, 'a');
         Fixed(w, 257);
         w.Code(31, 5);
         Fixed(w, 256);
     },
     "", false},
    {"dynamic block",
     [](BitWriter& w) {
         Header(w, kDynamic);
         Aaaa(w);
     },
     "aaaa", true},
    {"two dynamic blocks",
     [](BitWriter& w) {
         Header(w, kDynamic, false);
         w.Code(0, 1);
         w.Code(2, 2);
         Header(w, kDynamic);
         w.Code(3, 2);
         w.Code(0, 1);
         w.Code(2, 2);
     },
     "aaaa", true},
    {"287 literal codes",
     [](BitWriter& w) {
         Header(w, Changed([](Dynamic& d) {
                    d.literals = 287;
                    d.steps.insert(d.steps.end() - 1, {18, 18});
                }));
         Aaaa(w);
     },
     "aaaa", false},
    {"31 distance codes",
     [](BitWriter& w) {
         Header(w, Changed([](Dynamic& d) {
                    d.distances = 31;
                    d.steps.push_back({18, 19});
                }));
         Aaaa(w);
     },
     "aaaa", false},
    {"oversubscribed literal code",
     [](BitWriter& w) {
         Header(w, WithLiteralLengths({{18, 86}, {1}, {18, 127}, {18, 9}, {1}, {1}}));
         w.Code(0, 1);
         w.Code(1, 1);
     },
     "a", false},
    {"incomplete literal code",
     [](BitWriter& w) {
         Header(w, WithLiteralLengths({{18, 86}, {1}, {18, 127}, {18, 9}, {2}, {0}}));
         w.Code(0, 1);
         w.Code(2, 2);
     },
     "a", false},
    {"a lone literal code of one bit",
     [](BitWriter& w) {
         Header(w, WithLiteralLengths({{18, 127}, {18, 107}, {1}}, 257));
         w.Code(0, 1);
     },
     "", true},
    {"an unused half of a lone code",
     [](BitWriter& w) {
         Header(w, WithLiteralLengths({{18, 127}, {18, 107}, {1}}, 257));
         w.Code(1, 1);
     },
     "", false},
    {"no end of block",
     [](BitWriter& w) {
         Header(w, WithLiteralLengths({{18, 86}, {1}, {18, 127}, {18, 9}, {0}, {1}}));
         w.Code(0, 1);
     },
     "a", false},
    {"no distance code, no copy",
     [](BitWriter& w) {
         Header(w, {258, 1, {{18, 86}, {1}, {18, 127}, {18, 9}, {2}, {2}, {0}}});
         w.Code(0, 1);
         w.Code(2, 2);
     },
     "a", true},
    {"no distance code, a copy",
     [](BitWriter& w) {
         Header(w, {258, 1, {{18, 86}, {1}, {18, 127}, {18, 9}, {2}, {2}, {0}}});
         w.Code(0, 1);
         w.Code(3, 2);
         w.Bits(0, 15);
     },
     "", false},
    {"a lone distance code of two bits",
     [](BitWriter& w) {
         Header(w, {258, 1, {{18, 86}, {1}, {18, 127}, {18, 9}, {2}, {2}, {2}}});
         w.Code(0, 1);
         w.Code(3, 2);
         w.Code(0, 2);
         w.Code(2, 2);
     },
     "aaaa", false},
    {"repeat with nothing before",
     [](BitWriter& w) {
         Header(w, WithLiteralLengths({{16, 0}, {18, 83}, {1}, {18, 127}, {18, 9}, {2}, {2}}));
         Aaaa(w);
     },
     "", false},
    {"repeat of the last literal length into the distances",
     [](BitWriter& w) {
         Header(w, {258, 4, {{18, 86}, {1}, {18, 127}, {18, 9}, {2}, {2}, {16, 0}, {2}}});
         w.Code(0, 1);
         w.Code(3, 2);
         w.Code(0, 2);
         w.Code(2, 2);
     },
     "aaaa", true},
    {"repeat past the last length",
     [](BitWriter& w) {
         Header(w, {258, 1, {{18, 86}, {1}, {18, 127}, {18, 9}, {2}, {2}, {17, 0}}});
         w.Code(0, 1);
         w.Code(2, 2);
     },
     "a", false},
    {"incomplete code-length code",
     [](BitWriter& w) {
         Header(w, Changed([](Dynamic& d) { d.lengthLengths[17] = 0; }));
         Aaaa(w);
     },
     "aaaa", false},
    {"oversubscribed code-length code",
     [](BitWriter& w) {
         Header(w, Changed([](Dynamic& d) { d.lengthLengths[17] = 2; }));
         Aaaa(w);
     },
     "aaaa", false},
};

// What zlib makes of the stream, or false.
bool ZlibInflates(const Bytes& stream, Bytes* out)
{
    z_stream z{};
    inflateInit(&z);
    out->assign(1 << 16, 0);
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = uInt(stream.size());
    z.next_out = out->data();
    z.avail_out = uInt(out->size());
    const int status = inflate(&z, Z_FINISH);
    out->resize(z.total_out);
    inflateEnd(&z);
    return status == Z_STREAM_END && z.avail_in == 0;
}

// Ours, into a block of exactly size bytes.
bool OursInflates(const Bytes& stream, uint32_t size, Bytes* out)
{
    std::unique_ptr<uint8_t[]> in(new uint8_t[stream.size()]), block(new uint8_t[size + 1]);
    std::memcpy(in.get(), stream.data(), stream.size());
    ZlibSource source{in.get(), in.get() + stream.size(), in.get() + stream.size(), 0};
    if (!InflateZlib(&source, block.get(), size))
        return false;
    out->assign(block.get(), block.get() + size);
    return source.next == in.get() + stream.size();
}

TEST(Inflate, DecidesEachRuleAsZlibDoes)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        BitWriter w;
        row.write(w);
        const std::string& expected = row.output;
        Bytes stream = {0x78, 0x01};
        stream.insert(stream.end(), w.bytes.begin(), w.bytes.end());
        const uint32_t adler =
            Adler32(reinterpret_cast<const uint8_t*>(expected.data()), uint32_t(expected.size()));
        EXPECT_EQ(adler, uint32_t(adler32(1, reinterpret_cast<const Bytef*>(expected.data()),
                                          uInt(expected.size()))));
        for (int shift = 24; shift >= 0; shift -= 8)
            stream.push_back(uint8_t(adler >> shift));

        Bytes byZlib, byUs;
        const bool zlib = ZlibInflates(stream, &byZlib);
        ASSERT_EQ(zlib, row.good) << "zlib's verdict is not the row's";
        const uint32_t size = uint32_t(expected.size());
        EXPECT_EQ(OursInflates(stream, size, &byUs), zlib);
        if (zlib) {
            EXPECT_EQ(std::string(byZlib.begin(), byZlib.end()), expected);
            EXPECT_EQ(std::string(byUs.begin(), byUs.end()), expected);
        }
        EXPECT_FALSE(OursInflates(stream, size + 1, &byUs)) << "accepted into a larger block";
        if (size > 0) {
            EXPECT_FALSE(OursInflates(stream, size - 1, &byUs)) << "accepted into a smaller block";
        }
    }
}

}  // namespace
