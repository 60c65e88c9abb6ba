// Writes the seeds of the PNG fuzz targets from the PNG files of the
// readers' tests: fuzz/png_corpus/ and fuzz/inflate_corpus/ in the
// repository are its output. The reader's seeds are the tool's table and
// files of every kind read under every filter and block type; the
// inflater's are their image data, each behind the target's two bytes of
// settings, whole and cut into pieces.
#include "../tests/png_cases.h"
#include "write_seed.h"

#include <cstdio>
#include <string>

namespace {

using namespace pngcase;

std::vector<std::pair<std::string, Bytes>> Composed()
{
    std::vector<std::pair<std::string, Bytes>> files;
    const struct {
        const char* name;
        int colour;
    } kinds[] = {{"grey", PNG_COLOR_TYPE_GRAY},
                 {"rgb", PNG_COLOR_TYPE_RGB},
                 {"grey_alpha", PNG_COLOR_TYPE_GRAY_ALPHA},
                 {"rgba", PNG_COLOR_TYPE_RGB_ALPHA}};
    const struct {
        const char* name;
        int level, strategy;
    } blocks[] = {{"stored", 0, Z_DEFAULT_STRATEGY},
                  {"fixed", 9, Z_FIXED},
                  {"dynamic", 9, Z_DEFAULT_STRATEGY}};
    for (const auto& k : kinds)
        for (const auto& b : blocks) {
            Composition c;
            c.colour = k.colour;
            c.width = 13;
            c.height = 7;
            c.level = b.level;
            c.strategy = b.strategy;
            c.split = k.colour == PNG_COLOR_TYPE_RGB ? 40 : 0;
            files.push_back(
                {std::string("composed-") + k.name + "-" + b.name, pngcase::Composed(c)});
        }
    return files;
}

// The zlib stream of a file, its IDAT chunks joined.
Bytes ImageData(const Bytes& png)
{
    Bytes data;
    for (const Chunk& c : Chunks(png))
        if (c.type == "IDAT")
            data.insert(data.end(), c.body.begin(), c.body.end());
    return data;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_png_corpus PNG-FOLDER INFLATE-FOLDER\n");
        return 2;
    }
    const std::string pngs = argv[1], streams = argv[2];
    bool ok = true;
    for (const Row& row : Rows())
        ok = WriteSeed("make_png_corpus", pngs + "/table-" + row.name + ".png", row.make()) && ok;
    for (const auto& [name, file] : Composed()) {
        ok = WriteSeed("make_png_corpus", pngs + "/" + name + ".png", file) && ok;
        for (const uint8_t piece : {0, 7}) {
            Bytes seed = {piece, 0};
            const Bytes data = ImageData(file);
            seed.insert(seed.end(), data.begin(), data.end());
            ok = WriteSeed("make_png_corpus",
                           streams + "/" + name + "-pieces-of-" + std::to_string(piece) + ".zlib",
                           seed) &&
                 ok;
        }
    }
    return ok ? 0 : 1;
}
