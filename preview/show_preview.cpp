// show_preview: the show as the launcher would draw it, for judging artwork
// without Windows. Writes a contact sheet of frames, or every frame, or one.
#include "preview.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The scaled pictures' files for the help text, one a line, from the
// show's table.
std::string ScaledFiles()
{
    std::string text;
    for (int32_t scale : kShowScales)
        text += "                         " + std::to_string(scale) + " %  " +
                ScaledPicture(scale).file + "\n";
    return text;
}

// The help text, the shipped timings and the scaled pictures formatted in.
std::string Usage()
{
    const ShowTimings& shipped = kShippedTimings;
    return "usage: show_preview [options] OUT.png\n"
           "\n"
           "Draws the splash show the way the launcher does and writes a contact sheet\n"
           "of twelve frames (fade in, hold, fade out) to OUT.png.\n"
           "\n"
           "  --pictures DIR       folder holding tal800.bmp and tal1280.bmp\n"
           "                       (default: the repository's resources/)\n"
           "  --tal800 FILE        use this bitmap for screens up to 800 pixels wide\n"
           "  --tal1280 FILE       use this bitmap for wider screens\n"
           "  --background PNG     a screenshot to show over; its size is the screen's\n"
           "  --screen WxH         size of the generated desktop (default 1024x768)\n"
           "  --all-frames DIR     also write every frame of the show, full size, as\n"
           "                       DIR/frame-NNN-level-LLL.png\n"
           "  --frame LEVEL        write only the frame at this level (0 to 256) to OUT.png\n"
           "  --fade-in MS, --hold MS, --fade-out MS\n"
           "                       the show's timings (default " +
           std::to_string(shipped.fadeInMs) + ", " + std::to_string(shipped.holdMs) + " and " +
           std::to_string(shipped.fadeOutMs) +
           ")\n"
           "  --dpi N              the screen's DPI (default 96, 100 %); a screen wider\n"
           "                       than 800 shows the large picture at the scale\n"
           "                       nearest N x 100 / 96 among those in the folder,\n"
           "                       the larger of two as near:\n" +
           ScaledFiles() +
           "  --tal1280x2 FILE     the 200 % picture (default: tal1280x2.bmp in the folder)\n"
           "  --still              the show as a person with animations turned off, or\n"
           "                       over Remote Desktop, sees it: the picture at once at\n"
           "                       its full level, held, then gone\n"
           "  --help               this text\n";
}

bool HasPictures(const fs::path& dir)
{
    std::error_code ec;
    return fs::is_regular_file(dir / kSmallPicture.file, ec) ||
           fs::is_regular_file(dir / kLargePicture.file, ec);
}

// The folder this build was configured with, or, should the checkout have
// moved, a resources/ folder beside one of the folders the tool sits in.
std::string DefaultPicturesDir(const char* argv0)
{
#ifdef ORVELINE_RESOURCES_DIR
    if (HasPictures(ORVELINE_RESOURCES_DIR))
        return ORVELINE_RESOURCES_DIR;
#endif
    std::error_code ec;
    fs::path tool = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        tool = fs::absolute(argv0, ec);
    for (fs::path dir = tool.parent_path(); !dir.empty(); dir = dir.parent_path()) {
        if (HasPictures(dir / "resources"))
            return (dir / "resources").string();
        if (dir == dir.root_path())
            break;
    }
    return "resources";
}

}  // namespace

int main(int argc, char** argv)
{
    PreviewOptions options;
    std::string error;
    if (!ParsePreviewArgs(std::vector<std::string>(argv + 1, argv + argc), &options, &error)) {
        std::fprintf(stderr, "show_preview: %s\n%s", error.c_str(), Usage().c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(Usage().c_str(), stdout);
        return 0;
    }
    if (options.picturesDir.empty())
        options.picturesDir = DefaultPicturesDir(argv[0]);

    std::string report;
    if (!RunPreview(options, &report, &error)) {
        std::fprintf(stderr, "show_preview: %s\n", error.c_str());
        return 1;
    }
    std::fputs(report.c_str(), stdout);
    return 0;
}
