// The preview must show exactly what the launcher would: every frame is
// checked byte for byte against the plain blend of the shipped picture onto
// the desktop at a centred block worked out here on its own, and the
// sheet's levels and times against the show's.
#include "preview.h"
#include "pixel_surface.h"
#include "png_io.h"
#include "../show_levels.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

namespace {

const std::string kResources = ORVELINE_RESOURCES_DIR;

struct Screen {
    int32_t width, height;
    const char* picture;
};

void PrintTo(const Screen& s, std::ostream* os)
{
    *os << s.width << " x " << s.height;
}

class PreviewFrames : public ::testing::TestWithParam<Screen> {};

TEST_P(PreviewFrames, EqualThePlainBlendAtEveryLevel)
{
    const Screen s = GetParam();
    const ShowPicture choice = PictureForScreen(s.width);
    ASSERT_STREQ(choice.name, s.picture);
    PixelSurface picture;
    std::string error;
    ASSERT_TRUE(LoadBitmapSurface(kResources + "/" + choice.file, &picture, &error)) << error;

    // A screenshot of noise, its own alpha noise too: the screen has none.
    std::mt19937 rng(uint32_t(s.width * 7919 + s.height));
    RgbaImage shot;
    shot.width = s.width;
    shot.height = s.height;
    shot.rgba.resize(size_t(s.width) * size_t(s.height) * 4);
    for (auto& b : shot.rgba)
        b = uint8_t(rng());
    const PixelSurface background = BackgroundFromImage(shot);

    // The launcher's centring, with C's division, clipped by hand.
    const int32_t x = (s.width - picture.width()) / 2, y = (s.height - picture.height()) / 2;
    const int32_t srcX = std::max(0, -x), srcY = std::max(0, -y);
    const int32_t dstX = std::max(0, x), dstY = std::max(0, y);
    const int32_t cx = std::min(picture.width() - srcX, s.width - dstX);
    const int32_t cy = std::min(picture.height() - srcY, s.height - dstY);

    PixelSurface reference(s.width, s.height);
    PixelSurface frame;
    for (int level : ShowLevels()) {
        for (int32_t py = 0; py < s.height; ++py)
            for (int32_t px = 0; px < s.width; ++px) {
                const uint8_t* from = shot.at(px, py);
                uint8_t* to = reference.at(px, py);
                to[0] = from[2], to[1] = from[1], to[2] = from[0], to[3] = 0;
            }
        BlendSurfacePlain(reference.get(), dstX, dstY, cx, cy, picture.get(), srcX, srcY, level);
        RenderFrame(background, picture, level, &frame);
        ASSERT_EQ(frame.pixels, reference.pixels) << "level " << level;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Screens, PreviewFrames,
    ::testing::Values(Screen{1024, 768, "Tal1280"}, Screen{1023, 767, "Tal1280"},
                      Screen{800, 600, "Tal800"}, Screen{801, 600, "Tal1280"},
                      // Smaller than the picture, by odd
                      // amounts: clipped, centred by C's
                      // division, which rounds towards 0.
                      Screen{150, 101, "Tal800"}, Screen{1024, 201, "Tal1280"}),
    [](const auto& info) {
        return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
    });

TEST(PreviewShow, FramesAreTheShowsLevelsAtTheirNominalTimes)
{
    const std::vector<ShowFrame> frames = ShowFrames();
    const std::vector<int> levels = ShowLevels();
    ASSERT_EQ(frames.size(), levels.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].index, int32_t(i));
        EXPECT_EQ(frames[i].level, levels[i]) << i;
    }
    // The fade in's frames each its wait after the last, the fade out's
    // likewise from the end of the hold.
    const int32_t in = kFadeInWaitMs, out = kFadeOutWaitMs;
    const int32_t lastIn = kFadeInFrameCount - 1, lastOut = kShowFrameCount - kFadeInFrameCount - 1;
    const int32_t holdEnd = kFadeInFrameCount * in + kHoldMs;
    const std::pair<int32_t, int32_t> times[] = {{0, 0},
                                                 {1, in},
                                                 {lastIn, lastIn * in},
                                                 {kFadeInFrameCount, holdEnd},
                                                 {kFadeInFrameCount + 1, holdEnd + out},
                                                 {kShowFrameCount - 1, holdEnd + lastOut * out}};
    for (auto [index, ms] : times)
        EXPECT_EQ(frames[size_t(index)].atMs, ms) << "frame " << index;
    EXPECT_EQ(ShowEndMs(), holdEnd + (lastOut + 1) * out);

    // A vendor's timings: the same frames and levels, other waits. 3000 /
    // 64 rounds to 47 ms, 60 / 64 to 1 (never 0), and a hold of 0 goes
    // straight to the fade out.
    const ShowTimings vendors = {3000, 0, 60};
    const std::vector<ShowFrame> other = ShowFrames(vendors);
    ASSERT_EQ(other.size(), frames.size());
    EXPECT_EQ(other[1].atMs, 47);
    EXPECT_EQ(other[kFadeInFrameCount].atMs, kFadeInFrameCount * 47);
    EXPECT_EQ(other[kFadeInFrameCount + 1].atMs, kFadeInFrameCount * 47 + 1);
    EXPECT_EQ(ShowEndMs(vendors), kFadeInFrameCount * 47 + (kShowFrameCount - kFadeInFrameCount));

    // Animations off: one frame at the full level, held, and nothing after.
    for (const ShowTimings& t : {kShippedTimings, vendors}) {
        const std::vector<ShowFrame> still = ShowFrames(t, false);
        ASSERT_EQ(still.size(), 1u);
        EXPECT_EQ(still[0].level, kFullLevel);
        EXPECT_EQ(still[0].atMs, 0);
        EXPECT_EQ(ShowEndMs(t, false), int32_t(t.holdMs));
        const std::vector<SheetCell> cells = SheetCells(t, false);
        ASSERT_EQ(cells.size(), 1u);
        EXPECT_EQ(cells[0].phase, ShowPhase::Hold);
        EXPECT_EQ(cells[0].toMs, int32_t(t.holdMs));
    }
}

TEST(PreviewShow, SheetCellsNameTheirFramesLevelsAndTimes)
{
    const std::vector<ShowFrame> frames = ShowFrames();
    // The hold: from the fade in's last wait to the hold's end.
    const int32_t holdFrom = kFadeInFrameCount * kFadeInWaitMs, holdTo = holdFrom + kHoldMs;
    const std::vector<SheetCell> cells = SheetCells();
    ASSERT_EQ(cells.size(), 12u);
    EXPECT_EQ(cells.front().frame, 0);
    EXPECT_EQ(cells.back().frame, int32_t(frames.size()) - 1);
    int holds = 0, lastFrom = -1;
    for (const SheetCell& c : cells) {
        const ShowFrame& f = frames[size_t(c.frame)];
        EXPECT_EQ(c.level, f.level) << c.frame;
        if (c.phase == ShowPhase::Hold) {
            ++holds;
            EXPECT_EQ(c.frame, kFadeInFrameCount - 1);
            EXPECT_EQ(c.level, ShowLevel(kFadeInFrameCount - 1));
            EXPECT_EQ(c.fromMs, holdFrom);
            EXPECT_EQ(c.toMs, holdTo);
        } else {
            EXPECT_EQ(c.phase, f.phase) << c.frame;
            EXPECT_EQ(c.fromMs, f.atMs) << c.frame;
            EXPECT_EQ(c.toMs, f.atMs) << c.frame;
        }
        EXPECT_GT(c.fromMs, lastFrom) << "cells out of order at frame " << c.frame;
        lastFrom = c.fromMs;

        const std::vector<std::string> label = CellLabel(c);
        ASSERT_EQ(label.size(), 2u);
        EXPECT_NE(label[0].find("LEVEL " + std::to_string(c.level)), std::string::npos);
        EXPECT_EQ(label[1].rfind(std::to_string(c.fromMs), 0), 0u) << label[1];
        for (const std::string& line : label)
            for (char ch : line)
                EXPECT_TRUE(HasGlyph(ch)) << "no glyph for '" << ch << "' in " << line;
    }
    EXPECT_EQ(holds, 1);
    const std::string holdTime = std::to_string(holdFrom) + "-" + std::to_string(holdTo) + " MS";
    EXPECT_EQ(CellLabel(cells[5])[1].rfind(holdTime, 0), 0u);
}

TEST(PreviewDownscale, AveragesEachBlockRoundingToNearest)
{
    // 3 x 3 by 2: a full block, two half blocks on the edges, one corner.
    PixelSurface s(3, 3);
    const uint8_t blue[9] = {0, 1, 9, 1, 1, 8, 200, 100, 7};
    for (int32_t i = 0; i < 9; ++i) {
        uint8_t* p = s.at(i % 3, i / 3);
        p[0] = blue[i], p[1] = uint8_t(i * 10), p[2] = 250, p[3] = 77;
    }
    const RgbaImage small = Downscale(s.get(), 2);
    ASSERT_EQ(small.width, 2);
    ASSERT_EQ(small.height, 2);
    const uint8_t expected[2][2][4] = {{{250, 20, 1, 255}, {250, 35, 9, 255}},
                                       {{250, 65, 150, 255}, {250, 80, 7, 255}}};
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 2; ++x)
            EXPECT_EQ(std::memcmp(small.at(x, y), expected[y][x], 4), 0) << x << ", " << y;
}

std::vector<uint8_t> TinyBitmap(uint16_t bitCount)
{
    // 2 x 1, bottom-up, no compression, rows padded to 4 bytes.
    const uint32_t rowBytes = (2 * bitCount / 8 + 3) / 4 * 4, size = 54 + rowBytes;
    std::vector<uint8_t> b(size);
    auto put = [&](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            b[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    b[0] = 'B', b[1] = 'M';
    put(2, size, 4), put(10, 54, 4), put(14, 40, 4), put(18, 2, 4), put(22, 1, 4);
    put(26, 1, 2), put(28, bitCount, 2), put(34, rowBytes, 4);
    for (uint32_t i = 0; i < rowBytes; ++i)
        b[54 + i] = uint8_t(0x10 + i);
    return b;
}

TEST(PreviewPicture, LoadsOnlyWhatTheLauncherWouldShow)
{
    PixelSurface picture;
    std::string error;
    ASSERT_TRUE(ReadBitmapSurface(TinyBitmap(32), &picture, &error)) << error;
    ASSERT_EQ(picture.width(), 2);
    EXPECT_EQ(std::memcmp(picture.at(0, 0), TinyBitmap(32).data() + 54, 8), 0);

    std::vector<uint8_t> overlong = TinyBitmap(32);
    overlong[2] += 1;  // announces a byte more than there is
    const std::vector<uint8_t> refused[] = {{}, {'B', 'M', 0}, overlong, TinyBitmap(24)};
    for (const auto& bytes : refused) {
        error.clear();
        EXPECT_FALSE(ReadBitmapSurface(bytes, &picture, &error)) << bytes.size();
        EXPECT_FALSE(error.empty());
    }
    EXPECT_FALSE(LoadBitmapSurface("/nonexistent/tal800.bmp", &picture, &error));
    EXPECT_NE(error.find("/nonexistent/tal800.bmp"), std::string::npos) << error;
}

TEST(PreviewArgs, AcceptsGoodCommandLinesAndNamesWhatIsWrong)
{
    PreviewOptions o;
    std::string error;
    ASSERT_TRUE(ParsePreviewArgs({"--screen", "1920x1080", "--frame", "256", "--fade-in", "60000",
                                  "--hold", "0", "--dpi", "144", "o.png"},
                                 &o, &error));
    EXPECT_EQ(o.timings.fadeInMs, 60000u);
    EXPECT_EQ(o.timings.holdMs, 0u);
    EXPECT_EQ(o.timings.fadeOutMs, 640u);
    EXPECT_EQ(o.dpi, 144);
    EXPECT_EQ(o.screenWidth, 1920);
    EXPECT_EQ(o.screenHeight, 1080);
    EXPECT_EQ(o.frameLevel, 256);
    EXPECT_EQ(o.output, "o.png");

    const std::vector<std::string> bad[] = {
        {"--screen", "0x768", "o.png"},
        {"--screen", "1024x", "o.png"},
        {"--screen", "8193x10", "o.png"},
        {"--screen", "12x-3", "o.png"},
        {"--frame", "257", "o.png"},
        {"o.png", "--frame"},
        {"--bogus", "o.png"},
        {"a.png", "b.png"},
        {},
        {"--background", "s.png", "--screen", "9x9", "o.png"},
        {"--hold", "60001", "o.png"},
        {"--fade-in", "-5", "o.png"},
        {"--fade-out", "2s", "o.png"},
        {"--dpi", "0", "o.png"},
    };
    for (const auto& args : bad) {
        PreviewOptions fresh;
        EXPECT_FALSE(ParsePreviewArgs(args, &fresh, &error)) << ::testing::PrintToString(args);
        EXPECT_FALSE(error.empty());
    }
}

// Runs of the whole tool in a folder of their own.
class PreviewRun : public ::testing::Test {
protected:
    fs::path dir;
    PreviewOptions options;
    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("orveline_preview_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        options.picturesDir = kResources;
        options.screenWidth = 64;
        options.screenHeight = 48;
        options.output = (dir / "out.png").string();
    }
    void TearDown() override { fs::remove_all(dir); }
    void Write(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
};

TEST_F(PreviewRun, WritesTheSheetAndEveryFrame)
{
    options.allFramesDir = (dir / "frames").string();
    std::string report, error;
    ASSERT_TRUE(RunPreview(options, &report, &error)) << error;
    RgbaImage sheet;
    ASSERT_TRUE(ReadPng(options.output, &sheet, &error)) << error;
    EXPECT_GT(sheet.width, 4 * 64);

    // Named by order and level; a frame read back is the frame rendered.
    const std::vector<ShowFrame> frames = ShowFrames();
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "frames"), fs::directory_iterator()),
              std::ptrdiff_t(frames.size()));
    PixelSurface background = GeneratedDesktop(64, 48), picture, frame;
    ASSERT_TRUE(LoadBitmapSurface(kResources + "/tal800.bmp", &picture, &error)) << error;
    RenderFrame(background, picture, 191, &frame);
    RgbaImage written;
    ASSERT_TRUE(ReadPng((dir / "frames/frame-080-level-191.png").string(), &written, &error))
        << error;
    EXPECT_EQ(written.rgba, SurfaceToImage(frame.get()).rgba);
    EXPECT_TRUE(fs::exists(dir / "frames/frame-127-level-003.png"));
}

// The preview shows the scaled picture the launcher would: the folder's
// stand-ins (the small picture, the large one's names) tell which was read.
TEST_F(PreviewRun, ShowsThePictureOfTheScaleTheLauncherWouldChoose)
{
    const struct {
        int32_t dpi;
        std::vector<const char*> files;
        const char* shown;
    } cases[] = {
        {96, {"tal1280x125.bmp", "tal1280x2.bmp"}, "Tal1280 ("},
        {120, {"tal1280x125.bmp", "tal1280x2.bmp"}, "Tal1280x125 ("},
        {144, {"tal1280x2.bmp"}, "Tal1280x2 ("},
        {168, {"tal1280x150.bmp", "tal1280x300.bmp"}, "Tal1280x150 ("},
        {288, {"tal1280x150.bmp", "tal1280x300.bmp"}, "Tal1280x300 ("},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.dpi) + " DPI");
        const fs::path pictures = dir / ("pictures-" + std::to_string(c.dpi));
        fs::create_directories(pictures);
        fs::copy_file(kResources + "/tal1280.bmp", pictures / "tal1280.bmp");
        for (const char* file : c.files)
            fs::copy_file(kResources + "/tal800.bmp", pictures / file);
        PreviewOptions o = options;
        o.picturesDir = pictures.string();
        o.screenWidth = 1024;
        o.screenHeight = 768;
        o.dpi = c.dpi;
        o.frameLevel = kFullLevel;
        std::string report, error;
        ASSERT_TRUE(RunPreview(o, &report, &error)) << error;
        EXPECT_EQ(report.rfind(c.shown, 0), 0u) << report;
    }
}

TEST_F(PreviewRun, FailsCleanlyLeavingNothingBehind)
{
    Write("text.png", {'n', 'o', 't', ' ', 'p', 'n', 'g'});
    Write("deep.bmp", TinyBitmap(24));
    struct Case {
        const char* name;
        void (*change)(PreviewOptions*, const fs::path&);
        const char* mentions;
    } cases[] = {
        {"missing background",
         [](PreviewOptions* o, const fs::path& d) { o->background = (d / "none.png").string(); },
         "none.png"},
        {"background not a PNG",
         [](PreviewOptions* o, const fs::path& d) { o->background = (d / "text.png").string(); },
         "text.png"},
        {"no pictures in the folder",
         [](PreviewOptions* o, const fs::path& d) { o->picturesDir = d.string(); }, "Tal800"},
        {"picture not 32-bit",
         [](PreviewOptions* o, const fs::path& d) { o->smallFile = (d / "deep.bmp").string(); },
         "24-bit"},
        // The frames are written, then the sheet cannot be: the frames go too.
        {"sheet cannot be written",
         [](PreviewOptions* o, const fs::path& d) {
             o->allFramesDir = (d / "frames").string();
             o->output = (d / "no/such/folder/out.png").string();
         },
         "out.png"},
    };
    for (const Case& c : cases) {
        PreviewOptions o = options;
        c.change(&o, dir);
        std::string report, error;
        EXPECT_FALSE(RunPreview(o, &report, &error)) << c.name;
        EXPECT_NE(error.find(c.mentions), std::string::npos) << c.name << ": " << error;
        EXPECT_FALSE(fs::exists(o.output)) << c.name;
        if (!o.allFramesDir.empty()) {
            EXPECT_TRUE(fs::is_empty(o.allFramesDir)) << c.name;
        }
    }
}

}  // namespace
