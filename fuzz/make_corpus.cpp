// Writes the crafted bitmaps of the loader's tests into a folder, each as a
// bitmap file, to seed the fuzzer: fuzz/corpus/ in the repository is its
// output.
#include "../tests/bitmap_cases.h"

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
        const bmp::Bytes file = bmp::File(c.packed);
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr || std::fwrite(file.data(), 1, file.size(), f) != file.size()) {
            std::fprintf(stderr, "make_corpus: cannot write %s\n", path.c_str());
            if (f)
                std::fclose(f);
            return 1;
        }
        std::fclose(f);
    }
    return 0;
}
