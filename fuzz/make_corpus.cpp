// Writes the crafted bitmaps of the loader's tests into a folder, each as a
// bitmap file, to seed the fuzzer: fuzz/corpus/ in the repository is its
// output.
#include "../tests/bitmap_cases.h"
#include "write_seed.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_corpus FOLDER\n");
        return 2;
    }
    for (const bmp::Case& c : bmp::Cases()) {
        const std::string path = std::string(argv[1]) + "/" + c.name + ".bmp";
        if (!WriteSeed("make_corpus", path, bmp::File(c.packed)))
            return 1;
    }
    return 0;
}
