// Times the launcher's frame under Wine at the size of the screen it runs on,
// then runs the real launcher and watches its show from the screen. Prints
// Markdown on standard output.
//
// The frame is drawn here with the launcher's own calls on a full-screen
// grey window, which then stays up as the desktop the real launcher copies.
// The same program, started with a flag, also plays the small parts another
// process has to play: the next program the launcher hands over to, the
// partner of a clock comparison, and an idle Wine process for a memory
// baseline.
#include "frame_bench_report.h"

#include "display.h"
#include "frame.h"
#include "window.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

// ---------------------------------------------------------------- records

// The launcher this program watches when not told otherwise, from this
// program's folder: both are in the same build, bench/frame two folders
// below the build's own, as launcher is one below.
const char kLauncherFromHere[] = "\\..\\..\\launcher\\orveline.exe";

struct Options {
    std::string self, launcher;
    std::string against;  // a launcher whose start is measured against this one's, when given
    bool printTimeline = false;
    const char* recordFile = nullptr;  // appended a line of key figures, when given
};

int Usage()
{
    std::fprintf(
        stderr,
        "usage: frame_bench [--launcher PATH] [--against PATH] [--timeline] [--record FILE]\n"
        "  PATH defaults to ..\\..\\launcher\\orveline.exe from this program's folder;\n"
        "  --against times the start of that launcher and this one's, in turn;\n"
        "  FILE gets a line of this screen's key figures appended, for bench.sh to\n"
        "  compare screens, each measured by a process of its own\n");
    return 2;
}

bool ReadOptions(int argc, char** argv, Options* o)
{
    o->self = ModulePath();
    o->launcher = FullPath(FolderOf(o->self) + kLauncherFromHere);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--launcher") == 0 && i + 1 < argc)
            o->launcher = FullPath(argv[++i]);
        else if (std::strcmp(argv[i], "--against") == 0 && i + 1 < argc)
            o->against = FullPath(argv[++i]);
        else if (std::strcmp(argv[i], "--timeline") == 0)
            o->printTimeline = true;
        else if (std::strcmp(argv[i], "--record") == 0 && i + 1 < argc)
            o->recordFile = argv[++i];
        else
            return false;
    }
    return true;
}

// ---------------------------------------------------------------- setup

// The grey window must be on the screen before the desktop is copied.
void AwaitGrey(int32_t width, int32_t height)
{
    Block centre = {width / 2 - 8, height / 2 - 8, 16, 16, 0, 0};
    Pixels grey(16 * 16 * 4);
    for (size_t i = 0; i < grey.size(); i += 4) {
        grey[i] = GetBValue(kDesktopGrey);
        grey[i + 1] = GetGValue(kDesktopGrey);
        grey[i + 2] = GetRValue(kDesktopGrey);
    }
    ScreenReader reader(16, 16);
    if (!WaitForScreen(reader, centre, grey, 5000))
        std::printf("(The grey window did not show on the screen within 5 s.)\n\n");
}

// The launcher's surfaces and picture, made as the launcher makes them, and
// the form of the blend it chooses here; prints what it found.
bool SetUpLikeLauncher(Scene* scene)
{
    scene->pictureName = ShowPictureName(scene->width);
    if (!PrepareLikeLauncher(&scene->setup, scene->pictureName) ||
        !FindLaunchersBlock(&scene->block)) {
        std::printf("The launcher's surfaces could not be made: nothing measured.\n");
        return false;
    }
    scene->features = ProcessorFeatures();
    scene->best = BestBlendForm(scene->features);
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    scene->processors = system.dwNumberOfProcessors;
    const Block& b = scene->block;
    std::printf("%lu processors. ", scene->processors);
    PrintFeatures(scene->features);
    std::printf("BlendSurface chooses the %s form. Picture %s, %d x %d, at (%d, %d).\n\n",
                FormName(scene->best), scene->pictureName, b.cx, b.cy, b.dstX, b.dstY);
    return true;
}

// ---------------------------------------------------------------- measures

// The whole frame, once per form of the blend, as the launcher draws it and
// in the old full-screen form beside it. A show's worth of frames at large
// screens, two at smaller ones.
FrameTimes TimeTheFrame(const Scene& scene, ScreenReader& onePixel)
{
    const Block& b = scene.block;
    FrameTimes f;
    // One pixel read alone: the X round trip inside the upload figure.
    std::vector<double> roundTrips;
    for (int i = 0; i < 200; ++i) {
        const int64_t t0 = Now();
        onePixel.Read(b.dstX, b.dstY);
        roundTrips.push_back(Ms(Now() - t0));
    }
    f.roundTrip = Summarise(roundTrips);

    f.rounds = int64_t(scene.width) * scene.height > 4'000'000 ? 1 : 2;
    for (int32_t form : {kBlendPlain, kBlendSSE2, kBlendAVX2}) {
        if (SelectBlendForm(form) != form)
            continue;
        for (bool whole : {false, true}) {
            FormTimes t;
            t.form = form;
            t.name = std::string(FormName(form)) +
                     (whole ? ", whole screen (reference)" : ", the block");
            t.whole = whole;
            TimeFrames(&t, b, onePixel, f.rounds);
            f.forms.push_back(std::move(t));
        }
    }
    SelectBlendForm(scene.best);
    for (size_t i = 0; i < f.forms.size(); ++i) {
        const FormTimes& t = f.forms[i];
        if (t.form == scene.best)
            (t.whole ? f.reference : f.chosen) = int(i);
    }
    return f;
}

// The blend alone, each form beside its plain twin.
BlendTable TimeBlends(const Scene& scene)
{
    const Block& b = scene.block;
    const int rounds = 6;
    BlendTable table;
    table.calls = rounds * int(ShowLevels().size());
    BlendTimes plain{kSurfacePlain, "BlendSurfacePlain",
                     TimeSurfaceBlend(BlendSurfacePlain, b, rounds), 1.0, "reference"};
    table.rows.push_back(plain);
    auto add = [&](BlendRoutine routine, const char* name, SurfaceBlend form) {
        BlendTimes t{routine, name, TimeSurfaceBlend(form, b, rounds), 0, ""};
        t.ratio = plain.spread.median / t.spread.median;
        t.same = SameAsPlain(form, b) ? "yes" : "NO";
        table.rows.push_back(t);
    };
    if (scene.features & kCpuSSE2)
        add(kSurfaceSSE2, "BlendSurfaceSSE2", BlendSurfaceSSE2);
    if (scene.features & kCpuAVX2)
        add(kSurfaceAVX2, "BlendSurfaceAVX2", BlendSurfaceAVX2);
    add(kSurfaceDispatched, (std::string("BlendSurface (") + FormName(scene.best) + ")").c_str(),
        DispatchedBlend);
    BlendTimes pixelsPlain{kPixelsPlain, "BlendPixelsPlain",
                           TimePixelBlend(BlendPixelsPlain, b, table.calls), 1.0, "reference"};
    table.rows.push_back(pixelsPlain);
    if (scene.features & kCpuMMX) {
        BlendTimes mmx{kPixelsMMX, "BlendPixelsMMX", TimePixelBlend(BlendPixelsMMX, b, table.calls),
                       0, ""};
        mmx.ratio = pixelsPlain.spread.median / mmx.spread.median;
        mmx.same = PixelsSameAsPlain(BlendPixelsMMX, b) ? "yes" : "NO";
        table.rows.push_back(mmx);
    }
    return table;
}

// The shipped show's levels and waits, as the launcher plans them.
Schedule ShippedSchedule()
{
    PlannedFrame frames[kShowFrameCount];
    const int32_t count = PlanShow(true, &kShippedTimings, frames);
    int32_t first = 0;
    while (first + 1 < count && frames[first].level == 0)
        ++first;
    Schedule s;
    s.hiddenLevel = frames[0].level;
    s.firstLevel = frames[first].level;
    s.lastLevel = frames[count - 1].level;
    s.visibleFrames = count - first;
    s.laterFrames = count - 1 - first;
    for (int32_t i = 0; i < count; ++i) {
        s.wholeMs += frames[i].waitMs;
        if (i < first)
            s.beforeVisibleMs += frames[i].waitMs;
        else if (i < count - 1)
            s.visibleMs += frames[i].waitMs;
    }
    return s;
}

// The desktop, the show's first frame (which leaves it as it is), its first
// visible frame and its last, drawn with the plain blend.
Expected ExpectedFrames(const Block& b, const Schedule& schedule)
{
    Expected e;
    Restore();
    e.desktop = CopyOut(g_backBuffer, b);
    auto frameAt = [&](int32_t level) {
        Restore();
        BlendSurfacePlain(&g_backBuffer, b.dstX, b.dstY, b.cx, b.cy, &g_splashImage, b.srcX, b.srcY,
                          level);
        return CopyOut(g_backBuffer, b);
    };
    e.hidden = frameAt(schedule.hiddenLevel);
    e.first = frameAt(schedule.firstLevel);
    e.last = frameAt(schedule.lastLevel);
    e.hiddenDiffers = CountDiffering(e.hidden.data(), e.desktop.data(), b);
    e.firstDiffers = CountDiffering(e.first.data(), e.desktop.data(), b);
    e.lastDiffers = CountDiffering(e.last.data(), e.desktop.data(), b);
    return e;
}

Holdings LaunchersHoldings()
{
    Holdings h;
    h.backBuffer = double(g_backBuffer.pitch) * g_backBuffer.height;
    h.copy = double(g_backCopy.pitch) * g_backCopy.height;
    h.picture = double(g_splashImage.pitch) * g_splashImage.height;
    h.rowTables = 4.0 * (g_backBuffer.height + g_backCopy.height + g_splashImage.height);
    h.palette = 8192;
    h.total = h.backBuffer + h.copy + h.picture + h.rowTables + h.palette;
    return h;
}

// Back to a plain grey desktop for the show; whether the screen shows it.
bool ClearForTheShow(HWND desktopWindow, ScreenReader& blockReader, const Block& b,
                     const Pixels& desktop)
{
    ShutdownDisplay();
    DestroySurface(&g_backCopy);
    DestroySurface(&g_splashImage);
    InvalidateRect(desktopWindow, nullptr, TRUE);
    UpdateWindow(desktopWindow);
    return WaitForScreen(blockReader, b, desktop, 5000);
}

Watched WatchTheProcesses(const Options& options, bool desktopReady, const Block& b,
                          const Expected& expected)
{
    Watched w;
    w.clock = CompareClocks(options.self);
    w.bare = MeasureBare(options.self);
    if (!FileExists(options.launcher))
        w.show.problem = "no launcher at " + options.launcher;
    else if (!desktopReady)
        w.show.problem = "the grey desktop did not come back on the screen";
    else
        w.show = WatchShow(options.launcher, options.self, b, expected.desktop, expected.first,
                           expected.last);
    return w;
}

// Screen size, the frame (median ms, whole frame with the upload: the block,
// then the whole screen), the first visible frame and the launcher's end (ms
// after CreateProcess, -1 when not seen).
void AppendRecord(const char* file, const Scene& scene, const FrameTimes& frames, const Show& show)
{
    FILE* f = std::fopen(file, "a");
    if (f == nullptr)
        return;
    const FormTimes* chosen = Form(frames, frames.chosen);
    const FormTimes* reference = Form(frames, frames.reference);
    std::fprintf(f, "%d %d %.4f %.4f %.1f %.1f\n", scene.width, scene.height,
                 chosen != nullptr ? Summarise(chosen->frame).median : -1.0,
                 reference != nullptr ? Summarise(reference->frame).median : -1.0,
                 show.ran && show.changes > 0 ? show.firstVisible : -1.0,
                 show.ran ? show.exited : -1.0);
    std::fclose(f);
}

}  // namespace

int main(int argc, char** argv)
{
    // The roles of the other processes come first: the next program's stamp
    // must be taken as early as possible.
    if (argc == 3 && std::strcmp(argv[1], "--handoff") == 0)
        return RunHandoff(argv[2]);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    g_msPerTick = 1000.0 / double(frequency.QuadPart);
    if (argc == 3 && std::strcmp(argv[1], "--clock") == 0)
        return RunClockPartner(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--idle") == 0)
        return RunIdle(argv[2]);
    Options options;
    if (!ReadOptions(argc, argv, &options))
        return Usage();

    g_hInstance = GetModuleHandleA(nullptr);
    g_screenWidth = GetSystemMetrics(SM_CXSCREEN);
    g_screenHeight = GetSystemMetrics(SM_CYSCREEN);
    Scene scene;
    scene.width = g_screenWidth;
    scene.height = g_screenHeight;
    std::printf("## The frame at %d x %d, %d-bit under Wine\n\n", scene.width, scene.height,
                int(sizeof(void*) * 8));
    std::fflush(stdout);

    // The grey window: the launcher's window while the frame is timed, the
    // desktop while the real launcher runs.
    HWND desktopWindow = CreateDesktopWindow(g_hInstance, scene.width, scene.height);
    if (desktopWindow == nullptr) {
        std::printf("No window could be made: nothing measured.\n");
        return 1;
    }
    g_hWnd = desktopWindow;
    ScreenReader onePixel(1, 1);
    AwaitGrey(scene.width, scene.height);
    if (!SetUpLikeLauncher(&scene))
        return 1;

    const Block& b = scene.block;
    ScreenReader blockReader(b.cx, b.cy);
    SelectBlendForm(scene.best);
    const Arrival arrival = CheckArrival(b, blockReader);
    const FrameTimes frames = TimeTheFrame(scene, onePixel);
    const BlendTable blends = TimeBlends(scene);
    const Schedule schedule = ShippedSchedule();
    const Expected expected = ExpectedFrames(b, schedule);
    const Holdings holdings = LaunchersHoldings();
    const bool desktopReady = ClearForTheShow(desktopWindow, blockReader, b, expected.desktop);
    const Watched watched = WatchTheProcesses(options, desktopReady, b, expected);

    PrintFrames(scene, frames);
    PrintArrival(arrival);
    PrintBlends(b, blends);
    PrintSetup(scene);
    PrintShow(scene, frames, schedule, expected, holdings, watched, options.printTimeline);
    PrintClock(watched.clock);
    std::fflush(stdout);
    if (!options.against.empty() && desktopReady) {
        const StartComparison starts =
            CompareStarts(options.launcher, options.against, options.self, b, expected.desktop,
                          expected.first, expected.last);
        PrintStartComparison(options.launcher, options.against, starts);
        std::fflush(stdout);
    }
    if (options.recordFile != nullptr)
        AppendRecord(options.recordFile, scene, frames, watched.show);

    DestroyWindow(desktopWindow);
    g_hWnd = nullptr;
    return 0;
}
