// A run of show_preview: the desktop and the picture the launcher would
// choose for it loaded first, then the frames or the sheet written.
#include "preview.h"
#include "png_io.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string FrameFileName(const ShowFrame& f)
{
    char name[40];
    std::snprintf(name, sizeof name, "frame-%03d-level-%03d.png", int(f.index), int(f.level));
    return name;
}

std::string Size(int32_t width, int32_t height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

// What a preview shows: the desktop, and the picture the launcher would
// choose for it, each with where it came from.
struct PreviewScene {
    PixelSurface background, picture;
    std::string desktop;   // the screenshot's file name, or GENERATED
    ShowPicture choice{};  // the picture the launcher loads
    std::string path;      // the file it is read from
};

// The desktop behind the show: the screenshot given, or one made up at the
// screen's size.
bool LoadBackground(const PreviewOptions& options, PreviewScene* scene, std::string* error)
{
    scene->desktop = "GENERATED";
    if (options.background.empty()) {
        scene->background = GeneratedDesktop(options.screenWidth, options.screenHeight);
        return true;
    }
    RgbaImage shot;
    if (!ReadPng(options.background, &shot, error)) {
        *error = "background: " + *error;
        return false;
    }
    scene->background = BackgroundFromImage(shot);
    scene->desktop = fs::path(options.background).filename().string();
    return true;
}

// The picture the launcher would load on the scene's desktop, and the file
// that stands for it: the one given, or the folder's own.
void ChoosePicture(const PreviewOptions& options, PreviewScene* scene)
{
    ShowPicture choice = PictureForScreen(scene->background.width());
    std::string given = choice.file == kSmallPicture.file ? options.smallFile : options.largeFile;
    // The launcher's choice on a scaled screen, among the scaled pictures
    // there are to show.
    if (scene->background.width() > kSmallScreenMaxWidth) {
        int32_t present[kShowScaleCount + 1] = {100};
        std::string files[kShowScaleCount + 1];
        int32_t count = 1;
        for (int32_t scale : kShowScales) {
            const std::string file =
                scale == 200 && !options.largeTwiceFile.empty()
                    ? options.largeTwiceFile
                    : (fs::path(options.picturesDir) / ScaledPicture(scale).file).string();
            if (fs::exists(file)) {
                files[count] = file;
                present[count++] = scale;
            }
        }
        const int32_t chosen = ShowChooseScale(options.dpi, present, count);
        for (int32_t i = 1; i < count; ++i)
            if (present[i] == chosen) {
                choice = ScaledPicture(chosen);
                given = files[i];
            }
    }
    scene->choice = choice;
    scene->path = !given.empty() ? given : (fs::path(options.picturesDir) / choice.file).string();
}

// Every frame of the show, full size, into its folder. *written gains each
// file as it is written, for a later failure to take back.
bool WriteAllFrames(const PreviewOptions& options, const PreviewScene& scene,
                    std::vector<std::string>* written, std::string* report, std::string* error)
{
    std::error_code ec;
    fs::create_directories(options.allFramesDir, ec);
    if (ec) {
        *error = "cannot make " + options.allFramesDir + ": " + ec.message();
        return false;
    }
    const std::vector<ShowFrame> frames = ShowFrames(options.timings, options.fades);
    PixelSurface frame;
    for (const ShowFrame& f : frames) {
        RenderFrame(scene.background, scene.picture, f.level, &frame);
        const std::string file = (fs::path(options.allFramesDir) / FrameFileName(f)).string();
        if (!WritePng(file, SurfaceToImage(frame.get()), error))
            return false;
        written->push_back(file);
    }
    *report +=
        "wrote " + std::to_string(frames.size()) + " frames to " + options.allFramesDir + "\n";
    return true;
}

// The contact sheet's title: the picture and where it lands on the screen,
// the files shown, and the show's phases in time.
std::vector<std::string> SheetTitle(const PreviewOptions& options, const PreviewScene& scene)
{
    const PixelSurface& picture = scene.picture;
    SplashBlock block;
    std::string where;
    if (!PlacePicture(scene.background.get(), picture.get(), &block))
        where = ", NOT ON THE SCREEN";
    else if (block.cx != picture.width() || block.cy != picture.height())
        where = ", CLIPPED TO " + Size(block.cx, block.cy);
    else
        where = " AT (" + std::to_string(block.dstX) + ", " + std::to_string(block.dstY) + ")";
    const std::vector<SheetCell> cells = SheetCells(options.timings, options.fades);
    const SheetCell hold = *std::find_if(
        cells.begin(), cells.end(), [](const SheetCell& c) { return c.phase == ShowPhase::Hold; });
    return {
        std::string(scene.choice.name) + " " + Size(picture.width(), picture.height()) + where +
            " ON A " + Size(scene.background.width(), scene.background.height()) + " SCREEN",
        "PICTURE: " + fs::path(scene.path).filename().string() + "   DESKTOP: " + scene.desktop,
        options.fades ? "FADE IN 0-" + std::to_string(hold.fromMs) + " MS   HOLD " +
                            std::to_string(hold.fromMs) + "-" + std::to_string(hold.toMs) +
                            " MS   FADE OUT " + std::to_string(hold.toMs) + "-" +
                            std::to_string(ShowEndMs(options.timings)) + " MS"
                      : "ANIMATIONS OFF: STILL 0-" + std::to_string(hold.toMs) + " MS, NO FADES",
    };
}

// A failed run leaves nothing of its own behind, and reports nothing.
bool Abandon(const std::vector<std::string>& written, std::string* report)
{
    for (const std::string& file : written)
        std::remove(file.c_str());
    report->clear();
    return false;
}

}  // namespace

bool RunPreview(const PreviewOptions& options, std::string* report, std::string* error)
{
    report->clear();
    error->clear();

    PreviewScene scene;
    if (!LoadBackground(options, &scene, error))
        return false;
    ChoosePicture(options, &scene);
    if (!LoadBitmapSurface(scene.path, &scene.picture, error)) {
        *error = "picture " + std::string(scene.choice.name) + ": " + *error;
        return false;
    }
    *report = std::string(scene.choice.name) + " (" + scene.path + ", " +
              Size(scene.picture.width(), scene.picture.height()) + ") on a " +
              Size(scene.background.width(), scene.background.height()) + " screen\n";

    std::vector<std::string> written;
    if (options.frameLevel >= 0) {
        PixelSurface frame;
        RenderFrame(scene.background, scene.picture, options.frameLevel, &frame);
        if (!WritePng(options.output, SurfaceToImage(frame.get()), error))
            return Abandon(written, report);
        *report +=
            "wrote " + options.output + " (level " + std::to_string(options.frameLevel) + ")\n";
        return true;
    }
    if (!options.allFramesDir.empty() && !WriteAllFrames(options, scene, &written, report, error))
        return Abandon(written, report);
    const std::vector<std::string> title = SheetTitle(options, scene);
    if (!WritePng(
            options.output,
            ContactSheet(scene.background, scene.picture, title, options.timings, options.fades),
            error))
        return Abandon(written, report);
    *report += "wrote " + options.output + " (contact sheet of " +
               std::to_string(SheetCells(options.timings, options.fades).size()) + " frames)\n";
    return true;
}
