// pack_artwork: turns PNG pictures with alpha into bitmaps of the pictures
// the launcher shows, the same pixels the branding tool puts into the
// programs as PNGs: the preview and the artwork command's sheets read them.
//
//   pack_artwork [--fit] SMALL.png LARGE.png OUTDIR
//       writes OUTDIR/tal800.bmp (195 x 145) and OUTDIR/tal1280.bmp
//       (317 x 236), both or neither
//   pack_artwork [--fit] --small PICTURE.png OUT.bmp
//   pack_artwork [--fit] --large PICTURE.png OUT.bmp
//   pack_artwork [--fit] --large-2x PICTURE.png OUT.bmp
//   pack_artwork [--fit] --large-at PERCENT PICTURE.png OUT.bmp
//       writes one picture (--large-2x is --large-at 200)
//   pack_artwork --scales
//       prints the scales --large-at takes, one a line: the percent, the
//       bitmap file's name the preview looks for in a folder, and the width
//       and height (125 tal1280x125.bmp 396 295), so that scripts need not
//       restate the show's table
//
// A PNG of another size is refused unless --fit is given; then it is scaled
// to fit inside, its shape kept, centred on a transparent border.
#include "artwork_files.h"
#include "show.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: pack_artwork [--fit] SMALL.png LARGE.png OUTDIR\n"
                 "       pack_artwork [--fit] --small|--large|--large-2x PICTURE.png OUT.bmp\n"
                 "       pack_artwork [--fit] --large-at PERCENT PICTURE.png OUT.bmp\n"
                 "       pack_artwork --scales\n"
                 "SMALL is shown on screens up to 800 pixels wide and must be %d x %d;\n"
                 "LARGE on wider screens and must be %d x %d. --fit scales a picture of\n"
                 "another size to fit inside, centred on a transparent border.\n",
                 kSmallArtwork.width, kSmallArtwork.height, kLargeArtwork.width,
                 kLargeArtwork.height);
    return 2;
}

// The show's table of scales, as the artwork's slots have it.
int PrintScales()
{
    for (const ShowScale& scale : kShowScaleTable) {
        const ArtworkSlot& slot = *ScaledLargeArtwork(scale.percent);
        std::printf("%d %s.bmp %d %d\n", int(scale.percent), slot.name, slot.width, slot.height);
    }
    return 0;
}

int Failed(const std::string& error)
{
    std::fprintf(stderr, "pack_artwork: %s\n", error.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--scales")
        return PrintScales();
    bool fit = false;
    if (!args.empty() && args[0] == "--fit") {
        fit = true;
        args.erase(args.begin());
    }
    // The scaled forms of the large picture are one slot each.
    const ArtworkSlot* scaled = nullptr;
    if (args.size() == 4 && args[0] == "--large-at") {
        scaled = ScaledLargeArtwork(std::atoi(args[1].c_str()));
        if (scaled == nullptr || args[1] != std::to_string(std::atoi(args[1].c_str())))
            return Failed("--large-at takes " + ScaleChoices() + ", not " + args[1]);
        args.erase(args.begin(), args.begin() + 2);
        args.insert(args.begin(), "--large-at");
    }
    if (args.size() != 3)
        return Usage();

    std::string error;
    if (args[0] == "--small" || args[0] == "--large" || args[0] == "--large-2x" ||
        scaled != nullptr) {
        const ArtworkSlot& slot = args[0] == "--small"      ? kSmallArtwork
                                  : args[0] == "--large"    ? kLargeArtwork
                                  : args[0] == "--large-2x" ? *ScaledLargeArtwork(200)
                                                            : *scaled;
        RgbaImage picture;
        std::string note;
        if (!PrepareArtwork(args[1], slot, fit, &picture, &error, &note) ||
            !ReplaceFile(args[2], EncodeArtworkBitmap(picture), &error))
            return Failed(error);
        std::printf("%s: %d x %d from %s%s%s\n", args[2].c_str(), slot.width, slot.height,
                    args[1].c_str(), note.empty() ? "" : ", ", note.c_str());
        return 0;
    }
    if (args[0].starts_with("--"))
        return Usage();

    std::string report;
    if (!PackArtwork(args[0], args[1], args[2], fit, &error, &report))
        return Failed(error);
    std::fputs(report.c_str(), stdout);
    return 0;
}
