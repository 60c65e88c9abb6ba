// make_icon: the Windows icon built into orveline.exe, from a vendor's
// picture.
//
//   make_icon INPUT OUTPUT.ico
//
// A PNG INPUT is scaled to fit each of the icon's sizes (16, 32, 48 and
// 256), its shape kept, centred on a transparent border. An .ico INPUT is
// checked and copied as it is. On failure OUTPUT is left as it was.
#include "artwork_files.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_icon INPUT OUTPUT.ico\n"
                             "INPUT is a PNG, made into an icon of 16, 32, 48 and 256 pixels,\n"
                             "or an .ico file, copied as it is.\n");
        return 2;
    }
    std::vector<uint8_t> icon;
    std::string error;
    if (!IconFromFile(argv[1], &icon, &error) || !ReplaceFile(argv[2], icon, &error)) {
        std::fprintf(stderr, "make_icon: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %zu bytes from %s\n", argv[2], icon.size(), argv[1]);
    return 0;
}
