// Writes the seeds of the icon fuzz target: fuzz/ico_corpus/ in the
// repository is its output. An icon the tool makes from a small picture
// (three bitmaps and a PNG), a few written field by field (depths and
// planes left unstated, pictures sharing bytes, bytes past the last), and
// directories that point outside the file or end inside it.
#include "icon.h"
#include "little_endian.h"
#include "write_seed.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct Entry {
    uint8_t width, height, colours;
    uint16_t planes, bits;
    uint32_t size, offset;
};

// An icon file of these entries, the bytes after its directory given.
Bytes Icon(const std::vector<Entry>& entries, const Bytes& pictures, uint16_t type = 1)
{
    Bytes out;
    Put16(out, 0);
    Put16(out, type);
    Put16(out, uint32_t(entries.size()));
    for (const Entry& e : entries) {
        out.insert(out.end(), {e.width, e.height, e.colours, 0});
        Put16(out, e.planes);
        Put16(out, e.bits);
        Put32(out, e.size);
        Put32(out, e.offset);
    }
    out.insert(out.end(), pictures.begin(), pictures.end());
    return out;
}

std::vector<std::pair<std::string, Bytes>> Seeds()
{
    std::vector<std::pair<std::string, Bytes>> seeds;
    RgbaImage picture{3, 2, {}};
    for (int i = 0; i < 6; ++i)
        picture.rgba.insert(picture.rgba.end(),
                            {uint8_t(40 * i), 200, uint8_t(255 - 30 * i), uint8_t(i * 51)});
    Bytes made;
    std::string error;
    if (!EncodeIcon(picture, &made, &error))
        std::fprintf(stderr, "make_ico_corpus: %s\n", error.c_str());
    seeds.emplace_back("good-made-by-the-tool", made);
    const Bytes eight = {1, 2, 3, 4, 5, 6, 7, 8};
    seeds.emplace_back("good-one-picture", Icon({{16, 16, 0, 1, 32, 8, 22}}, eight));
    seeds.emplace_back("good-depth-from-colours", Icon({{16, 16, 16, 0, 0, 8, 22}}, eight));
    seeds.emplace_back("good-two-sharing-bytes",
                       Icon({{16, 16, 0, 1, 32, 8, 38}, {0, 0, 2, 1, 1, 4, 42}}, eight));
    seeds.emplace_back("good-bytes-after-the-last", Icon({{32, 32, 0, 1, 8, 4, 22}}, eight));
    seeds.emplace_back("bad-no-pictures", Icon({}, eight));
    seeds.emplace_back("bad-a-cursor", Icon({{16, 16, 0, 1, 32, 8, 22}}, eight, 2));
    seeds.emplace_back("bad-picture-past-the-end", Icon({{16, 16, 0, 1, 32, 9, 22}}, eight));
    seeds.emplace_back("bad-picture-in-the-directory", Icon({{16, 16, 0, 1, 32, 8, 10}}, eight));
    seeds.emplace_back("bad-picture-of-no-bytes", Icon({{16, 16, 0, 1, 32, 0, 22}}, eight));
    seeds.emplace_back("bad-offset-wrapping", Icon({{16, 16, 0, 1, 32, 8, 0xFFFFFFFC}}, eight));
    Bytes cut = Icon({{16, 16, 0, 1, 32, 8, 38}, {16, 16, 0, 1, 32, 8, 38}}, eight);
    cut.resize(30);
    seeds.emplace_back("bad-directory-cut", cut);
    return seeds;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_ico_corpus FOLDER\n");
        return 2;
    }
    for (const auto& [name, bytes] : Seeds()) {
        const std::string path = std::string(argv[1]) + "/" + name + ".ico";
        if (!WriteSeed("make_ico_corpus", path, bytes))
            return 1;
    }
    return 0;
}
